#!/usr/bin/env python3
"""A banked C game, linked by SDCC into one Intel HEX file, made into an
image by romweld and run in openMSX; and the placement mistakes such a link
makes, each of which romweld must refuse.

The game (tests/console/banked/) is built with Debian's sdcc for the Z80: its
own crt0 with the cartridge header at 0x8000 and its set_bank, those of the
README's example (examples/sdcc/), constant tables in BANK1,
BANK2 and BANK5 (--constseg), a __banked function under #pragma bank 3
(area _CODE_3), and code with its table in BANK4 (--codeseg), which main
calls through set_bank. sdld puts a bank's window at 0xC000 of the segment
that -Wl-b gives it, and romweld makes segment s bank s mod N of an image of
N banks.

images: the game linked with the banks in segments 1 to 5, and again in
segments 0xF9 to 0xFD (the pages of a 128 KB image), must give one image of
8 banks; the game linked again with two data files beside it, which it reads
through their pages, needs the data banks right before the program bank,
and so 16 banks. Each image holds every byte of the .ihx where the banks say,
its linked banks end in 256 zeros, its map names the linked banks, and
openMSX runs it: the results the game leaves in RAM must be those this test
works out from the same tables. The same image comes from the .ihx written
with extended segment records instead of extended linear ones, and with
start address records added.

mistakes: each link that puts a byte where no bank can hold it, or a byte
twice, is one that sdcc links without complaint; romweld must refuse it
with status 17, name the address of the first such byte, and leave the old
image and map as they were. So must it refuse a damaged .ihx.

    tests/console/banked.py path/to/romweld
    tests/console/banked.py --stand-in

--stand-in makes the images with this test's own reading of the .ihx
instead of romweld, to check the game, the links and the emulator on their
own; it runs no mistake through romweld.

Needs sdcc, openmsx and pasmo (Debian's packages of those names).
"""

import os
import random
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import run as console  # noqa: E402

SOURCES = os.path.join(HERE, "banked")
# The crt0 and set_bank are the README's example's, which this game shares.
EXAMPLE = os.path.join(os.path.dirname(os.path.dirname(HERE)), "examples", "sdcc")
BANK = console.BANK
PIECE = console.PIECE
REFUSED = 17
SEED = 0xC0DE

# The sizes of the game's tables. BANK1 and BANK2 together leave room for
# BANK2 to be linked 4 bytes into BANK1 without reaching 0xFF00, so that the
# only fault of that link is the bytes written twice; BANK5 fills its window
# to 0xFEFF, the last byte a bank may hold.
TABLE1_SIZE = 10000
TABLE2_WORDS = 3000
WEAVE_SIZE = 256
WEAVE_SEED = 0x1D0F
WEAVE_ROUNDS = 3
TABLE4_SIZE = 500
TABLE5_SIZE = PIECE

# The data files of the third image: two banks (the second holding one
# byte) and one, which the game reads through their pages.
DATA_SIZES = [PIECE + 1, 300]

# Where each bank's area is linked: segment s, window 0xC000. The first
# numbering counts the banks from 1; the second uses the pages of a 128 KB
# image, 0xF9 for its bank 1, which is the same bank of an 8-bank image.
AREAS = ["_BANK1", "_BANK2", "_CODE_3", "_BANK4", "_BANK5"]
FIRST = {area: (n + 1) * 0x10000 + 0xC000 for n, area in enumerate(AREAS)}
SECOND = {area: (0xF9 + n) * 0x10000 + 0xC000 for n, area in enumerate(AREAS)}


class Fault(Exception):
    """A byte no bank can hold, or a record that is not one, at address
    (None where a record has none)."""

    def __init__(self, address, why):
        super().__init__(why)
        self.address = address
        self.why = why


# Reading the .ihx as romweld is to read it: for what the images must hold,
# and to know that each mistake put its fault where it means to.

def records(text):
    """The data of an Intel HEX file, as (linear address, bytes) in the
    order of its records."""
    chunks = []
    base = 0
    ended = False
    for number, line in enumerate(text.splitlines(), 1):
        line = line.strip()
        if not line:
            continue
        if not re.fullmatch(r":([0-9A-Fa-f]{2})+", line):
            raise Fault(None, "line %d is not a record" % number)
        raw = bytes.fromhex(line[1:])
        if len(raw) < 5 or raw[0] != len(raw) - 5:
            raise Fault(None, "line %d: length" % number)
        if sum(raw) & 0xFF:
            raise Fault(None, "line %d: checksum" % number)
        kind, offset, data = raw[3], raw[1] << 8 | raw[2], raw[4:-1]
        if kind == 0:
            chunks.append((base + offset, data))
        elif kind == 1:
            ended = True
            break
        elif kind == 2:
            base = int.from_bytes(data, "big") << 4
        elif kind == 4:
            base = int.from_bytes(data, "big") << 16
        elif kind not in (3, 5):
            raise Fault(None, "line %d: record type %02X" % (number, kind))
    if not ended:
        raise Fault(None, "no end record")
    return chunks


def placed(chunks):
    """Every byte by its address; a Fault at the first that no bank holds."""
    memory = {}
    for start, data in chunks:
        for i, value in enumerate(data):
            address = start + i
            segment, offset = address >> 16, address & 0xFFFF
            if address >= 1 << 24:
                raise Fault(address, "at or past 16 MB")
            if segment == 0 and not 0x8000 <= offset < 0xC000:
                raise Fault(address, "outside the program bank in segment 0")
            if segment and not 0xC000 <= offset < 0xFF00:
                raise Fault(address, "outside the window 0xC000-0xFEFF")
            if address in memory:
                raise Fault(address, "given twice")
            memory[address] = value
    return memory


def read_ihx(path):
    return placed(records(open(path, encoding="ascii").read()))


def data_banks(sizes):
    return sum((size + PIECE - 1) // PIECE for size in sizes)


def bank_count(memory, sizes):
    """The smallest power of two where every segment, the data banks and
    the program bank have banks of their own."""
    segments = {address >> 16 for address in memory} - {0}
    first_data = -1 - data_banks(sizes)
    banks = 1
    while banks + first_data < 0 or \
            len({s % banks for s in segments}) != len(segments) or \
            any(s % banks >= banks + first_data for s in segments):
        banks *= 2
    return banks


def offset(address, banks):
    """Where a byte of the .ihx stands in an image of banks banks."""
    if address >> 16 == 0:
        return (banks - 1) * BANK + address - 0x8000
    return (address >> 16) % banks * BANK + (address & 0xFFFF) - 0xC000


def lay_out(memory, files, banks):
    """The image, padding left zero: the test's stand-in for romweld, and
    what romweld's data banks are compared with."""
    image = bytearray(banks * BANK)
    for address, value in memory.items():
        image[offset(address, banks)] = value
    bank = banks - 1 - data_banks([len(data) for data in files])
    for data in files:
        for at in range(0, len(data), PIECE):
            image[bank * BANK:bank * BANK + len(data[at:at + PIECE])] = data[at:at + PIECE]
            bank += 1
    return bytes(image)


def filled_banks(memory, banks):
    return sorted({(address >> 16) % banks for address in memory if address >> 16})


# The game's tables and what the game must compute from them, as main.c,
# bank3.c and bank4.c do.

def weave(seed, table, rounds):
    crc = seed
    for _ in range(rounds):
        for value in table:
            crc ^= value << 8
            for _ in range(8):
                crc = ((crc << 1) ^ 0x1021 if crc & 0x8000 else crc << 1) & 0xFFFF
    return crc


class Game:
    """The game's tables, made from a seed, written as C for sdcc and read
    here for the results the game must leave in RAM."""

    def __init__(self, seed):
        rng = random.Random(seed)
        self.table1 = [rng.getrandbits(8) for _ in range(TABLE1_SIZE)]
        self.table2 = [rng.getrandbits(16) for _ in range(TABLE2_WORDS)]
        self.weave_table = [rng.getrandbits(8) for _ in range(WEAVE_SIZE)]
        self.table4 = [rng.getrandbits(8) for _ in range(TABLE4_SIZE)]
        self.table5 = [rng.getrandbits(8) for _ in range(TABLE5_SIZE)]

    def results(self, files=None):
        weighted = sum((i + 1) * v for i, v in enumerate(self.table4)) & 0xFFFF
        weighted ^= sum(self.table4) & 0xFFFF
        want = [sum(self.table1) & 0xFFFF,
                sum(self.table2) & 0xFFFF,
                weave(WEAVE_SEED, self.weave_table, WEAVE_ROUNDS),
                2,
                self.table2[-1],
                (weave(weighted, self.weave_table, 1) + self.table4[-1]) & 0xFFFF,
                4,
                sum(self.table5) & 0xFFFF,
                self.table5[-1]]
        if files:
            want += [sum(files[0][:PIECE]) & 0xFFFF, files[0][PIECE], sum(files[1]) & 0xFFFF]
        return want

    def write(self, folder):
        """tables.h and the data modules, beside the game's sources."""
        def values(table):
            return "{" + ",".join(str(v) for v in table) + "}"

        with open(os.path.join(folder, "tables.h"), "w") as f:
            f.write("/* Made by banked.py: the sizes and contents of the game's tables. */\n")
            for name, value in (("TABLE1_SIZE", TABLE1_SIZE), ("TABLE2_WORDS", TABLE2_WORDS),
                                ("WEAVE_SIZE", WEAVE_SIZE), ("WEAVE_SEED", WEAVE_SEED),
                                ("WEAVE_ROUNDS", WEAVE_ROUNDS), ("TABLE4_SIZE", TABLE4_SIZE),
                                ("TABLE5_SIZE", TABLE5_SIZE)):
                f.write("#define %s %d\n" % (name, value))
            f.write("#define WEAVE_TABLE %s\n" % values(self.weave_table))
            f.write("#define TABLE4 %s\n" % values(self.table4))
        # The game's, which game.h declares; and BANK5's table one byte too
        # long, and 512 bytes too long, which runs on past 0xFFFF.
        tables = [("data1.c", "#include \"game.h\"\n", "unsigned char table1[TABLE1_SIZE]",
                   self.table1),
                  ("data2.c", "#include \"game.h\"\n", "unsigned int table2[TABLE2_WORDS]",
                   self.table2),
                  ("data5.c", "#include \"game.h\"\n", "unsigned char table5[TABLE5_SIZE]",
                   self.table5),
                  ("long5.c", "", "unsigned char table5[%d]" % (TABLE5_SIZE + 1),
                   self.table5 + [1]),
                  ("past5.c", "", "unsigned char table5[%d]" % (TABLE5_SIZE + 512),
                   self.table5 + [7] * 512)]
        for name, include, declaration, table in tables:
            with open(os.path.join(folder, name), "w") as f:
                f.write("%sconst %s = %s;\n" % (include, declaration, values(table)))


# Building.

def sdcc(args, cwd):
    done = subprocess.run(["sdcc", "-mz80"] + args, cwd=cwd, capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


def compile_game(folder, game, pages):
    """Every module of the game and of its mistakes, as .rel files in folder.
    pages: the data files' pages for main3.rel, the game that reads them."""
    for name in os.listdir(SOURCES):
        shutil.copy(os.path.join(SOURCES, name), folder)
    for name in ("crt0.s", "bank.s"):
        shutil.copy(os.path.join(EXAMPLE, name), folder)
    game.write(folder)
    for name in ("crt0", "bank", "past5b"):
        console.run(["sdasz80", "-o", name + ".rel", name + ".s"], folder)
    steps = [["-c", "main.c"], ["-c", "bank3.c"],
             ["-c", "--codeseg", "BANK4", "--constseg", "BANK4", "bank4.c"],
             ["-c", "--constseg", "BANK1", "data1.c"],
             ["-c", "--constseg", "BANK2", "data2.c"]]
    steps += [["-c", "--constseg", "BANK5", name] for name in ("data5.c", "long5.c", "past5.c")]
    steps.append(["-c", "-o", "main3.rel", "-DFILE0_PAGE=0x%X" % pages[0],
                  "-DFILE0_FIRST_BYTES=%d" % PIECE, "-DFILE1_PAGE=0x%X" % pages[1],
                  "-DFILE1_BYTES=%d" % DATA_SIZES[1], "main.c"])
    for step in steps:
        status, said = sdcc(step, folder)
        if status:
            raise SystemExit("sdcc -mz80 %s failed (%d):\n%s" % (" ".join(step), status, said))


GAME = ["crt0.rel", "main.rel", "bank.rel", "data1.rel", "data2.rel", "bank3.rel", "bank4.rel",
        "data5.rel"]
OWN_CRT0 = ["--no-std-crt0", "--code-loc", "0x8000", "--data-loc", "0x7100"]


def bases(areas):
    return ["-Wl-b%s=0x%X" % (area, address) for area, address in areas.items()]


def link(folder, name, options, modules):
    """sdcc's link of modules to name.ihx: its status and what it said."""
    for suffix in (".ihx", ".map", ".noi", ".lk"):
        if os.path.exists(os.path.join(folder, name + suffix)):
            os.remove(os.path.join(folder, name + suffix))
    return sdcc(options + ["-o", name + ".ihx"] + modules, folder)


def romweld_run(romweld, folder, args):
    """romweld's status and all it said; a run that does not end in two
    minutes is one that failed."""
    try:
        done = subprocess.run([romweld] + args, cwd=folder, capture_output=True, text=True,
                              timeout=120)
    except subprocess.TimeoutExpired:
        return -1, "romweld did not end in 120 s"
    return done.returncode, done.stdout + done.stderr


# The images.

def check_image(image, memory, files, banks):
    """What an image must hold: its size, every byte of the .ihx at its
    place, the data files' banks right before the program bank, and 256
    zeros at the end of every linked bank. A list of what is wrong."""
    wrong = []
    if len(image) != banks * BANK:
        return ["%d bytes, not the %d of %d banks" % (len(image), banks * BANK, banks)]
    misplaced = [a for a, v in memory.items() if image[offset(a, banks)] != v]
    if misplaced:
        wrong.append("%d bytes of the .ihx not at their place, the first from 0x%06X" %
                     (len(misplaced), min(misplaced)))
    for bank in filled_banks(memory, banks):
        if any(image[bank * BANK + PIECE:(bank + 1) * BANK]):
            wrong.append("bank %d does not end in 256 zeros" % bank)
    model = lay_out(memory, files, banks)
    first = banks - 1 - data_banks([len(d) for d in files])
    if image[first * BANK:(banks - 1) * BANK] != model[first * BANK:(banks - 1) * BANK]:
        wrong.append("the data banks %d-%d are not the data files" % (first, banks - 2))
    return wrong


def map_rows(path):
    """The rows of a bank map, each by the names of the header's columns;
    None if there is no map with the columns read here."""
    if not os.path.exists(path):
        return None
    lines = open(path, encoding="utf-8").read().splitlines()
    columns = lines[0].split("\t") if lines else []
    if not {"kind", "path", "first_bank", "banks", "first_page"} <= set(columns):
        return None
    return [dict(zip(columns, line.split("\t"))) for line in lines[1:]]


def check_map(path, memory, banks):
    """The map's linked rows: the banks the .ihx filled (the program bank
    may be among them), each at its page."""
    rows = map_rows(path)
    if rows is None:
        return ["no map with the columns kind, path, first_bank, banks, first_page"]
    covered = set()
    wrong = []
    for row in rows:
        if row.get("kind") != "linked":
            continue
        first, count = int(row["first_bank"]), int(row["banks"])
        covered.update(range(first, first + count))
        if int(row["first_page"], 16) != 0x10000 - banks + first:
            wrong.append("linked row of bank %d at page %s" % (first, row["first_page"]))
    filled = set(filled_banks(memory, banks))
    if not filled <= covered <= filled | {banks - 1}:
        wrong.append("linked banks %s in the map, the .ihx filled %s" % (sorted(covered),
                                                                           sorted(filled)))
    return wrong


def check_map_data(path, files):
    """The map's data rows: each file at the page the game reads it by."""
    rows = map_rows(path)
    if rows is None:
        return []
    got = [(r["path"], int(r["first_page"], 16)) for r in rows if r.get("kind") == "data"]
    sizes = [os.path.getsize(os.path.join(os.path.dirname(path), name)) for name in files]
    want = [(name, 0x10000 - 1 - data_banks(sizes[i:])) for i, name in enumerate(files)]
    return [] if got == want else ["data rows of the map %r, not %r" % (got, want)]


def names_pages(said, memory, banks):
    """The report names every bank the .ihx filled, by its page."""
    missing = ["%04X" % (0x10000 - banks + b) for b in filled_banks(memory, banks)
               if "%04X" % (0x10000 - banks + b) not in said.upper()]
    return ["the report does not name page%s %s" % ("s" if len(missing) > 1 else "",
                                                     ", ".join(missing))] if missing else []


def build_image(romweld, folder, ihx, files, out):
    """romweld's image of ihx and the data files (or the stand-in's): the
    image, and what is wrong with the run."""
    memory = read_ihx(os.path.join(folder, ihx))
    datas = [open(os.path.join(folder, f), "rb").read() for f in files]
    banks = bank_count(memory, [len(d) for d in datas])
    if romweld is None:
        image = lay_out(memory, datas, banks)
        with open(os.path.join(folder, out), "wb") as f:
            f.write(image)
        return image, banks, []
    status, said = romweld_run(romweld, folder, ["--map", out + ".map", out, ihx] + files)
    if status != 0:
        return None, banks, ["romweld status %d: %s" % (status, said.strip()[-300:])]
    image = open(os.path.join(folder, out), "rb").read()
    wrong = check_image(image, memory, datas, banks)
    wrong += check_map(os.path.join(folder, out + ".map"), memory, banks)
    wrong += names_pages(said, memory, banks)
    return image, banks, wrong


class Table:
    def __init__(self):
        self.failed = self.passed = 0
        print("%-52s %s" % ("image or mistake", "result"))

    def line(self, label, wrong, ok_text="ok"):
        self.failed += bool(wrong)
        self.passed += not wrong
        print("%-52s %s" % (label, ok_text if not wrong else "FAILED: " + "; ".join(wrong)))


def emulated(work, folder, image_name, want):
    got = console.emulate(work, os.path.join(folder, image_name))
    if got is None:
        return ["openMSX left no results"]
    if got[0] != console.DONE or got[2] != want:
        return ["openMSX: marker 0x%02X, want %r, got %r" % (got[0], want, got[2])]
    return []


def images(romweld, work, game, folder, table):
    rng = random.Random(SEED + 1)
    files = console.random_files(folder, "d%d.dat", DATA_SIZES, rng)
    datas = [open(os.path.join(folder, f), "rb").read() for f in files]

    built = {}
    for label, areas in (("first", FIRST), ("second", SECOND)):
        status, said = link(folder, label, OWN_CRT0 + bases(areas), GAME)
        if status:
            table.line("game, banks %s numbering: link" % label, ["sdcc status %d: %s" %
                                                                 (status, said.strip())])
            continue
        try:
            memory = read_ihx(os.path.join(folder, label + ".ihx"))
        except Fault as fault:
            table.line("game, banks %s numbering: link" % label, [
                "a fault at %s: %s" % (fault.address, fault.why)])
            continue
        wrong = []
        if [memory.get(0x8000), memory.get(0x8001)] != [0xAA, 0x55]:
            wrong.append("the link does not begin with AA 55 at 0x8000")
        segments = sorted({a >> 16 for a in memory} - {0})
        want_segments = sorted(address >> 16 for address in areas.values())
        if segments != want_segments:
            wrong.append("segments %s, not %s" % (segments, want_segments))
        image, banks, problems = build_image(romweld, folder, label + ".ihx", [], label + ".rom")
        wrong += problems
        if image is not None:
            built[label] = image
            wrong += ["%d banks, not 8" % banks] if banks != 8 else []
            wrong += emulated(work, folder, label + ".rom", game.results())
        table.line("game, banks in segments %X-%X" % (want_segments[0], want_segments[-1]), wrong)
    if len(built) == 2:
        table.line("the two numberings give one image",
                   [] if built["first"] == built["second"] else ["the images differ"])

    # The game that reads the data files: in 8 banks they would take banks
    # 4-6, where BANK4 and BANK5 are, so the image has 16, and they banks
    # 12-14.
    status, said = link(folder, "files", OWN_CRT0 + bases(FIRST),
                        [m if m != "main.rel" else "main3.rel" for m in GAME])
    if status:
        table.line("game with 2 data files: link", ["sdcc status %d: %s" % (status, said.strip())])
        return
    try:
        image, banks, wrong = build_image(romweld, folder, "files.ihx", files, "files.rom")
    except Fault as fault:
        image, wrong = None, ["a fault in the link at %s: %s" % (fault.address, fault.why)]
    if image is not None:
        wrong += ["%d banks, not 16" % banks] if banks != 16 else []
        wrong += check_map_data(os.path.join(folder, "files.rom.map"), files) if romweld else []
        wrong += emulated(work, folder, "files.rom", game.results(datas))
    table.line("game and 2 data files, banks 1-5 of 16", wrong)

    if romweld is None or "first" not in built:
        return
    # The same bytes in other records: extended segment records, whose
    # value times 0x10 is the base, and start address records, which tell
    # nothing of where bytes go. And the second numbering in 16 banks, where
    # segment 0xF9 is bank 9: the bytes must move, though the game, which
    # selects bank 1, would not run there.
    text = open(os.path.join(folder, "first.ihx"), encoding="ascii").read()
    with open(os.path.join(folder, "segment.ihx"), "w") as f:
        f.write(re.sub(r":02000004([0-9A-F]{4})[0-9A-F]{2}",
                       lambda m: record(2, 0, (int(m.group(1), 16) << 12).to_bytes(2, "big")),
                       text))
    with open(os.path.join(folder, "start.ihx"), "w") as f:
        f.write(record(3, 0, bytes([0, 0, 0x80, 0x0C])) + "\n" + text.replace(
            ":00000001FF", record(5, 0, bytes([0, 0, 0x80, 0x0C])) + "\n:00000001FF"))
    for label, ihx, options, banks in (
            ("game with extended segment records", "segment.ihx", [], 8),
            ("game with start address records", "start.ihx", [], 8),
            ("game, banks F9-FD, --min-banks 16: banks 9-13", "second.ihx",
             ["--min-banks", "16"], 16)):
        status, said = romweld_run(romweld, folder, options + ["variant.rom", ihx])
        wrong = ["romweld status %d: %s" % (status, said.strip()[-300:])] if status else []
        if not status:
            image = open(os.path.join(folder, "variant.rom"), "rb").read()
            wrong += check_image(image, read_ihx(os.path.join(folder, ihx)), [], banks)
            if banks == 8 and image != built["first"]:
                wrong.append("not the image of first.ihx")
        table.line(label, wrong)


def record(kind, address, data):
    raw = bytes([len(data), address >> 8, address & 0xFF, kind]) + data
    return ":" + (raw + bytes([-sum(raw) & 0xFF])).hex().upper()


# The mistakes.

def program_past(folder, first_ihx):
    """A filler in the program bank big enough that the program runs past
    0xBFFF, with the record that holds 0xC000 begun below it: past.ihx, and
    sdcc's status and what it said."""
    memory = read_ihx(os.path.join(folder, first_ihx))
    end = max(a for a in memory if a < 0x10000) + 1
    for extra in range(0x20, 0x40):
        size = 0xC000 - end + extra
        with open(os.path.join(folder, "filler.c"), "w") as f:
            f.write("const unsigned char filler[%d] = {1};\n" % size)
        status, said = sdcc(["-c", "filler.c"], folder)
        if status:
            raise SystemExit("sdcc -mz80 -c filler.c failed (%d):\n%s" % (status, said))
        status, said = link(folder, "past", OWN_CRT0 + bases(FIRST), GAME + ["filler.rel"])
        chunks = records(open(os.path.join(folder, "past.ihx"), encoding="ascii").read())
        if any(start < 0xC000 < start + len(data) for start, data in chunks):
            return status, said
    return 1, "no filler size gave a record across 0xC000"


MISTAKES = [
    # label, link options, modules, the address the fault must be at
    ("BANK5's table 1 byte into 0xFF00", OWN_CRT0 + bases(FIRST),
     [m if m != "data5.rel" else "long5.rel" for m in GAME], 0x5FF00),
    ("BANK5's table past 0xFFFF", OWN_CRT0 + bases(FIRST),
     [m if m != "data5.rel" else "past5.rel" for m in GAME], 0x5FF00),
    ("BANK5's bytes past 0xFFFF only", OWN_CRT0 + bases(FIRST), GAME + ["past5b.rel"], 0x60000),
    ("BANK2 linked 4 bytes into BANK1", OWN_CRT0 + bases(dict(
        FIRST, _BANK2=FIRST["_BANK1"] + TABLE1_SIZE - 4)), GAME, 0x1C000 + TABLE1_SIZE - 4),
    ("BANK1 linked over the program at 0x8180", OWN_CRT0 + bases(dict(FIRST, _BANK1=0x8180)),
     GAME, 0x8180),
    ("every bank at 0xC000 of segment 0", OWN_CRT0 + bases({a: 0xC000 for a in AREAS}), GAME,
     0xC000),
    # sdld puts an area it has no base for after the one before it, here
    # the game's variables in RAM.
    ("the banks with no -Wl-b", OWN_CRT0, GAME, "s__BANK1"),
    ("the standard crt0 left in", ["--code-loc", "0x8000", "--data-loc", "0x7100"] +
     bases(FIRST), GAME[1:], 0x0000),
    ("--code-loc 0x100", OWN_CRT0[:1] + ["--code-loc", "0x100", "--data-loc", "0x7100"] +
     bases(FIRST), GAME, 0x100),
    ("the program past 0xBFFF", None, None, 0xC000),
    ("windows at 0x4000", OWN_CRT0 + bases({a: v - 0x8000 for a, v in FIRST.items()}), GAME,
     0x14000),
    ("windows at 0x8000", OWN_CRT0 + bases({a: v - 0x4000 for a, v in FIRST.items()}), GAME,
     0x18000),
]


def linked_at(path, symbol):
    """The value of a symbol in sdld's map of a link, -1 if none."""
    found = re.search(r"^\s*([0-9A-Fa-f]+)\s+%s\s*$" % re.escape(symbol),
                      open(path, encoding="latin-1").read(), re.M) if os.path.exists(path) else None
    return int(found.group(1), 16) if found else -1


def damaged(text):
    """The good .ihx changed record by record: what, its lines, and the
    address the refusal must name (None for a record that is not one, which
    may have none). sdld writes no address past 24 bits (it keeps the low
    ones), so bytes at 16 MB are written here by hand."""
    lines = text.splitlines()
    at = next(i for i, l in enumerate(lines) if l.startswith(":20") and l[7:9] == "00")
    good = lines[at]
    checksum = good[:-2] + "%02X" % ((int(good[-2:], 16) + 1) & 0xFF)
    # One byte more than the record holds, with the checksum made right
    # for it, so that the length is the only thing wrong.
    longer = bytes.fromhex("21" + good[3:-2])
    longer = ":" + (longer + bytes([-sum(longer) & 0xFF])).hex().upper()
    end = lines.index(":00000001FF")
    far = [record(4, 0, b"\x01\x00"), record(0, 0xC000, b"\x01\x02\x03\x04")]
    return [("bytes at 16 MB", lines[:end] + far + lines[end:], 0x100C000),
            ("a record's checksum wrong", lines[:at] + [checksum] + lines[at + 1:], None),
            ("a record's length wrong", lines[:at] + [longer] + lines[at + 1:], None),
            ("a record of type 06", lines[:at] + [record(6, 0, b"\x00")] + lines[at:], None),
            ("no end record", lines[:end], None)]


def address_named(said, address):
    """Whether the output names address in hexadecimal, of 4 digits or more
    (leading zeros or none, any case)."""
    return any(int(run, 16) == address for run in re.findall(r"[0-9A-Fa-f]{4,}", said))


def refused(romweld, folder, ihx, old_image, old_map, address):
    """romweld on a mistake: what is wrong with how it took it."""
    with open(os.path.join(folder, "game.rom"), "wb") as f:
        f.write(old_image)
    with open(os.path.join(folder, "game.map"), "wb") as f:
        f.write(old_map)
    before = sorted(os.listdir(folder))
    status, said = romweld_run(romweld, folder, ["--map", "game.map", "game.rom", ihx])
    wrong = []
    if status != REFUSED:
        wrong.append("status %d, not %d" % (status, REFUSED))
    if address is not None and not address_named(said, address):
        wrong.append("0x%06X not named" % address)
    if open(os.path.join(folder, "game.rom"), "rb").read() != old_image:
        wrong.append("the old image changed")
    if open(os.path.join(folder, "game.map"), "rb").read() != old_map:
        wrong.append("the old map changed")
    if sorted(os.listdir(folder)) != before:
        wrong.append("files left: %s" % sorted(set(os.listdir(folder)) - set(before)))
    if wrong:
        wrong.append("said: %s" % " | ".join(said.strip().splitlines()[-3:]))
    return wrong


def mistakes(romweld, work, game, folder, table):
    """Each mistake linked with status 0 from sdcc, its fault where the
    mistake puts it; then refused by romweld."""
    status, said = link(folder, "first", OWN_CRT0 + bases(FIRST), GAME)
    if status:
        raise SystemExit("sdcc's link of the game failed (%d):\n%s" % (status, said))
    old_image = old_map = None
    if romweld is not None:
        status, said = romweld_run(romweld, folder, ["-q", "--map", "old.map", "old.rom",
                                                     "first.ihx"])
        if status:
            table.line("the game's image, to be kept by the mistakes",
                       ["romweld status %d: %s" % (status, said.strip()[-300:])])
            return
        old_image = open(os.path.join(folder, "old.rom"), "rb").read()
        old_map = open(os.path.join(folder, "old.map"), "rb").read()
    for number, (label, options, modules, address) in enumerate(MISTAKES):
        name = "mistake%d" % number
        if options is None:
            status, said = program_past(folder, "first.ihx")
            if not status:
                os.rename(os.path.join(folder, "past.ihx"), os.path.join(folder, name + ".ihx"))
        else:
            status, said = link(folder, name, options, modules)
        if isinstance(address, str):
            address = linked_at(os.path.join(folder, name + ".map"), address)
        wrong = []
        if status:
            wrong.append("sdcc status %d: %s" % (status, said.strip()[-300:]))
        else:
            try:
                read_ihx(os.path.join(folder, name + ".ihx"))
                wrong.append("the link holds no fault")
            except Fault as fault:
                if fault.address != address:
                    wrong.append("the link's first fault is at %s (%s), not 0x%06X" % (
                        "none" if fault.address is None else "0x%06X" % fault.address,
                        fault.why, address))
            if not wrong and romweld is not None:
                wrong = refused(romweld, folder, name + ".ihx", old_image, old_map, address)
        table.line("%s (0x%06X)" % (label, address), wrong,
                   "ok" if romweld is not None else "ok, in the .ihx (romweld not run)")
    if romweld is None:
        return
    text = open(os.path.join(folder, "first.ihx"), encoding="ascii").read()
    for number, (label, lines, address) in enumerate(damaged(text)):
        name = "damaged%d.ihx" % number
        with open(os.path.join(folder, name), "w") as f:
            f.write("\n".join(lines) + "\n")
        wrong = []
        try:
            read_ihx(os.path.join(folder, name))
            wrong.append("the change is no fault")
        except Fault as fault:
            if fault.address != address:
                wrong.append("the fault is at %s, not %s" % (fault.address, address))
        wrong = wrong or refused(romweld, folder, name, old_image, old_map, address)
        table.line(label + (" (0x%06X)" % address if address is not None else
                            " (no address asked)"), wrong)


def main():
    if len(sys.argv) != 2:
        raise SystemExit("usage: %s path/to/romweld | --stand-in" % sys.argv[0])
    romweld = None if sys.argv[1] == "--stand-in" else os.path.abspath(sys.argv[1])
    # 1 GiB of address space for this process and each it starts, which
    # they inherit: sdcc, openMSX and romweld need a few dozen MB, and one
    # that runs away fails here rather than taking the machine.
    resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
    start = time.monotonic()
    work = tempfile.mkdtemp(prefix="romweld-banked-")
    try:
        game = Game(SEED)
        folder = os.path.join(work, "game")
        os.makedirs(folder)
        # The data files' pages in the third image: its data banks stand
        # right before the program bank, the first file's two, then the
        # second's one.
        first = 0x10000 - 1 - data_banks(DATA_SIZES)
        compile_game(folder, game, [first, first + data_banks(DATA_SIZES[:1])])
        console.boot_rom(work)
        table = Table()
        images(romweld, work, game, folder, table)
        mistakes(romweld, work, game, folder, table)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%s in %.0f s" % ("all ok" if not table.failed else "%d FAILED" % table.failed,
                            time.monotonic() - start))
    print("banked: %d passed, %d failed" % (table.passed, table.failed))
    return 1 if table.failed else 0


if __name__ == "__main__":
    sys.exit(main())
