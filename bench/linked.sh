#!/usr/bin/env bash
# Times romweld on a linked program in Intel HEX that fills 62 banks (a 1 MB
# image, about 3 MB of text) against objcopy turning the same file into a
# flat binary, and measures romweld's peak memory, which must stay under
# 2 MiB however large the file: the records are read again bank by bank,
# never held. Fails if romweld takes more than 1.5 times as long. Run by hand:
#
#   bench/linked.sh [path/to/romweld]       (default: build/romweld)
#
# Needs python3, GNU time and objcopy (Debian: binutils).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tool="$(realpath "${1:-build/romweld}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
# Segments 1 to 62 each fill their window, 16 bytes a record, and segment 0
# the program bank; the banks in an order other than the addresses', as a
# linker writes its areas.
python3 -c 'import random
random.seed(3)
def record(kind, address, data):
    raw = bytes([len(data), address >> 8 & 255, address & 255, kind]) + data
    return ":" + raw.hex().upper() + "%02X\n" % (-sum(raw) & 255)
lines = []
segments = list(range(1, 63)) + [0]
random.shuffle(segments)
for segment in segments:
    start, size = (0x8000, 16384) if segment == 0 else (0xC000, 16128)
    lines.append(record(4, 0, bytes([0, segment])))
    data = bytes(random.getrandbits(8) for _ in range(size))
    if segment == 0:
        data = b"\xAA\x55" + data[2:]
    for at in range(0, size, 16):
        lines.append(record(0, start + at, data[at:at + 16]))
lines.append(record(1, 0, b""))
open("game.ihx", "w").write("".join(lines))'
echo "game.ihx: $(wc -c <game.ihx) bytes of text"
rss=$( /usr/bin/time -o rss -f %M "$tool" -q game.rom game.ihx >/dev/null 2>&1; cat rss)
echo "romweld's peak RSS: $rss KiB"
read -r ours theirs ratio < <(python3 "$here/interleave.py" 20 "" \
  "/dev/null $tool -q game.rom game.ihx" "/dev/null objcopy -I ihex -O binary game.ihx flat.bin")
echo "romweld $ours ms, objcopy -I ihex -O binary $theirs ms, ratio $ratio"
python3 -c 'import sys; sys.exit(0 if float(sys.argv[1]) <= 1.5 and int(sys.argv[2]) < 2048 else
  "romweld takes more than 1.5 times objcopy, or 2 MiB or more")' "$ratio" "$rss"
