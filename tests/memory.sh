#!/usr/bin/env bash
# The peak memory of romweld's runs, which is the same from run to run, held
# to its limits: --version under 1 MiB, as nothing in static storage is
# built before main; an image of 1 MiB, one of 256 MiB and a packed one of
# many small files each under 2 MiB, as the staging area and the plan are
# all that grows. Time stays in bench/, where it can be compared.
#
#   tests/memory.sh path/to/romweld      (Linux; needs GNU time)
set -euo pipefail
tool="$(realpath "${1:-build/romweld}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
failed=0

# Runs a command and compares its peak resident memory, in KiB, with limit.
peak() {
  local what="$1" limit="$2"
  shift 2
  if ! /usr/bin/time -o rss -f %M "$@" >/dev/null 2>err; then
    echo "$what: the run failed:" >&2
    cat err >&2
    failed=1
    return
  fi
  local kib
  kib="$(tail -n 1 rss)"
  printf '%-44s %6s KiB, limit %s KiB\n' "$what" "$kib" "$limit"
  [ "$kib" -lt "$limit" ] || failed=1
}

# Sparse inputs: only their sizes count, and they take no room on disk.
sized() { truncate -s "$2" "$1"; }
printf '\xAA\x55' >program.bin
sized small1.dat 300000
sized small2.dat 400000
sized small3.dat 200000
sized large1.dat $((8192 * 16128))
sized large2.dat $((8191 * 16128))
for i in $(seq 1000); do sized "p$i.dat" $(((i * 7919) % 900 + 1)); done

peak "--version" 1024 "$tool" --version
peak "an image of 1 MiB" 2048 "$tool" small.rom program.bin small1.dat small2.dat small3.dat
peak "an image of 256 MiB" 2048 "$tool" large.rom program.bin large1.dat large2.dat
peak "a packed image of 1,000 files" 2048 "$tool" --pack --map packed.map packed.rom program.bin p*.dat
exit "$failed"
