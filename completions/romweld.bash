# bash completion for romweld: options before the outfile, their values where
# they have a fixed set (bank counts), and file names everywhere else.

_romweld() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local options="-h --help --version -q --quiet -f --force --map --equ --sdas --header
    --plan --pack --summary --strict --banks --min-banks --"
  local counts="1 2 4 8 16 32 64 128 256 512 1024 2048 4096 8192 16384 32768 65536"
  case $prev in
    --map | --equ | --sdas | --header)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return ;;
    --banks | --min-banks)
      # In the order of their size, not as text sorts them (1 128 16384 ...).
      compopt -o nosort 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -W "$counts" -- "$cur")
      return ;;
  esac
  # From the outfile on, or after --, every word is a path.
  local i paths=0
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      --) paths=1; break ;;
      --map | --equ | --sdas | --header | --banks | --min-banks) ((i++)) ;;
      -*) ;;
      *) paths=1; break ;;
    esac
  done
  if ((!paths)) && [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
  else
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
}
complete -F _romweld romweld
