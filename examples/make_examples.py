#!/usr/bin/env python3
"""Writes the example's data files again, byte for byte: three made-up data
files whose sizes are chosen so that the image needs padding: with the
program's bank, 1 + 2 + 1 + 1 = 5 banks, rounded up to 8. The program,
program.bin, is what pasmo makes of program.asm."""

from pathlib import Path

here = Path(__file__).resolve().parent


def noise(seed, size):
    # A small linear congruential generator: the same bytes on every system.
    out = bytearray()
    state = seed
    for _ in range(size):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out.append(state >> 16 & 0xFF)
    return bytes(out)


def text(line, size):
    data = (line * (size // len(line) + 1))[:size]
    return data.encode("ascii")


(here / "title.dat").write_bytes(text("ROMWELD EXAMPLE TITLE SCREEN\r\n", 20000))
(here / "level1.dat").write_bytes(noise(2, 16128))
(here / "music.dat").write_bytes(noise(3, 9000))
