#!/usr/bin/env bash
# Times romweld against cat of the same input files into a file, in the same
# hyperfine run with the page cache warm, for a small image with padding and a
# large one without, then measures each one's peak memory. Run by hand:
#
#   bench/run.sh [path/to/romweld]      (default: build/romweld)
#
# Needs hyperfine and GNU time (Debian: apt-get install hyperfine time), and
# about 1.1 GB free in the temporary folder.
set -euo pipefail
tool="$(realpath "${1:-build/romweld}")"
runs="${RUNS:-30}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

bytes() { head -c "$2" /dev/urandom >"$1"; }

# small: an 8 KiB program and three data files of 15, 15 and 10 banks. With
# the program that is 41 banks, padded to 64: a 1 MiB image.
mkdir small && bytes small/program.bin 8192
bytes small/title.dat $((15 * 16128)); bytes small/level.dat $((15 * 16128))
bytes small/music.dat $((10 * 16128))
# large: a program and 16,383 banks of data, 256 MiB without padding.
mkdir large && bytes large/program.bin 8192
bytes large/a.dat $((8192 * 16128)); bytes large/b.dat $((8191 * 16128))

ratio_of() { # hyperfine JSON export: the tool's mean time over cat's
  python3 -c 'import json, sys
r = json.load(open(sys.argv[1]))["results"]
print("%.2f" % (r[0]["mean"] / r[1]["mean"]))' "$1"
}

for size in small large; do
  inputs=$(cd "$size" && ls -- *.dat | tr '\n' ' ')
  # Each run writes a new file, as after `make clean`, and starts with no dirty
  # pages left by the run before: the inputs stay in the page cache, and the
  # time of truncating or flushing an old image does not blur the comparison.
  (cd "$size" && hyperfine --warmup 3 --runs "$runs" --export-json ../"$size".json \
    --prepare 'rm -f image.rom cat.rom; sync' \
    -n romweld "'$tool' image.rom program.bin $inputs >/dev/null" \
    -n cat "cat $inputs program.bin >cat.rom")
  # Peak resident memory, in KiB, of one run.
  rss=$(cd "$size" && /usr/bin/time -f %M "$tool" image.rom program.bin $inputs 2>&1 >/dev/null)
  eval "${size}_ratio=$(ratio_of "$size.json") ${size}_rss=$rss"
done

echo
echo "small image (1 MiB):   romweld/cat time ratio $small_ratio, peak RSS $small_rss KiB"
echo "large image (256 MiB): romweld/cat time ratio $large_ratio, peak RSS $large_rss KiB"
