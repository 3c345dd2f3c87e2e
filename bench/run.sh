#!/usr/bin/env bash
# Times romweld against cat of the same input files into a file, with the
# page cache warm, for a small image with padding and a large one without,
# each both into a new file and over an existing one; and measures the peak
# memory of each run and of --version. Given several tools (two builds, as
# bench/commits.sh makes them), it measures each in turn and prints them side
# by side. Run by hand:
#
#   bench/run.sh [path/to/romweld ...]      (default: build/romweld)
#
# Each ratio is romweld's median time over cat's in one run of
# bench/interleave.py, which runs the two by turns so that the machine's
# drift falls on both; the table gives the median of REPEATS such runs
# (default 5), with their range.
#
# The inputs are written BLOCK bytes at a time (default 8K, as C's stdio and
# head write), which decides the size of the page-cache folios that hold them.
#
# Needs GNU time and python3 (Debian: apt-get install time python3), and
# about 1.1 GB free in the temporary folder.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tools=()
for tool in "${@:-build/romweld}"; do tools+=("$(realpath "$tool")"); done
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

summary() { # median (min-max) of the ratios given
  python3 -c 'import statistics, sys
v = sorted(float(x) for x in sys.argv[1:])
print("%.2f (%.2f-%.2f)" % (statistics.median(v), v[0], v[-1]))' "$@"
}

# Peak resident memory of one run, in KiB.
peak() { /usr/bin/time -o "$work/rss" -f %M "$@" >/dev/null 2>&1 || true; cat "$work/rss"; }

declare -A result
for tool in "${tools[@]}"; do
  result[$tool.version]=$(peak "$tool" --version)
  for size in small large; do
    inputs=$(cd "$size" && ls -- *.dat | tr '\n' ' ')
    rounds=100
    [ "$size" = large ] && rounds=10
    for condition in new existing; do
      # A new file, as after `make clean`, starts with no dirty pages left by
      # the run before; an existing one is truncated by both commands.
      prepare=""
      [ "$condition" = new ] && prepare="rm -f image.rom cat.rom; sync"
      ratios=()
      for ((i = 0; i < repeats; i++)); do
        # shellcheck disable=SC2086
        ratios+=("$(cd "$size" && python3 "$here/interleave.py" "$rounds" "$prepare" \
          "/dev/null $tool image.rom program.bin $inputs" "cat.rom cat $inputs program.bin" |
          cut -d' ' -f3)")
      done
      result[$tool.$size.$condition]="$(summary "${ratios[@]}")"
    done
    # shellcheck disable=SC2086
    result[$tool.$size.rss]=$(cd "$size" && peak "$tool" image.rom program.bin $inputs)
  done
done

echo
echo "romweld / cat, median time ratio (range over $repeats runs by turns), inputs written in" \
  "blocks of $block; peak RSS"
for tool in "${tools[@]}"; do
  echo "$tool: --version peaks at ${result[$tool.version]} KiB"
  printf '  %-18s %-20s %-20s %s\n' image "new file" "existing file" "peak RSS"
  for size in small large; do
    label="small (1 MiB)"
    [ "$size" = large ] && label="large (256 MiB)"
    printf '  %-18s %-20s %-20s %s KiB\n' "$label" "${result[$tool.$size.new]}" \
      "${result[$tool.$size.existing]}" "${result[$tool.$size.rss]}"
  done
done
