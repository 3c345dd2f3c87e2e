#!/usr/bin/env python3
"""What romweld writes, used as the console's developers use it.

includes: each include, assembled or compiled by the tool it is for (pasmo
and Debian's z80asm for --equ, sdasz80 for --sdas, sdcc -mz80 for --header)
in a program that uses every constant; the bytes it assembles to, or what
the compiler checks, must be the constants of the bank map.

example: examples/program.bin must be what examples/program.asm assembles to
with pasmo and the include of the example's data files.

words: every word of the binaries of pasmo, z80asm and sdasz80 (strings),
and each followed by _X, that romweld takes as the name of a constant must
be read right by every assembler of the include that takes it, in the uses
that names checks.

names: every name that romweld refuses as a constant of an assembler
include (the tables of image/names.cpp) is refused with --equ and with
--sdas, and at least one of pasmo, z80asm and sdasz80 would have misread it:
it fails to assemble, or assembles to other bytes than the constant's in
"ld a,(NAME)", "ld hl,NAME", "jp NAME" and "dw NAME". A C header takes the
register names, and sdcc reads them as the constants; a name longer than
255 characters is refused with --sdas, whose sdasz80 would take two such
names for one, and taken with --equ, whose pasmo and z80asm tell them apart.

packed: openMSX runs packed images of 128 KB and 1 MB, of many small data
files, an empty one and a large one, twice: with a program for pasmo built
with the --equ include (pack.asm), and with one for sdasz80 built with the
--sdas include (pack.s). Each reads the first and the last byte of every
data file through its page and NAME_ADDR; each must be that file's byte.

emulator: openMSX runs the example image and one image of each MegaCart
board size, 128 KB to 1 MB, whose data files end on and just past the bank
boundaries. Its program (examples/program.asm, with a table of the files of
the image) selects every data bank by the pages of the generated include and
sums it; each sum must be that of the piece of the data file the bank was
to hold. The console's boot ROM is a stand-in, boot.asm.

    tests/console/run.py path/to/romweld [includes] [example] [names] [words] [emulator] [packed]

Needs pasmo, z80asm, sdcc and openmsx (Debian's packages of those names).
"""

import concurrent.futures
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
EXAMPLES = os.path.join(SOURCE, "examples")
PIECE = 16128
BANK = 16384
DONE = 0xA5


def run(args, cwd, **kwargs):
    done = subprocess.run(args, cwd=cwd, capture_output=True, text=True, **kwargs)
    if done.returncode != 0:
        raise SystemExit("%s failed (%d):\n%s%s" % (" ".join(args), done.returncode, done.stdout,
                                                    done.stderr))
    return done.stdout


def map_rows(path):
    """The data rows of a bank map: (path, first page, banks, bytes, address)."""
    lines = open(path, encoding="utf-8").read().splitlines()
    columns = lines[0].split("\t")
    rows = []
    for line in lines[1:]:
        row = dict(zip(columns, line.split("\t")))
        if row["kind"] == "data":
            rows.append((row["path"], int(row["first_page"], 16), int(row["banks"]),
                         int(row["bytes"]), 0xC000 + int(row["offset"])))
    return rows


def constant(name):
    base = re.sub(r"[^A-Za-z0-9]", "_", os.path.basename(name)).upper()
    return "_" + base if base[0].isdigit() else base


def includes(romweld, work):
    """Each include, assembled or compiled, must give the map's values.
    Packed, so that music.dat's address is not that of its bank."""
    names = ["title.dat", "level1.dat", "music.dat"]
    for name in names:
        shutil.copy(os.path.join(EXAMPLES, name), work)
    run([romweld, "-q", "--plan", "--pack", "--map", "pages.map", "--equ", "pages.equ", "--sdas", "pages.s",
         "--header", "pages.h", "game.rom", "program.bin"] + names, work)
    rows = map_rows(os.path.join(work, "pages.map"))
    words = []
    for name, page, banks, size, addr in rows:
        words += [page, banks, size, addr]
    want = b"".join(w.to_bytes(2, "little") for w in words)
    uses = ", ".join("%s, %s_BANKS, %s_BYTES, %s_ADDR" % ((constant(r[0]),) * 4) for r in rows)

    with open(os.path.join(work, "uses.asm"), "w") as f:
        f.write('        include "pages.equ"\n        org 0\n        dw %s\n' % uses)
    with open(os.path.join(work, "uses.s"), "w") as f:
        f.write('        .include "pages.s"\n        .area _CODE\n        .dw %s\n' % uses)
    with open(os.path.join(work, "uses.c"), "w") as f:
        f.write('#include "pages.h"\n#include "pages.h"\n')
        f.write("const unsigned int constants[] = {%s};\n" % uses)
        for i, (name, page, banks, size, addr) in enumerate(rows):
            c = constant(name)
            f.write("typedef char check_%d[%s == 0x%X && %s_BANKS == %d && %s_BYTES == %d"
                    " && %s_ADDR == 0x%X ? 1 : -1];\n" % (i, c, page, c, banks, c, size, c, addr))

    results = []
    run(["pasmo", "uses.asm", "pasmo.bin"], work)
    results.append(("--equ", "pasmo uses.asm pasmo.bin", open(os.path.join(work, "pasmo.bin"), "rb").read()))
    run(["z80asm", "-o", "z80asm.bin", "uses.asm"], work)
    results.append(("--equ", "z80asm -o z80asm.bin uses.asm",
                    open(os.path.join(work, "z80asm.bin"), "rb").read()))
    run(["sdasz80", "-o", "uses.rel", "uses.s"], work)
    run(["sdldz80", "-i", "uses.ihx", "uses.rel"], work)
    run(["makebin", "-p", "uses.ihx", "sdas.bin"], work)
    results.append(("--sdas", "sdasz80 -o uses.rel uses.s; sdldz80; makebin",
                    open(os.path.join(work, "sdas.bin"), "rb").read()[:len(want)]))
    run(["sdcc", "-mz80", "-c", "uses.c"], work)
    results.append(("--header", "sdcc -mz80 -c uses.c", want))
    failed = 0
    for option, command, got in results:
        ok = got == want
        failed += not ok
        print("%-9s %-48s %s" % (option, command, "ok" if ok else "WRONG: %r" % got))
    return failed


def refused_names():
    """The names of the tables in image/names.cpp that romweld refuses."""
    code = open(os.path.join(SOURCE, "image", "names.cpp"), encoding="utf-8").read()
    names = []
    for table in ("registers", "instructions", "directives"):
        body = re.search(r"std::string_view %s\[\] = \{(.*?)\};" % table, code, re.S).group(1)
        names += re.findall(r'"([A-Z0-9]+)"', body)
    return names


# What "ld a,(NAME)", "ld hl,NAME", "jp NAME" and "dw NAME" assemble to for a
# constant of 0xFFFE.
USES = bytes([0x3A, 0xFE, 0xFF, 0x21, 0xFE, 0xFF, 0xC3, 0xFE, 0xFF, 0xFE, 0xFF])


def assembled(command, work, out):
    """The bytes a command writes to out, or None where it fails."""
    if os.path.exists(os.path.join(work, out)):
        os.remove(os.path.join(work, out))
    for step in command:
        if subprocess.run(step, cwd=work, capture_output=True).returncode != 0:
            return None
    return open(os.path.join(work, out), "rb").read() if os.path.exists(os.path.join(work, out)) \
        else None


def misread(name, work):
    """How pasmo, z80asm and sdasz80 read a constant of that name."""
    with open(os.path.join(work, "n.equ"), "w") as f:
        f.write("%s: EQU 0xFFFE\n" % name)
    with open(os.path.join(work, "n.asm"), "w") as f:
        f.write('        include "n.equ"\n        org 0\n        ld a,(%s)\n        ld hl,%s\n'
                "        jp %s\n        dw %s\n" % (name, name, name, name))
    with open(os.path.join(work, "n.s"), "w") as f:
        f.write("%s = 0xFFFE\n        .area _CODE\n        ld a,(%s)\n        ld hl,#%s\n"
                "        jp %s\n        .dw %s\n" % (name, name, name, name, name))
    got = [assembled([["pasmo", "n.asm", "p.bin"]], work, "p.bin"),
           assembled([["z80asm", "-o", "z.bin", "n.asm"]], work, "z.bin"),
           assembled([["sdasz80", "-o", "n.rel", "n.s"], ["sdldz80", "-i", "n.ihx", "n.rel"],
                      ["makebin", "-p", "n.ihx", "s.bin"]], work, "s.bin")]
    return ["ok" if b is not None and b[:len(USES)] == USES else
            ("fails" if b is None else "other code") for b in got]


def refused(romweld, work, name, option):
    """romweld's status for a data file of that name, with the include asked."""
    with open(os.path.join(work, name), "wb") as f:
        f.write(b"x")
    done = subprocess.run([romweld, "-q", "--plan", option, "pages.inc", "game.rom", "program.bin",
                           name], cwd=work, capture_output=True)
    os.remove(os.path.join(work, name))
    return done.returncode


def names(romweld, work):
    """Every refused name refused, and misread by a real assembler."""
    failed = 0
    print("%-8s %-12s %-12s %-11s %-11s %-11s" % ("name", "--equ", "--sdas", "pasmo", "z80asm",
                                                    "sdasz80"))
    for name in refused_names():
        equ, sdas = (refused(romweld, work, name.lower(), o) for o in ("--equ", "--sdas"))
        reads = misread(name, work)
        ok = equ == 9 and sdas == 9 and reads != ["ok", "ok", "ok"]
        failed += not ok
        print("%-8s %-12s %-12s %-11s %-11s %-11s%s" % (
            name, "refused" if equ == 9 else "status %d" % equ,
            "refused" if sdas == 9 else "status %d" % sdas, *reads, "" if ok else "  WRONG"))
    # A C header takes the register names, and sdcc reads them right.
    for name in ("hl", "int"):
        with open(os.path.join(work, name), "wb") as f:
            f.write(b"x" * 300)
    run([romweld, "-q", "--plan", "--header", "c.h", "game.rom", "program.bin", "hl", "int"], work)
    with open(os.path.join(work, "c.c"), "w") as f:
        f.write('#include "c.h"\ntypedef char check[HL_BYTES == 300 && INT_BYTES == 300 && '
                "HL == 0xFFFD && INT == 0xFFFE ? 1 : -1];\nint x;\n")
    c_ok = subprocess.run(["sdcc", "-mz80", "-c", "c.c"], cwd=work, capture_output=True).returncode == 0
    failed += not c_ok
    print("--header with data files hl and int: sdcc reads HL and INT as the constants: %s" %
          ("yes" if c_ok else "NO"))
    # C keeps every name that begins with _ and a capital or a second _: one
    # defined again changes what sdcc reads, so --header refuses it.
    kept = refused(romweld, work, "__line__", "--header")
    with open(os.path.join(work, "k.c"), "w") as f:
        f.write("#define __LINE__ 0xFFFD\nconst unsigned int line = __LINE__;\n")
    subprocess.run(["sdcc", "-mz80", "-c", "k.c"], cwd=work, capture_output=True)
    k_asm = os.path.join(work, "k.asm")
    kept_misread = os.path.exists(k_asm) and "0xfffd" in open(k_asm).read().lower()
    failed += not (kept == 9 and kept_misread)
    print("--header with data file __line__: %s; sdcc reads __LINE__ as the constant, not the "
          "line: %s" % ("refused" if kept == 9 else "status %d" % kept,
                        "yes" if kept_misread else "no"))
    # Names longer than sdasz80 tells apart: two of 256 characters that differ
    # only in their last.
    long = "L" * 255
    long_sdas = refused(romweld, work, long.lower(), "--sdas")
    long_equ = refused(romweld, work, long.lower(), "--equ")
    with open(os.path.join(work, "l.s"), "w") as f:
        f.write("%sA = 1\n%sB = 2\n        .area _CODE\n        .dw %sA, %sB\n" % ((long,) * 4))
    sdas_long = assembled([["sdasz80", "-o", "l.rel", "l.s"], ["sdldz80", "-i", "l.ihx", "l.rel"],
                           ["makebin", "-p", "l.ihx", "l.bin"]], work, "l.bin")
    with open(os.path.join(work, "l.asm"), "w") as f:
        f.write("%sA: EQU 1\n%sB: EQU 2\n        org 0\n        dw %sA, %sB\n" % ((long,) * 4))
    pasmo_long = assembled([["pasmo", "l.asm", "l.bin"]], work, "l.bin")
    z80asm_long = assembled([["z80asm", "-o", "l.bin", "l.asm"]], work, "l.bin")
    told = bytes([1, 0, 2, 0])
    long_ok = long_sdas == 9 and long_equ == 0 and (sdas_long or b"")[:4] != told and \
        pasmo_long == told and z80asm_long == told
    failed += not long_ok
    print("a name of %d characters: --sdas %s, --equ %s; two of 256 told apart by sdasz80 %s, "
          "pasmo %s, z80asm %s" % (len(long), "refused" if long_sdas == 9 else long_sdas,
                                   "taken" if long_equ == 0 else long_equ,
                                   "yes" if (sdas_long or b"")[:4] == told else "no",
                                   "yes" if pasmo_long == told else "no",
                                   "yes" if z80asm_long == told else "no"))
    return failed


def binary_words():
    """Every word of the assemblers' own binaries, as the name of a constant:
    the registers, instructions, directives and operators they know are
    among them, whatever their manuals say; and each followed by _X, as a
    name may begin with one, and Debian's z80asm reads a condition and _ at
    the start of a name as the condition of a jump."""
    words = set()
    for tool in ("pasmo", "z80asm", "sdasz80"):
        text = subprocess.run(["strings", "-n", "1", shutil.which(tool)], capture_output=True,
                              check=True).stdout.decode("latin-1")
        words.update(word.upper() for word in re.findall(r"[A-Za-z_][A-Za-z0-9_]*", text))
    return sorted(words | {word + "_X" for word in words})


def read_as_written(romweld, work, word):
    """None if romweld refuses a data file named after word with both
    includes, or every assembler reads its constant right; else what each
    assembler made of it."""
    taken = [option for option in ("--equ", "--sdas") if refused(romweld, work, word.lower(), option) != 9]
    if not taken:
        return None
    reads = misread(word, work)
    wrong = ("--equ" in taken and reads[:2] != ["ok", "ok"]) or ("--sdas" in taken and reads[2] != "ok")
    return reads if wrong else None


def words(romweld, work):
    """No word of the assemblers' binaries that one of them misreads as a
    constant is taken by romweld."""
    found = binary_words()
    folders = [os.path.join(work, "w%d" % i) for i in range(os.cpu_count() or 1)]
    for folder in folders:
        os.makedirs(folder)

    def check(chunk):
        folder, names = chunk
        return [(name, read_as_written(romweld, folder, name)) for name in names]

    chunks = [(folder, found[i::len(folders)]) for i, folder in enumerate(folders)]
    with concurrent.futures.ThreadPoolExecutor(len(folders)) as pool:
        results = [row for rows in pool.map(check, chunks) for row in rows]
    wrong = sorted((name, reads) for name, reads in results if reads is not None)
    for name, reads in wrong:
        print("%-12s taken by romweld; pasmo %s, z80asm %s, sdasz80 %s: WRONG" % (name, *reads))
    print("words of pasmo, z80asm and sdasz80: %d, misread and taken by romweld: %d" %
          (len(found), len(wrong)))
    return len(wrong)


def program_source(files):
    """examples/program.asm with its table of files made from files."""
    source = open(os.path.join(EXAMPLES, "program.asm"), encoding="utf-8").read()
    table = "".join("        dw %s, %s_BANKS\n" % (constant(n), constant(n)) for n in files)
    begin = source.index("        ; files begin\n") + len("        ; files begin\n")
    end = source.index("        ; files end\n")
    return source[:begin] + table + source[end:]


def assemble(romweld, work, files, source):
    run([romweld, "-q", "--plan", "--equ", "pages.equ", "game.rom", "program.bin"] + files, work)
    with open(os.path.join(work, "program.asm"), "w") as f:
        f.write(source)
    run(["pasmo", "program.asm", "program.bin"], work)


def example(romweld, work):
    files = ["title.dat", "level1.dat", "music.dat"]
    for name in files:
        shutil.copy(os.path.join(EXAMPLES, name), work)
    assemble(romweld, work, files, open(os.path.join(EXAMPLES, "program.asm")).read())
    same = open(os.path.join(work, "program.bin"), "rb").read() == \
        open(os.path.join(EXAMPLES, "program.bin"), "rb").read()
    print("examples/program.bin is what pasmo makes of examples/program.asm: %s" %
          ("yes" if same else "NO"))
    return 0 if same else 1


def boot_rom(work):
    shutil.copy(os.path.join(HERE, "boot.asm"), work)
    run(["pasmo", "boot.asm", "boot.rom"], work)
    machines = os.path.join(work, "home", ".openMSX", "share", "machines")
    os.makedirs(machines)
    config = open("/usr/share/openmsx/machines/ColecoVision.xml", encoding="utf-8").read()
    config = re.sub(r"<filename>[^<]*</filename>",
                    "<filename>%s</filename>" % os.path.join(work, "boot.rom"), config)
    config = re.sub(r"\s*<sha1>[^<]*</sha1>", "", config)
    with open(os.path.join(machines, "RomweldColeco.xml"), "w") as f:
        f.write(config)


def emulate(work, image):
    out = os.path.join(work, "ram.txt")
    script = os.path.join(work, "check.tcl")
    with open(script, "w") as f:
        f.write("set out {%s}\n" % out + open(os.path.join(HERE, "check.tcl")).read())
    if os.path.exists(out):
        os.remove(out)
    env = dict(os.environ, HOME=os.path.join(work, "home"), SDL_VIDEODRIVER="dummy",
               SDL_AUDIODRIVER="dummy")
    subprocess.run(["openmsx", "-machine", "RomweldColeco", "-carta", image, "-romtype",
                    "ColecoMegaCart", "-command", "set renderer none", "-script", script],
                   cwd=work, env=env, capture_output=True, timeout=300)
    if not os.path.exists(out):
        return None
    words = [int(w) for w in open(out).read().split()]
    return words[0], words[1], words[2:]


def random_files(folder, name, sizes, rng):
    """Data files of random bytes, of the sizes given, named name % i."""
    files = []
    for i, size in enumerate(sizes):
        with open(os.path.join(folder, name % i), "wb") as f:
            f.write(bytes(rng.getrandbits(8) for _ in range(size)))
        files.append(name % i)
    return files


def board(romweld, work, banks, seed):
    """An image of banks banks: data files of exactly one bank, one byte
    more, two banks, one byte, none, and one that fills the rest."""
    sizes = [PIECE, PIECE + 1, 2 * PIECE, 1, 0, (banks - 7) * PIECE]
    return random_files(work, "d%d.dat", sizes, random.Random(seed))


def expected_sums(work, files):
    sums = []
    for name in files:
        data = open(os.path.join(work, name), "rb").read()
        sums += [sum(data[at:at + PIECE]) & 0xFFFF for at in range(0, len(data), PIECE)]
    return sums


def emulator(romweld, work):
    boot_rom(work)
    failed = 0
    print("%-10s %6s %14s %14s %-8s %8s" % ("image", "banks", "banks checked", "pages checked",
                                             "result", "seconds"))
    cases = [("example", None)] + [("%dk" % (banks * 16), banks) for banks in (8, 16, 32, 64)]
    for label, banks in cases:
        folder = os.path.join(work, label)
        os.makedirs(folder)
        if banks is None:
            files = ["title.dat", "level1.dat", "music.dat"]
            for name in files:
                shutil.copy(os.path.join(EXAMPLES, name), folder)
            shutil.copy(os.path.join(EXAMPLES, "program.bin"), folder)
        else:
            files = board(romweld, folder, banks, banks)
            assemble(romweld, folder, files, program_source(files))
        run([romweld, "-q", "--map", "game.map", "game.rom", "program.bin"] + files, folder)
        rows = map_rows(os.path.join(folder, "game.map"))
        size = os.path.getsize(os.path.join(folder, "game.rom"))
        start = time.monotonic()
        got = emulate(work, os.path.join(folder, "game.rom"))
        seconds = time.monotonic() - start
        want = expected_sums(folder, files)
        ok = got is not None and got[0] == DONE and got[1] == len(want) and got[2] == want
        failed += not ok
        pages = len([r for r in rows if r[2] > 0])
        print("%-10s %6d %14d %14d %-8s %8.1f" % (label, size // BANK, got[1] if got else 0,
                                                  pages, "ok" if ok else "FAILED", seconds))
        if not ok:
            print("  want %r\n  got  %r" % (want, got))
    return failed


def places(files, sizes, form):
    """The table of a packed program: for each data file that is not empty,
    the page and the address of its first byte, then of its last."""
    rows = []
    for name, size in zip(files, sizes):
        if size == 0:
            continue
        c = constant(name)
        last = "(%s_ADDR - 0xC000 + %s_BYTES - 1)" % (c, c)
        rows.append("%s %s, %s_ADDR\n" % (form["dw"], c, c))
        rows.append("%s %s + %s / 16128, 0xC000 + %s %s 16128\n" % (form["dw"], c, last, last,
                                                                   form["mod"]))
    return "".join("        " + row for row in rows)


def with_places(source, table):
    begin = source.index("        ; places begin\n") + len("        ; places begin\n")
    return source[:begin] + table + source[source.index("        ; places end\n"):]


def build_packed(romweld, work, files, sizes, assembler):
    """program.bin of the packed program for one assembler, from the
    includes of a planning run."""
    run([romweld, "-q", "--plan", "--pack", "--equ", "pages.equ", "--sdas", "pages.s", "game.rom",
         "program.bin"] + files, work)
    if assembler == "pasmo":
        source = open(os.path.join(HERE, "pack.asm"), encoding="utf-8").read()
        with open(os.path.join(work, "pack.asm"), "w") as f:
            f.write(with_places(source, places(files, sizes, {"dw": "dw", "mod": "MOD"})))
        run(["pasmo", "pack.asm", "program.bin"], work)
        return
    source = open(os.path.join(HERE, "pack.s"), encoding="utf-8").read()
    with open(os.path.join(work, "pack.s"), "w") as f:
        f.write(with_places(source, places(files, sizes, {"dw": ".dw", "mod": "%"})))
    run(["sdasz80", "-o", "pack.rel", "pack.s"], work)
    run(["sdldz80", "-i", "pack.ihx", "pack.rel"], work)
    run(["makebin", "-s", "65536", "-p", "pack.ihx", "full.bin"], work)
    with open(os.path.join(work, "program.bin"), "wb") as f:
        f.write(open(os.path.join(work, "full.bin"), "rb").read()[0x8000:0xC000].rstrip(b"\0"))


def packed_files(folder, count, seed):
    """A large data file, an empty one, and count small ones of random sizes."""
    rng = random.Random(seed)
    sizes = [40000, 0] + [rng.randint(1, 9000) for _ in range(count)]
    return random_files(folder, "p%03d.dat", sizes, rng), sizes


def packed(romweld, work):
    """Packed images read back in openMSX through pages and NAME_ADDR."""
    boot_rom(work)
    failed = 0
    print("%-8s %-8s %6s %6s %6s %14s %-8s" % ("image", "program", "banks", "files", "bytes",
                                               "bytes checked", "result"))
    for label, count, seed in (("128k", 12, 7), ("1024k", 100, 8)):
        for assembler in ("pasmo", "sdasz80"):
            folder = os.path.join(work, "%s-%s" % (label, assembler))
            os.makedirs(folder)
            files, sizes = packed_files(folder, count, seed)
            build_packed(romweld, folder, files, sizes, assembler)
            run([romweld, "-q", "--pack", "--min-banks", "8", "game.rom", "program.bin"] + files,
                folder)
            banks = os.path.getsize(os.path.join(folder, "game.rom")) // BANK
            want = []
            for name, size in zip(files, sizes):
                if size:
                    data = open(os.path.join(folder, name), "rb").read()
                    want += [data[0], data[-1]]
            got = emulate(work, os.path.join(folder, "game.rom"))
            ok = got is not None and got[0] == DONE and got[2] == want and \
                banks == {"128k": 8, "1024k": 64}[label]
            failed += not ok
            print("%-8s %-8s %6d %6d %6d %14d %-8s" % (label, assembler, banks, len(files),
                                                      sum(sizes), len(got[2]) if got else 0,
                                                      "ok" if ok else "FAILED"))
            if not ok:
                print("  want %r\n  got  %r" % (want, got))
    return failed


def main():
    romweld = os.path.abspath(sys.argv[1])
    parts = sys.argv[2:] or ["includes", "example", "names", "words", "emulator", "packed"]
    failed = 0
    for part in parts:
        work = tempfile.mkdtemp(prefix="romweld-console-")
        try:
            failed += {"includes": includes, "example": example, "names": names,
                       "words": words, "emulator": emulator, "packed": packed}[part](
                romweld, work)
        finally:
            shutil.rmtree(work, ignore_errors=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
