#!/usr/bin/env python3
"""Runs the README's command with its paths in every order, plain, as a
planning run, with each output option, and with each option's value
forgotten (so that the first path is taken for it), each with and without
-f, and checks after every run that romweld replaced only what it made:

- every file that romweld did not make (the program and the data files) is
  byte for byte as it was, unless -f was given and the run read it as one of
  the files it writes;
- no run writes over a file that it read as an input, -f or not;
- a run that fails leaves every file as it was, and no temporary file.

The folder holds the example's files, with game.rom and game.map made by
romweld beforehand, as a game's build folder does; two data files of the
sizes of images, one bank of anything and two banks that begin with a
cartridge header, for a second command; and a user's files whose banks end in
zeros, as an image's data banks do, for two more: two banks of data, a fresh
ext2 disk image of 1 MiB (mke2fs), a save file of zeros and a level of four
banks.

    tests/order_sweep.py path/to/romweld
"""

import itertools
import os
import shutil
import subprocess
import sys
import tempfile

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXAMPLES = os.path.join(SOURCE, "examples")
INPUTS = ["program.bin", "title.dat", "level1.dat", "music.dat"]
# The README's command, one whose data files have the sizes of images, and
# two with a user's files whose banks end in zeros: tiles, a disk image, a
# save file and a level.
COMMANDS = [["game.rom"] + INPUTS, ["game.rom", "program.bin", "vram.dat", "tiles.dat"],
            ["game.rom", "program.bin", "zeroed.dat", "disk.img"],
            ["game.rom", "program.bin", "save.dat", "level.dat"]]
OUTPUTS = [[], ["--plan"], ["--map", "game.map"], ["--equ", "pages.equ"], ["--sdas", "pages.s"],
           ["--header", "pages.h"]]
VALUED = ["--map", "--equ", "--sdas", "--header", "--banks", "--min-banks"]


def lay_out(romweld, folder):
    """The example's files, and an image and a map that romweld made."""
    os.makedirs(folder)
    for name in INPUTS:
        shutil.copy(os.path.join(EXAMPLES, name), folder)
    subprocess.run([romweld, "-q", "--min-banks", "8", "--map", "game.map", "game.rom"] + INPUTS,
                   cwd=folder, check=True)
    with open(os.path.join(folder, "vram.dat"), "wb") as f:
        f.write(bytes(range(256)) * 64)
    with open(os.path.join(folder, "tiles.dat"), "wb") as f:
        f.write(b"\xAA\x55" + bytes(i * 7 & 0xFF for i in range(32766)))
    # Banks that end in 256 zeros, as data banks do, and nothing else of an
    # image: no padding, no cartridge header.
    zeroed = lambda banks: b"".join(bytes((i * 13 + b) & 0xFF or 1 for i in range(16128)) +
                                    bytes(256) for b in range(banks))
    for name, data in (("zeroed.dat", zeroed(2)), ("save.dat", bytes(32768)),
                       ("level.dat", zeroed(4))):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    disk = os.path.join(folder, "disk.img")
    if subprocess.run(["mke2fs", "-q", "-F", "-t", "ext2", disk, "1024"],
                      capture_output=True).returncode != 0:
        # Where there is no mke2fs: zeros but for a superblock's magic.
        with open(disk, "wb") as f:
            f.write(bytes(1080) + b"\x53\xEF" + bytes(1024 * 1024 - 1082))
    return {name: open(os.path.join(folder, name), "rb").read() for name in os.listdir(folder)}


def read_as(args):
    """The files a command line names as outputs and as inputs, as romweld
    reads it: options before the first path, a valued option's value next."""
    outputs, i = [], 0
    while i < len(args) and args[i].startswith("-"):
        if args[i] in VALUED and i + 1 < len(args):
            if args[i] in VALUED[:4]:
                outputs.append(args[i + 1])
            i += 1
        i += 1
    paths = args[i:]
    plan = "--plan" in args[:i]
    if paths and not plan:
        outputs.append(paths[0])
    return outputs, paths[1:]


def judge(folder, found, args, status):
    """What is wrong after a run, or None."""
    outputs, inputs = read_as(args)
    forced = "-f" in args
    wrong = []
    for name, before in found.items():
        path = os.path.join(folder, name)
        now = open(path, "rb").read() if os.path.exists(path) else None
        if now == before:
            continue
        if status != 0:
            wrong.append("%s changed by a run that failed (status %d)" % (name, status))
        elif name in inputs:
            wrong.append("%s, an input, changed" % name)
        elif name not in outputs:
            wrong.append("%s changed, though no file of the run" % name)
        elif name not in ("game.rom", "game.map") and not forced:
            wrong.append("%s, which romweld did not make, replaced without -f" % name)
    left = [name for name in os.listdir(folder) if name.startswith(".romweld-")]
    if left:
        wrong.append("left %r" % left)
    return wrong


def main():
    romweld = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="romweld-order-")
    runs = checked = changed = 0
    failures = []
    statuses = {}
    try:
        pristine = os.path.join(work, "pristine")
        found = lay_out(romweld, pristine)
        folder = os.path.join(work, "run")
        option_sets = OUTPUTS + [[option] for option in VALUED]
        orders = [order for paths in COMMANDS for order in itertools.permutations(paths)]
        for order in orders:
            for options in option_sets:
                for force in ([], ["-f"]):
                    args = force + options + list(order)
                    shutil.rmtree(folder, ignore_errors=True)
                    shutil.copytree(pristine, folder)
                    done = subprocess.run([romweld] + args, cwd=folder, stdin=subprocess.DEVNULL,
                                          capture_output=True, timeout=60)
                    runs += 1
                    checked += len(found)
                    statuses[done.returncode] = statuses.get(done.returncode, 0) + 1
                    changed += sum(1 for name, data in found.items()
                                   if not os.path.exists(os.path.join(folder, name)) or
                                   open(os.path.join(folder, name), "rb").read() != data)
                    for wrong in judge(folder, found, args, done.returncode):
                        failures.append("romweld %s: %s" % (" ".join(args), wrong))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d runs (%d orders x %d option sets x with and without -f), %d files checked, "
          "%d replaced as asked, %d failures" % (runs, len(orders), len(option_sets), checked,
                                                  changed, len(failures)))
    print("statuses: " + ", ".join("%d: %d runs" % (status, count)
                                   for status, count in sorted(statuses.items())))
    for failure in failures[:40]:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
