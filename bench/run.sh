#!/usr/bin/env bash
# Times romweld against cat of the same input files into a file, with the
# page cache warm, for a small image with padding and a large one without,
# each both into a new file and over an existing one; then measures each
# one's peak memory. Run by hand:
#
#   bench/run.sh [path/to/romweld]      (default: build/romweld)
#
# Each ratio is romweld's median time over cat's in one hyperfine run; the
# table gives the median of REPEATS such runs (default 5), with their range.
#
# The inputs are written BLOCK bytes at a time (default 8K, as C's stdio and
# head write), which decides the size of the page-cache folios that hold them.
#
# Needs hyperfine, GNU time and python3 (Debian: apt-get install hyperfine
# time python3), and about 1.1 GB free in the temporary folder.
set -euo pipefail
tool="$(realpath "${1:-build/romweld}")"
repeats="${REPEATS:-5}"
block="${BLOCK:-8K}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

bytes() { head -c "$2" /dev/urandom | dd of="$1" bs="$block" iflag=fullblock status=none; }

# small: an 8 KiB program and data files of 19, 25 and 13 banks. With the
# program that is 58 banks, padded to 64: a 1 MiB image.
mkdir small && bytes small/program.bin 8192
bytes small/title.dat 300000; bytes small/level.dat 400000; bytes small/music.dat 200000
# large: a program and 16,383 banks of data, 256 MiB without padding.
mkdir large && bytes large/program.bin 8192
bytes large/a.dat $((8192 * 16128)); bytes large/b.dat $((8191 * 16128))

ratio_of() { # hyperfine JSON export: the tool's median time over cat's
  python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))["results"]
print("%.3f" % (r[0]["median"] / r[1]["median"]))' "$1"
}

summary() { # median (min-max) of the ratios given
  python3 -c 'import statistics, sys
v = sorted(float(x) for x in sys.argv[1:])
print("%.2f (%.2f-%.2f)" % (statistics.median(v), v[0], v[-1]))' "$@"
}

declare -A result
for size in small large; do
  inputs=$(cd "$size" && ls -- *.dat | tr '\n' ' ')
  runs=30
  [ "$size" = large ] && runs=10
  for condition in new existing; do
    # A new file, as after `make clean`, starts with no dirty pages left by
    # the run before; an existing one is truncated by both commands.
    prepare=()
    [ "$condition" = new ] && prepare=(--prepare 'rm -f image.rom cat.rom; sync')
    ratios=()
    for ((i = 0; i < repeats; i++)); do
      (cd "$size" && hyperfine --style basic --warmup 3 --runs "$runs" "${prepare[@]}" \
        --export-json ../run.json \
        -n romweld "'$tool' image.rom program.bin $inputs >/dev/null" \
        -n cat "cat $inputs program.bin >cat.rom") >/dev/null
      ratios+=("$(ratio_of run.json)")
    done
    result[$size.$condition]="$(summary "${ratios[@]}")"
  done
  # Peak resident memory, in KiB, of one run.
  result[$size.rss]=$(cd "$size" && /usr/bin/time -f %M "$tool" image.rom program.bin $inputs 2>&1 >/dev/null)
done

echo
echo "romweld / cat, median time ratio (range over $repeats hyperfine runs), inputs written in" \
  "blocks of $block; peak RSS"
printf '%-22s %-20s %-20s %s\n' image "new file" "existing file" "peak RSS"
printf '%-22s %-20s %-20s %s KiB\n' "small (1 MiB)" "${result[small.new]}" \
  "${result[small.existing]}" "${result[small.rss]}"
printf '%-22s %-20s %-20s %s KiB\n' "large (256 MiB)" "${result[large.new]}" \
  "${result[large.existing]}" "${result[large.rss]}"
