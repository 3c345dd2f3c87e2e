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
source "$(dirname "$0")/ratio.sh"
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
ratio "$files" 3 --plan ./plan.sh '--plan --equ' './plan.sh --equ pages.equ' \
  "the clash check is not linear: more than 3 times the run"
