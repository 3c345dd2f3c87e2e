#!/usr/bin/env python3
"""Makes each system call of a romweld run fail in turn, and checks that the
run then ends in one of two ways:

- harmless: the same status, report, outfile and map as the run without a
  fault, and no temporary file left;
- reported: a non-zero status whose failure line is one the man page lists
  under EXIT STATUS, with that status, the
  outfile and the map exactly as they were found (bytes and time, or absent),
  no temporary file left unless a line says it could not be removed, and
  every input unchanged.

Anything else fails, above all a status 0 with a wrong image or report, a
crash or a hang. Writes to standard output are left alone: a failed report
is its own status.

Then it changes an input while a run is stopped between its two passes: an
input swapped for another file or for a link to /dev/zero, grown or shrunk,
must end the run with its status and replace nothing. A file that appears
under the name of a new outfile or map just before it is put in place must
be left as it is, and the run must fail. Last, it interrupts a
run that writes a large image, with SIGINT, SIGTERM and
SIGKILL at several moments: the outfile and the map must then each be the
old one or the new one, byte for byte, and the signals a program can catch
must leave no temporary file.

    tests/fault_sweep.py path/to/romweld        (Linux, needs strace)
"""

import collections
import os
import re
import resource
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PIECE = 16128
BANK = 16384
SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The calls that touch files; each one romweld makes is failed in turn.
CALLS = ["openat", "read", "write", "newfstatat", "statx", "fstat", "close", "lseek",
         "readlink", "readlinkat", "fchmod", "fchown", "link", "linkat", "unlink", "unlinkat",
         "rename", "renameat", "renameat2"]
# ENOENT from an open makes a file that is there look new, as when it appears
# between two looks: the run must still never replace it.
# A file system that keeps no owners or modes (FAT, exFAT, many FUSE and
# network mounts) refuses fchown and fchmod with one of KEPT: the new file
# then keeps what it gets, and the run must be harmless.
KEPT = ["ENOSYS", "EOPNOTSUPP", "EINVAL", "EPERM"]
ERRORS = {"write": ["EIO", "ENOSPC", "EFBIG"], "openat": ["EIO", "EACCES", "EMFILE", "ENOENT"],
          "fchown": ["EIO"] + KEPT, "fchmod": ["EIO"] + KEPT}

# A failure line of the man page, and the status that goes with it.
FailureLine = collections.namedtuple("FailureLine", "pattern status")
# How a run ended: its status and its report, or None for a hang.
Ended = collections.namedtuple("Ended", "status out")
# One traced call: its name, which call of that name it was, and whether it is
# left alone.
Call = collections.namedtuple("Call", "name nth exempt")
# A file as found: its bytes and time, or None when there is none.
Found = collections.namedtuple("Found", "bytes mtime")
# What a run leaves: the outfile, the map, and its temporary files.
Left = collections.namedtuple("Left", "outfile map temporaries")
# A workload: the files to make, the links (name: target), the arguments, and
# the names of the files the run writes, which are not inputs.
Workload = collections.namedtuple("Workload", "files links args written")


def failure_lines():
    """The failure lines listed under EXIT STATUS in the man page, as
    patterns, each with its status. A line is a .B request (bold text) or a
    .BI one, whose words alternate between bold text and an italic
    placeholder: a number (code, n, m) or any text."""
    lines = []
    status = None
    previous = ""
    section = False
    for row in open(os.path.join(SOURCE, "man", "romweld.1"), encoding="utf-8"):
        row = row.rstrip("\n")
        if row.startswith(".SH "):
            section = row == ".SH EXIT STATUS"
        elif section and previous == ".TP" and row.startswith(".B "):
            status = int(row[3:])
        elif section and status is not None and row.startswith((".B ", ".BI ")):
            words = shlex.split(row.split(" ", 1)[1].replace("\\-", "-"))
            italic = row.startswith(".BI ")
            pattern = ""
            for i, word in enumerate(words):
                if italic and i % 2 == 1:
                    pattern += r"\d+" if word in ("code", "n", "m") else ".*"
                else:
                    pattern += re.escape(word)
            if words and words[0].startswith(("Failed", "* WARNING")):
                lines.append(FailureLine(re.compile(pattern + "$"), status))
        previous = row
    assert len(lines) >= 10, "the man page's failure lines were not found"
    return lines


FAILURES = failure_lines()
REMOVAL = re.compile(r"Failed to remove temporary file .*, code \d+$")
LEFT_OVER = re.compile(r"Warning - could not remove temporary file .*$")
# The status of a report that could not be written: the files are new and whole.
REPORT_FAILED = 7
# The status of a file of the run that romweld did not make.
NOT_MADE = 16


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


# An image as romweld makes them: padding banks, then the program's bank;
# and a map, by its header line. Only such files are replaced.
CREDIT = b"Made with romweld, MegaCart ROM welder by romweld maintainers "


def old_image(seed, banks):
    padding = (CREDIT * (BANK // len(CREDIT) + 1))[:BANK]
    return padding * (banks - 1) + sample(seed, BANK)


OLD_MAP = b"kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\tbytes\tfree\nold\n"

# An existing outfile and map get a time long past, to show any touch.
WORKLOADS = {
    # 127 padding banks, more than any buffer of the writer; multi-bank data
    # files, an empty one among them; an old image and an old map to replace.
    "image": Workload(
        {"p.bin": sample(1, 8000), "a.dat": sample(2, 60 * PIECE), "b.dat": sample(3, 50 * PIECE - 3),
         "e.dat": b"", "c.dat": sample(4, 17 * PIECE + 1), "out.rom": old_image(5, 2),
         "out.map": OLD_MAP},
        {}, ["--map", "out.map", "out.rom", "p.bin", "a.dat", "b.dat", "e.dat", "c.dat"],
        ["out.rom", "out.map"]),
    "new_outfile_and_map": Workload(
        {"p.bin": sample(6, 100), "d.dat": sample(7, 3 * PIECE)},
        {}, ["--map", "out.map", "out.rom", "p.bin", "d.dat"], ["out.rom", "out.map"]),
    # A planning run: the map over an old one, the old image left alone.
    "plan": Workload(
        {"p.bin": sample(15, 100), "d.dat": sample(16, 2 * PIECE + 7), "out.rom": sample(17, BANK),
         "out.map": OLD_MAP},
        {}, ["--plan", "--map", "out.map", "out.rom", "p.bin", "d.dat"], ["out.rom", "out.map"]),
    "outfile_links_to_input": Workload(
        {"p.bin": sample(8, 100), "d.dat": sample(9, 2 * PIECE)},
        {"out.rom": "d.dat"}, ["out.rom", "p.bin", "d.dat"], []),
    "outfile_links_to_old_image": Workload(
        {"p.bin": sample(10, 100), "d.dat": sample(11, PIECE), "real.rom": old_image(12, 2)},
        {"out.rom": "real.rom"}, ["out.rom", "p.bin", "d.dat"], ["real.rom"]),
    # The outfile an input under another spelling, which a missing file
    # injected into the first look at it must not turn into a replacement.
    "outfile_is_an_input_spelled_otherwise": Workload(
        {"p.bin": sample(18, 100), "d40000.dat": sample(19, 40000)},
        {}, ["./d40000.dat", "p.bin", "d40000.dat"], []),
    "outfile_is_a_dangling_link": Workload(
        {"p.bin": sample(13, 100), "d.dat": sample(14, PIECE)},
        {"out.rom": "new.rom"}, ["out.rom", "p.bin", "d.dat"], ["new.rom"]),
}
LONG_AGO = 1000000000


def lay_out(folder, work):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in work.files.items():
        path = os.path.join(folder, name)
        with open(path, "wb") as out:
            out.write(data)
        if name in work.written:
            os.utime(path, (LONG_AGO, LONG_AGO))
    for name, target in work.links.items():
        os.symlink(target, os.path.join(folder, name))


def found(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return Found(f.read(), os.stat(path).st_mtime_ns)


def left_in(folder):
    """The outfile and the map, through their links, and the temporaries."""
    temporaries = [name for name in os.listdir(folder)
                   if name.startswith(".romweld-") and name.endswith(".tmp")]
    return Left(found(os.path.join(folder, "out.rom")), found(os.path.join(folder, "out.map")),
                temporaries)


def inputs_kept(folder, work):
    """Every input as it was made, and every link still the same link."""
    return all(open(os.path.join(folder, name), "rb").read() == data
               for name, data in work.files.items() if name not in work.written) and \
        all(os.path.islink(os.path.join(folder, name)) and
            os.readlink(os.path.join(folder, name)) == target
            for name, target in work.links.items())


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
    """Each traced call, in order. Writes to standard output are exempt, and
    so are the calls of a coverage build's profiler, which writes its .gcda
    files as the process ends."""
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


def bytes_of(left):
    """What a run left, without the times of the files it wrote."""
    return (left.outfile and left.outfile.bytes, left.map and left.map.bytes, left.temporaries)


def judge(clean, got, before, after, inputs_kept):
    """'harmless', 'reported' or the reason it failed."""
    if got is None:
        return "hang"
    status, out = got.status, got.out
    if status < 0 or status >= 128:
        return "crash (status %d)" % status
    if not inputs_kept:
        return "an input or a link was changed"
    if (status, out) == (clean.status, clean.out) and bytes_of(after) == bytes_of(clean.left):
        return "harmless"
    files = bytes_of(after)[:2] == bytes_of(clean.left)[:2]
    if status == REPORT_FAILED and clean.status == 0 and files and not after.temporaries:
        return "reported"
    # An old file's second name, kept while the files are put in place, that
    # could not be removed afterwards: said, and left.
    warned = [line for line in out.splitlines() if LEFT_OVER.match(line)]
    if status == 0 and files and len(warned) == len(after.temporaries) > 0 and \
            [line for line in out.splitlines() if line not in warned] == clean.out.splitlines():
        return "reported"
    if status == 0:
        return "status 0 with a report, image or map unlike the clean run's"
    # The old files are romweld's: a failing call is its own failure, never
    # a sign of another's file.
    if status == NOT_MADE and clean.status != NOT_MADE:
        return "a file romweld made taken for another's (status 16)"
    if after.outfile != before.outfile:
        return "a failed run changed the outfile"
    if after.map != before.map:
        return "a failed run changed the map"
    lines = out.splitlines()
    clean_lines = clean.out.splitlines()
    k = 0
    if clean.status == 0:
        # The lines before the failure are the clean run's.
        while k < len(lines) and k < len(clean_lines) and lines[k] == clean_lines[k] \
                and status_of(lines[k]) is None:
            k += 1
    else:
        # A run that fails even without a fault may fail later with one (the
        # outfile an input that looked new): its failure line is then the
        # first of any.
        while k < len(lines) and status_of(lines[k]) is None:
            k += 1
    tail = lines[k:]
    if not tail or status_of(tail[0]) != status:
        return "status %d without its failure line: %r" % (status, tail[:1])
    # What follows can only be a temporary file that could not be removed.
    removals = [line for line in tail[1:] if REMOVAL.match(line)]
    if len(removals) != len(tail) - 1:
        return "unexpected lines after the failure: %r" % tail[1:]
    if len(after.temporaries) != len(removals):
        return "temporary files left behind: %r" % after.temporaries
    return "reported"


def sweep(tool, work_folder, table, failures):
    folder = os.path.join(work_folder, "run")
    for name, work in WORKLOADS.items():
        lay_out(folder, work)
        before = left_in(folder)
        trace = ["-y", "-e", "trace=" + ",".join(CALLS)]
        got = run(tool, folder, work.args, trace)
        clean = collections.namedtuple("Clean", "status out left")(got.status, got.out,
                                                                  left_in(folder))
        made = calls_made(os.path.join(work_folder, "strace.log"))
        print("%s: status %d, %d calls" % (name, clean.status, len(made)), flush=True)
        faults = []
        for call in made:
            if call.exempt:
                continue
            for error in ERRORS.get(call.name, ["EIO"]):
                faults.append(("%s %s" % (call.name, error),
                               ["-e", "inject=%s:error=%s:when=%d" % (call.name, error,
                                                                     call.nth)], 0))
        # An injected error writes nothing; a file-size limit inside a bank
        # makes a real short write.
        if name == "image":
            for limit in (5 * 16384 + 4096, 150 * 16384 + 512, 255 * 16384 + 8192):
                faults.append(("file-size limit", [], limit))
        for label, inject, limit in faults:
            lay_out(folder, work)
            before = left_in(folder)
            got = run(tool, folder, work.args, ["-e", "trace=" + ",".join(CALLS)] + inject, limit)
            verdict = judge(clean, got, before, left_in(folder), inputs_kept(folder, work))
            if label.split()[-1] in KEPT and verdict != "harmless":
                verdict = "a file system that keeps no owners or modes failed the run: " + verdict
            row = table[label]
            row["runs"] += 1
            row[verdict if verdict in ("harmless", "reported") else "failed"] += 1
            if verdict not in ("harmless", "reported"):
                failures.append("%s, %s (%s): %s; report %r" % (
                    name, label, " ".join(inject), verdict, got and got.out))


def held(tool, folder, args, calls, nth, wait, meanwhile):
    """Runs the tool with its nth call of calls held for a second, does
    meanwhile after wait seconds, and returns its report and status."""
    child = subprocess.Popen(
        ["strace", "-f", "-o", "/dev/null", "-e",
         "inject=%s:delay_enter=1000000:when=%d" % (calls, nth), tool] + args,
        cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    time.sleep(wait)
    meanwhile()
    out = child.communicate(timeout=20)[0].decode("utf-8", "replace")
    return out, child.returncode


# What happens to an input between the two passes, and the status it must give.
CHANGES = [
    ("data file replaced by another", "d.dat", 3,
     lambda path: (open(path + ".new", "wb").write(sample(31, 3 * PIECE)),
                   os.replace(path + ".new", path))),
    ("data file replaced by a link to /dev/zero", "d.dat", 3,
     lambda path: (os.remove(path), os.symlink("/dev/zero", path))),
    ("data file grown", "d.dat", 5, lambda path: open(path, "ab").write(b"more")),
    ("data file shrunk", "d.dat", 5, lambda path: os.truncate(path, PIECE)),
    ("program file replaced by another", "p.bin", 2,
     lambda path: (open(path + ".new", "wb").write(sample(32, 100)),
                   os.replace(path + ".new", path))),
    ("program file grown", "p.bin", 5, lambda path: open(path, "ab").write(b"more")),
]


def changes(tool, work_folder, failures):
    """Stops a run as the write pass opens an input again, changes the input
    meanwhile, and checks the status and that nothing was replaced; returns
    the counts per change."""
    folder = os.path.join(work_folder, "changed")
    work = Workload({"p.bin": sample(33, 100), "d.dat": sample(34, 3 * PIECE),
                     "out.rom": old_image(35, 2), "out.map": OLD_MAP},
                    {}, ["-q", "--map", "out.map", "out.rom", "p.bin", "d.dat"],
                    ["out.rom", "out.map", "p.bin", "d.dat"])
    lay_out(folder, work)
    log = os.path.join(work_folder, "strace.log")
    subprocess.run(["strace", "-f", "-o", log, "-e", "trace=openat", tool] + work.args,
                   cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    opens = [line for line in open(log) if "openat(" in line]
    counts = collections.Counter()
    for label, name, status, change in CHANGES:
        # The second open of the input is the write pass's.
        nth = [i for i, line in enumerate(opens, 1) if '"%s"' % name in line][1]
        lay_out(folder, work)
        before = left_in(folder)
        out, returncode = held(tool, folder, work.args, "openat", nth, 0.3,
                               lambda: change(os.path.join(folder, name)))
        after = left_in(folder)
        counts["runs"] += 1
        if returncode == status and after.outfile == before.outfile and \
                after.map == before.map and not after.temporaries:
            counts["passed"] += 1
        else:
            counts["failed"] += 1
            failures.append("%s: status %d (want %d), outfile %s, map %s, left %r; report %r" % (
                label, returncode, status,
                "as found" if after.outfile == before.outfile else "changed",
                "as found" if after.map == before.map else "changed", after.temporaries, out))
    return counts


# A file that appears under the name of a new file of the run while the run
# goes on: the nth placing of a new file (a link on Linux) is held, the file
# is made meanwhile, and the run must end with the status of the file it
# would have replaced, leave that file as it appeared, and put no other in
# place.
APPEARING = [
    ("outfile appears", 1, "out.rom", 1),
    ("map appears after the outfile is placed", 2, "out.map", 6),
]


def appearing(tool, work_folder, failures):
    folder = os.path.join(work_folder, "appearing")
    work = Workload({"p.bin": sample(41, 100), "d.dat": sample(42, 3 * PIECE)},
                    {}, ["-q", "--map", "out.map", "out.rom", "p.bin", "d.dat"], [])
    counts = collections.Counter()
    for label, nth, name, status in APPEARING:
        lay_out(folder, work)
        def appear():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"appeared\n")
        out, returncode = held(tool, folder, work.args, "link,linkat", nth, 0.5, appear)
        after = left_in(folder)
        other = after.map if name == "out.rom" else after.outfile
        appeared = after.outfile if name == "out.rom" else after.map
        counts["runs"] += 1
        if returncode == status and appeared is not None and \
                appeared.bytes == b"appeared\n" and other is None and not after.temporaries \
                and inputs_kept(folder, work):
            counts["passed"] += 1
        else:
            counts["failed"] += 1
            failures.append("%s: status %d (want %d), %s %r, other %r, left %r; report %r" % (
                label, returncode, status, name, appeared, other, after.temporaries, out))
    return counts


def outcome_of(now, old, new):
    """'old' for a file as it was, down to its time; 'new' for the bytes of
    the finished run; None for anything else."""
    if now == old:
        return "old"
    return "new" if now is not None and now.bytes == new.bytes else None


def writing(folder, size):
    """Whether a new image is being written in folder: a temporary file
    there that holds some of its size bytes, not all. The map's is empty
    until the image is whole."""
    for name in os.listdir(folder):
        if name.startswith(".romweld-") and name.endswith(".tmp"):
            try:
                if 0 < os.path.getsize(os.path.join(folder, name)) < size:
                    return True
            except OSError:
                pass
    return False


def interrupt(tool, work_folder, failures):
    """Interrupts a run that replaces a 64 MiB image and its map at moments
    spread over its length; returns the counts per signal. Each signal must
    land at least once while the image is being written, seen just before it
    is sent, or the test proves nothing."""
    folder = os.path.join(work_folder, "interrupted")
    work = Workload({"p.bin": sample(21, 9000), "a.dat": sample(22, 2000 * PIECE),
                     "b.dat": sample(23, 2095 * PIECE + 5), "out.rom": old_image(24, 4),
                     "out.map": OLD_MAP},
                    {}, ["-q", "--map", "out.map", "out.rom", "p.bin", "a.dat", "b.dat"],
                    ["out.rom", "out.map"])
    lay_out(folder, work)
    old = left_in(folder)
    # The shortest of a few runs, so that the moments fall inside the run.
    lengths = []
    for _ in range(3):
        lay_out(folder, work)
        start = time.monotonic()
        subprocess.run([tool] + work.args, cwd=folder, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        lengths.append(time.monotonic() - start)
    length = min(lengths)
    new = left_in(folder)
    counts = collections.OrderedDict()
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGKILL):
        row = counts.setdefault(sig.name, collections.Counter())
        for step in range(16):
            lay_out(folder, work)
            child = subprocess.Popen([tool] + work.args, cwd=folder, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(length * step / 16)
            mid_write = writing(folder, len(new.outfile.bytes))
            child.send_signal(sig)
            child.wait()
            after = left_in(folder)
            row["runs"] += 1
            outcome = outcome_of(after.outfile, old.outfile, new.outfile)
            row["while writing"] += mid_write and outcome == "old"
            map_outcome = outcome_of(after.map, old.map, new.map)
            if outcome is None or map_outcome is None:
                failures.append("%s after %d/16 of a run: outfile %s, map %s" % (
                    sig.name, step, outcome, map_outcome))
                row["failed"] += 1
                continue
            row[outcome] += 1
            # Held while the files are put in place, a signal that can be
            # caught never parts the image from its map.
            if outcome != map_outcome:
                row["mixed"] += 1
                if sig != signal.SIGKILL:
                    failures.append("%s after %d/16 of a run: a %s image with the %s map" % (
                        sig.name, step, outcome, map_outcome))
            if after.temporaries:
                row["temporaries left"] += 1
                if sig != signal.SIGKILL:
                    failures.append("%s after %d/16 of a run left %r" % (
                        sig.name, step, after.temporaries))
        if row["while writing"] == 0:
            failures.append("no %s landed while the image was being written" % sig.name)
    return counts


def main():
    tool = os.path.abspath(sys.argv[1])
    table = collections.defaultdict(collections.Counter)
    failures = []
    work = tempfile.mkdtemp(prefix="romweld-faults-")
    try:
        sweep(tool, work, table, failures)
        changed = changes(tool, work, failures)
        appeared = appearing(tool, work, failures)
        counts = interrupt(tool, work, failures)
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
    print("\ninputs changed between the passes: %d runs, %d passed, %d failed" % (
        changed["runs"], changed["passed"], changed["failed"]))
    print("files appearing under a new file's name: %d runs, %d passed, %d failed" % (
        appeared["runs"], appeared["passed"], appeared["failed"]))
    print("\n%-8s %5s %14s %9s %9s %14s %17s %7s" % (
        "signal", "runs", "while writing", "old image", "new image", "map of other",
        "temporaries left", "failed"))
    for name, row in counts.items():
        print("%-8s %5d %14d %9d %9d %14d %17d %7d" % (
            name, row["runs"], row["while writing"], row["old"], row["new"], row["mixed"],
            row["temporaries left"], row["failed"]))
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
