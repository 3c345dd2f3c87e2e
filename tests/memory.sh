#!/usr/bin/env bash
# The peak memory of romweld's runs, which is the same from run to run, held
# to its limits: --version under 1 MiB, as nothing in static storage is
# built before main; an image of 1 MiB, one of 256 MiB, a packed one of many
# small files and one of a linked program of 62 banks each under 2 MiB, as
# the staging area and the plan are all that grows, and the program's
# records are read again bank by bank, never held. Time stays in bench/, where it can be compared.
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

# A linked program whose records fill 62 banks, about 3 MB of text.
python3 -c 'def record(kind, address, data):
    raw = bytes([len(data), address >> 8 & 255, address & 255, kind]) + data
    return ":" + raw.hex().upper() + "%02X\n" % (-sum(raw) & 255)
lines = []
for segment in [0] + list(range(1, 63)):
    start, size = (0x8000, 16384) if segment == 0 else (0xC000, 16128)
    lines.append(record(4, 0, bytes([0, segment])))
    lines += [record(0, start + at, bytes([0xAA, 0x55] * 8)) for at in range(0, size, 16)]
open("game.ihx", "w").write("".join(lines) + record(1, 0, b""))'

peak "--version" 1024 "$tool" --version
peak "an image of 1 MiB" 2048 "$tool" small.rom program.bin small1.dat small2.dat small3.dat
peak "an image of 256 MiB" 2048 "$tool" large.rom program.bin large1.dat large2.dat
peak "a packed image of 1,000 files" 2048 "$tool" --pack --map packed.map packed.rom program.bin p*.dat
peak "a linked program of 62 banks" 2048 "$tool" --map linked.map linked.rom game.ihx
exit "$failed"
