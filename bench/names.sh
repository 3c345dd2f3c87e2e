#!/usr/bin/env bash
# Times the clash check of the constant names: a planning run over many
# empty data files, alone and with --equ, which checks that no two files
# give one name and writes the include. The check must grow with the files
# as the rest of the run does: with --equ, the run may take at most three
# times as long, or the script fails. Run by hand:
#
#   bench/names.sh [path/to/romweld] [files]     (default: build/romweld, 16000)
#
# Needs hyperfine (Debian: apt-get install hyperfine).
set -euo pipefail
tool="$(realpath "${1:-build/romweld}")"
files="${2:-16000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
# Empty files take no bank, so any number fits one image.
seq -f 'level%05g.dat' 1 "$files" | xargs touch
# One command line holds them all; a script passes them on, as no single
# argument to a shell may.
printf '#!/bin/sh\nexec "%s" -q --plan "$@" game.rom program.bin $(cat list)\n' "$tool" >plan.sh
seq -f 'level%05g.dat' 1 "$files" >list
chmod +x plan.sh
hyperfine --style basic --warmup 2 --runs 10 --export-json run.json \
  -n plan ./plan.sh -n 'plan --equ' './plan.sh --equ pages.equ' >/dev/null
python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))["results"]
ratio = r[1]["median"] / r[0]["median"]
print("%s data files: --plan %.1f ms, --plan --equ %.1f ms, ratio %.2f" % (
    sys.argv[2], r[0]["median"] * 1000, r[1]["median"] * 1000, ratio))
sys.exit(0 if ratio <= 3 else "the clash check is not linear: more than 3 times the run")' \
  run.json "$files"
