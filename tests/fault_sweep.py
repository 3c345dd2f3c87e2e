#!/usr/bin/env python3
"""Makes each system call of a romweld run fail in turn, and checks that the
run then ends in one of two ways:

- harmless: the same status, report and outfile as the run without a fault;
- reported: a non-zero status whose failure line is one of the README's, an
  outfile that is untouched (or absent, if the run created it) when the
  failure came before the write pass, or else holds whole banks of the right
  image, and every input unchanged.

Anything else fails, above all a status 0 with a wrong image or report, a
crash or a hang. Writes to standard output are left alone: a failed report
write is known to go unreported.

    tests/fault_sweep.py path/to/romweld        (Linux, needs strace)
"""

import collections
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile

BANK = 16384
PIECE = 16128
SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The calls that touch files; each one romweld makes is failed in turn.
CALLS = ["openat", "read", "write", "newfstatat", "statx", "fstat", "close", "ftruncate",
         "truncate", "unlink", "unlinkat", "rename", "renameat", "renameat2", "lseek"]
ERRORS = {"write": ["EIO", "ENOSPC", "EFBIG"], "openat": ["EIO", "EACCES", "EMFILE"]}

# A failure line of the README, and the status that goes with it.
FailureLine = collections.namedtuple("FailureLine", "pattern status")
# How a run ended: its status and its report, or None for a hang.
Ended = collections.namedtuple("Ended", "status out")
# One traced call: its name, which call of that name it was, and whether it is
# left alone.
Call = collections.namedtuple("Call", "name nth exempt")
# The map's bytes (None when absent), and whether a temporary file was left.
MapState = collections.namedtuple("MapState", "bytes temporary_left")
# The outfile as found: its bytes and time, or the target of the link it is.
Found = collections.namedtuple("Found", "bytes mtime link")


def failure_lines():
    """The failure lines of the README's table of statuses, as patterns."""
    lines = []
    for row in open(os.path.join(SOURCE, "README.md"), encoding="utf-8"):
        cells = row.split("|")
        if len(cells) < 4 or not cells[1].strip().isdigit():
            continue
        status = int(cells[1])
        for text in re.findall(r"`([^`]*)`", cells[3]):
            if text.startswith(("Failed", "* WARNING")):
                # N stands for a number only as a word of its own, not in WARNING.
                pattern = re.sub(r"\bN\b", r"\\d+", re.escape(text))
                pattern = re.sub(r"<[a-z]+>", ".*", pattern)
                lines.append(FailureLine(re.compile(pattern + "$"), status))
    assert len(lines) >= 10, "the README's table of statuses was not found"
    return lines


FAILURES = failure_lines()


def status_of(line):
    for failure in FAILURES:
        if failure.pattern.match(line):
            return failure.status
    return None


def sample(seed, size):
    out = bytearray(size)
    state = seed
    for i in range(0, size, 4):
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        out[i:i + 4] = state.to_bytes(4, "little")
    return bytes(out[:size])


# Each workload: the files to make (None for a link: name -> target), and the
# arguments. An existing outfile gets a time long past, to show any touch.
WORKLOADS = {
    # 127 padding banks, more than any buffer of the writer; multi-bank data
    # files, an empty one among them; an old image and an old map to replace.
    "image": ({"p.bin": sample(1, 8000), "a.dat": sample(2, 60 * PIECE),
               "b.dat": sample(3, 50 * PIECE - 3), "e.dat": b"", "c.dat": sample(4, 17 * PIECE + 1),
               "out.rom": sample(5, 5000), "out.map": b"old map\n"},
              {}, ["--map", "out.map", "out.rom", "p.bin", "a.dat", "b.dat", "e.dat", "c.dat"]),
    "new_outfile": ({"p.bin": sample(6, 100), "d.dat": sample(7, 3 * PIECE)},
                    {}, ["out.rom", "p.bin", "d.dat"]),
    "outfile_links_to_input": ({"p.bin": sample(8, 100), "d.dat": sample(9, 2 * PIECE)},
                               {"out.rom": "d.dat"}, ["out.rom", "p.bin", "d.dat"]),
    "dangling_link_to_outfile": ({"p.bin": sample(10, 100), "d.dat": sample(11, PIECE)},
                                 {"link.dat": "out.rom"}, ["out.rom", "p.bin", "d.dat", "link.dat"]),
}
LONG_AGO = 1000000000


def lay_out(folder, files, links):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
    if "out.rom" in files:
        os.utime(os.path.join(folder, "out.rom"), (LONG_AGO, LONG_AGO))
    for name, target in links.items():
        os.symlink(target, os.path.join(folder, name))


def outfile_state(folder):
    """The outfile as found, or None when there is none."""
    path = os.path.join(folder, "out.rom")
    if not os.path.lexists(path):
        return None
    if os.path.islink(path):
        return Found(None, None, os.readlink(path))
    with open(path, "rb") as f:
        return Found(f.read(), os.stat(path).st_mtime_ns, None)


def limit_file_size(limit):
    """With SIGXFSZ ignored, a write past the limit fails with EFBIG."""
    def apply():
        if limit:
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    return apply


def run(tool, folder, args, strace_args, limit=0):
    command = ["strace", "-f", "-o", os.path.join(folder, "..", "strace.log")] + strace_args
    try:
        done = subprocess.run(command + ["--", tool] + args, cwd=folder, capture_output=True,
                              timeout=20, stdin=subprocess.DEVNULL,
                              preexec_fn=limit_file_size(limit))
    except subprocess.TimeoutExpired:
        return None
    return Ended(done.returncode, done.stdout.decode("utf-8", "replace"))


def calls_made(log):
    """Each traced call, in order. Writes to standard
    output are exempt, and so are the calls of a coverage build's profiler,
    which writes its .gcda files as the process ends."""
    seen = collections.Counter()
    made = []
    for line in open(log, encoding="utf-8", errors="replace"):
        m = re.match(r"\d+\s+([a-z0-9_]+)\((\d+)?", line)
        if not m or m.group(1) not in CALLS:
            continue
        seen[m.group(1)] += 1
        exempt = (m.group(1) == "write" and m.group(2) == "1") or ".gcda" in line
        made.append(Call(m.group(1), seen[m.group(1)], exempt))
    return made


def map_state(folder):
    path = os.path.join(folder, "out.map")
    left = any(name.endswith(".tmp") for name in os.listdir(folder))
    return MapState(open(path, "rb").read() if os.path.exists(path) else None, left)


def judge(clean, got, before, after, inputs_kept, map_before, map_after):
    """'harmless', 'reported' or the reason it failed."""
    if got is None:
        return "hang"
    status, out = got.status, got.out
    if status < 0 or status >= 128:
        return "crash (status %d)" % status
    if not inputs_kept:
        return "an input was changed"
    if map_after.temporary_left:
        return "a temporary map file was left behind"
    same_outfile = (after is None) == (clean["after"] is None) and (
        after is None or after.bytes == clean["after"].bytes)
    if (status, out, map_after) == (clean["status"], clean["out"], clean["map"]) and same_outfile:
        return "harmless"
    if status == 0:
        return "status 0 with a report, image or map unlike the clean run's"
    if map_after != map_before:
        return "a failed run changed the map"
    lines = out.splitlines()
    clean_lines = clean["out"].splitlines()
    k = 0
    while k < len(lines) and k < len(clean_lines) and lines[k] == clean_lines[k] \
            and status_of(lines[k]) is None:
        k += 1
    tail = lines[k:]
    if not tail or status_of(tail[0]) != status:
        return "status %d without its failure line: %r" % (status, tail[:1])
    # One more outfile failure may follow: a cut or a removal that failed too.
    extra = tail[1:]
    if extra and (len(extra) > 1 or not extra[0].startswith("Failed to write outfile")):
        return "unexpected lines after the failure: %r" % extra
    untouched = after == before
    before_write_pass = tail[0].startswith(("Failed to size", "Failed to plan", "Failed to open outfile"))
    if before_write_pass:
        if untouched:
            return "reported"
        if extra and after is not None and before is None and after.bytes == b"":
            return "reported"  # a new, empty outfile that could not be removed, and said so
        return "outfile changed before the write pass"
    image = clean["after"].bytes if clean["status"] == 0 else None
    if untouched:
        return "reported"
    if after is None or image is None or after.bytes != image[:len(after.bytes)]:
        return "outfile holds bytes of no image"
    if len(after.bytes) % BANK != 0 and not extra:
        return "outfile ends in a partial bank, unreported"
    return "reported"


def main():
    tool = os.path.abspath(sys.argv[1])
    table = collections.defaultdict(collections.Counter)
    failures = []
    work = tempfile.mkdtemp(prefix="romweld-faults-")
    folder = os.path.join(work, "run")
    try:
        for name, (files, links, args) in WORKLOADS.items():
            lay_out(folder, files, links)
            before = outfile_state(folder)
            map_before = map_state(folder)
            trace = ["-y", "-e", "trace=" + ",".join(CALLS)]
            got = run(tool, folder, args, trace)
            clean = {"status": got.status, "out": got.out, "after": outfile_state(folder),
                     "map": map_state(folder)}
            made = calls_made(os.path.join(work, "strace.log"))
            print("%s: status %d, %d calls" % (name, clean["status"], len(made)), flush=True)
            faults = []
            for call in made:
                if call.exempt:
                    continue
                for error in ERRORS.get(call.name, ["EIO"]):
                    faults.append(("%s %s" % (call.name, error),
                                   ["-e", "inject=%s:error=%s:when=%d" % (call.name, error,
                                                                         call.nth)], 0))
            # An injected error writes nothing; a file-size limit inside a bank
            # makes a real short write, which leaves part of a bank to cut off.
            # Then the cut itself fails too (the first ftruncate empties an old
            # outfile, so the cut is the second).
            if name == "image":
                for limit in (5 * BANK + 4096, 150 * BANK + 512, 255 * BANK + 8192):
                    faults.append(("file-size limit", [], limit))
                    faults.append(("file-size limit, then ftruncate EIO",
                                   ["-e", "inject=ftruncate:error=EIO:when=2+"], limit))
            for label, inject, limit in faults:
                lay_out(folder, files, links)
                got = run(tool, folder, args, ["-e", "trace=" + ",".join(CALLS)] + inject, limit)
                kept = all(open(os.path.join(folder, f), "rb").read() == data
                           for f, data in files.items() if f not in ("out.rom", "out.map"))
                verdict = judge(clean, got, before, outfile_state(folder), kept, map_before,
                                map_state(folder))
                row = table[label]
                row["runs"] += 1
                row[verdict if verdict in ("harmless", "reported") else "failed"] += 1
                if verdict not in ("harmless", "reported"):
                    failures.append("%s, %s (%s): %s; report %r" % (
                        name, label, " ".join(inject), verdict, got and got.out))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print("\n%-34s %5s %9s %9s %7s" % ("call, error", "runs", "harmless", "reported", "failed"))
    for label in sorted(table):
        row = table[label]
        print("%-34s %5d %9d %9d %7d" % (label, row["runs"], row["harmless"], row["reported"],
                                         row["failed"]))
    total = sum((row for row in table.values()), collections.Counter())
    print("%-34s %5d %9d %9d %7d" % ("all", total["runs"], total["harmless"], total["reported"],
                                     total["failed"]))
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
