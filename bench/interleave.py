#!/usr/bin/env python3
"""Times two commands run by turns, so that the machine's drift over a run of
measurements falls on both alike: each round runs both, in an order that
changes from round to round, and times each from its spawn to its end, with
its standard output sent where it says. Prints the median time of each, in
milliseconds, and the ratio of the first to the second.

    bench/interleave.py ROUNDS PREPARE 'OUT ARG...' 'OUT ARG...'

OUT is the file the command's standard output goes to, opened anew (and so
truncated) in the timed part, as a shell's redirection would be; PREPARE is a
shell command run before each round, untimed, or an empty string.
"""

import os
import random
import shlex
import shutil
import statistics
import subprocess
import sys
import time


def timed(command):
    out, *args = shlex.split(command)
    args[0] = shutil.which(args[0]) or args[0]
    start = time.perf_counter_ns()
    fd = os.open(out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    pid = os.posix_spawn(args[0], args, os.environ,
                         file_actions=[(os.POSIX_SPAWN_DUP2, fd, 1),
                                       (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)])
    os.close(fd)
    _, status = os.waitpid(pid, 0)
    elapsed = time.perf_counter_ns() - start
    if status != 0:
        sys.exit("%s ended with %d" % (command, os.waitstatus_to_exitcode(status)))
    return elapsed / 1e6


def main():
    rounds, prepare, first, second = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
    times = {first: [], second: []}
    order = [first, second]
    for _ in range(rounds):
        random.shuffle(order)
        for command in order:
            if prepare:
                subprocess.run(prepare, shell=True, check=True)
            times[command].append(timed(command))
    a, b = statistics.median(times[first]), statistics.median(times[second])
    print("%.3f %.3f %.3f" % (a, b, a / b))


if __name__ == "__main__":
    main()
