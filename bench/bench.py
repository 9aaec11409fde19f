#!/usr/bin/env python3
"""Start-up, wait accuracy and cost of kelvarn, side by side with the
system's own tools. Not a test: figures on a shared machine vary.

Usage: bench/bench.py [path/to/kelvarn]   (default: build/release/kelvarn)
"""
import math
import os
import statistics
import subprocess
import sys
import time

KELVARN = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/release/kelvarn")
TRUE = "/bin/true"
SLEEP = "/bin/sleep"


def spawn(argv, env=None):
    """Starts argv with no terminal and output discarded."""
    return os.posix_spawn(argv[0], argv, env if env is not None else os.environ,
                          file_actions=[(os.POSIX_SPAWN_OPEN, 0, "/dev/null", os.O_RDONLY, 0),
                                        (os.POSIX_SPAWN_OPEN, 1, "/dev/null", os.O_WRONLY, 0)],
                          setsid=True)


def run(argv, env=None):
    """Returns wall seconds, the child's resource usage and its status."""
    start = time.perf_counter()
    _, status, usage = os.wait4(spawn(argv, env), 0)
    return time.perf_counter() - start, usage, os.waitstatus_to_exitcode(status)


def peak_memory_kib(pid):
    # ru_maxrss would also count the spawning Python's pages from before exec.
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return -1


def ms(seconds):
    return f"{seconds * 1000:8.2f} ms"


def startup(pairs=40):
    ours, theirs = [], []
    for _ in range(pairs):
        ours.append(run([KELVARN, "/?"])[0])
        theirs.append(run([TRUE])[0])
    print(f"start-up, median of {pairs} interleaved pairs:")
    print(f"  kelvarn /?   {ms(statistics.median(ours))}   (min {ms(min(ours))})")
    print(f"  /bin/true    {ms(statistics.median(theirs))}   (min {ms(min(theirs))})")


def seconds_wait(runs=3):
    ours, theirs = [], []
    for _ in range(runs):
        ours.append(run([KELVARN, "/S:3"])[0])
        theirs.append(run([SLEEP, "3"])[0])
    print(f"wall time, median of {runs}:")
    print(f"  kelvarn /S:3 {ms(statistics.median(ours))}")
    print(f"  sleep 3      {ms(statistics.median(theirs))}")
    print(f"  difference   {ms(statistics.median(ours) - statistics.median(theirs))}")


def cost(runs=2):
    """CPU time, peak memory and wake-ups of a ten-second wait, beside
    `sleep 10` measured the same way."""
    print(f"ten-second waits, {runs} runs each:")
    for _ in range(runs):
        for name, argv in (("kelvarn /S:10", [KELVARN, "/S:10"]), ("sleep 10    ", [SLEEP, "10"])):
            pid = spawn(argv)
            time.sleep(1.5)
            peak = peak_memory_kib(pid)
            # Ended but not yet reaped: the scheduler's own count of time on
            # a CPU, in nanoseconds, is still there.
            os.waitid(os.P_PID, pid, os.WEXITED | os.WNOWAIT)
            with open(f"/proc/{pid}/schedstat") as schedstat:
                on_cpu = int(schedstat.read().split()[0]) / 1e9
            _, _, usage = os.wait4(pid, 0)
            cpu = usage.ru_utime + usage.ru_stime
            print(f"  {name} CPU {ms(cpu)} (getrusage) {ms(on_cpu)} (schedstat), "
                  f"peak memory {peak} KiB, voluntary context switches {usage.ru_nvcsw}")


def clock_lateness(runs=4):
    """How long after the start of the target minute /T:hh:mm ends, with the
    local clock placed by TZ about two seconds before a minute."""
    late = []
    for _ in range(runs):
        now = time.time()
        offset = (math.floor(now) - 58) % 60
        env = dict(os.environ, TZ=f"XYZ+00:00:{offset:02d}")
        local_minute_start = (math.floor(now) - offset) // 60 * 60 + 60
        target = time.gmtime(local_minute_start)
        option = f"/T:{target.tm_hour:02d}:{target.tm_min:02d}"
        _, _, status = run([KELVARN, option], env)
        ended = time.time()
        late.append(ended - (local_minute_start + offset))
        if status != 0:
            print(f"  {option} ended with status {status}")
    print(f"/T:hh:mm, end after the start of the minute, {runs} runs:")
    print(f"  median {ms(statistics.median(late))}, worst {ms(max(late))}")


if __name__ == "__main__":
    print(f"kelvarn: {KELVARN}")
    startup()
    seconds_wait()
    cost()
    clock_lateness()
