#!/usr/bin/env bash
# Times the placing of --pack: a planning run over many small data files,
# alone and packed. Placing is O(n log n) in the files, so packed, the run may
# take at most twice as long, or the script fails. Run by hand:
#
#   bench/pack.sh [path/to/romweld] [files]     (default: build/romweld, 60000)
#
# Needs hyperfine (Debian: apt-get install hyperfine) and python3.
set -euo pipefail
source "$(dirname "$0")/ratio.sh"
tool="$(realpath "${1:-build/romweld}")"
files="${2:-60000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
# Sparse files, as only the sizes count, of 8,065 to 9,000 bytes: no two fit
# one bank, so that each file is tried against every bank before it gets a
# new one, the most that placing ever has to do. Each takes a bank, packed or
# not, so 60,000 of them still fit one image.
python3 -c 'import os, random, sys
random.seed(1)
with open("list", "w") as names:
    for i in range(int(sys.argv[1])):
        name = "f%05d.dat" % i
        with open(name, "wb") as f:
            f.truncate(random.randint(8065, 9000))
        names.write(name + "\n")' "$files"
# One command line holds them all; a script passes them on, as no single
# argument to a shell may.
printf '#!/bin/sh\nexec "%s" -q --plan --equ pages.equ "$@" game.rom program.bin $(cat list)\n' \
  "$tool" >plan.sh
chmod +x plan.sh
ratio "$files" 2 --plan ./plan.sh '--plan --pack' './plan.sh --pack' \
  "placing is not O(n log n): more than twice the run"
