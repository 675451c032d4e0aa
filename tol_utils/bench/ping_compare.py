#!/usr/bin/env python3
"""Round trips to 127.0.0.1 as tol_utils' ping measures them (ping_bench.exe under the build's
Wine session) beside the floor of any Win32 program under the same Wine (icmp_echo_floor.exe:
one raw socket, a blocking receive) and iputils ping on the same machine, and probes per second with 32 threads
(ours) and 32 processes (iputils) at once. Prints figures only.

Usage: ping_compare.py <build dir> [probes] [seconds]"""
import concurrent.futures
import os
import pathlib
import re
import shutil
import statistics
import subprocess
import sys
import time

TARGET = "127.0.0.1"
PARALLEL = 32
# Our ping pauses 100 ms before each request; iputils is paced the same way.
INTERVAL = "0.1"


def ours(build, probes, seconds):
    exe = build / "testbed" / "ping_bench.exe"
    out = subprocess.run([os.environ["TOL_WINE"], str(exe), str(probes), str(seconds), "--each"],
                         stdin=subprocess.DEVNULL, capture_output=True, text=True,
                         timeout=probes + seconds + 60)
    times, other = [], []
    for line in out.stdout.splitlines():
        if line.startswith("rtt "):
            times.append(float(line.split()[1]))
        else:
            other.append(line)
    return times, other


def floor(build, probes):
    """The bare Win32 raw-socket echo loop under the same Wine."""
    exe = build / "testbed" / "icmp_echo_floor.exe"
    if not exe.exists():
        return []
    out = subprocess.run([os.environ["TOL_WINE"], str(exe), str(probes)],
                         stdin=subprocess.DEVNULL, capture_output=True, text=True,
                         timeout=probes + 60)
    return [float(line.split()[1]) for line in out.stdout.splitlines() if line.startswith("rtt ")]


def iputils(probes):
    out = subprocess.run(["ping", "-n", "-c", str(probes), "-i", INTERVAL, TARGET],
                         stdin=subprocess.DEVNULL, capture_output=True, text=True,
                         timeout=probes + 60)
    return [float(m) for m in re.findall(r"time=([0-9.]+) ms", out.stdout)]


def iputils_rate(seconds):
    count = max(1, int(seconds / float(INTERVAL)))

    def one(_):
        out = subprocess.run(["ping", "-n", "-q", "-c", str(count), "-i", INTERVAL, TARGET],
                             stdin=subprocess.DEVNULL, capture_output=True, text=True,
                             timeout=seconds + 60)
        sent = re.search(r"(\d+) packets transmitted, (\d+) received", out.stdout)
        return (int(sent.group(1)), int(sent.group(2))) if sent else (0, 0)

    started = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(PARALLEL) as pool:
        results = list(pool.map(one, range(PARALLEL)))
    elapsed = time.monotonic() - started
    sent = sum(s for s, _ in results)
    received = sum(r for _, r in results)
    print("iputils, %d processes for %.2f s: %d answered, %d lost, %.1f probes/s"
          % (PARALLEL, elapsed, received, sent - received, sent / elapsed))


def describe(name, times):
    answered = sorted(t for t in times if t > 0)
    if not answered:
        print("  %-8s %3d sent, none answered" % (name, len(times)))
        return None
    print("  %-8s %3d sent, %3d answered  min %.3f  median %.3f  mean %.3f  max %.3f ms"
          % (name, len(times), len(answered), answered[0], statistics.median(answered),
             statistics.mean(answered), answered[-1]))
    return statistics.median(answered)


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
    probes = int(sys.argv[2]) if len(sys.argv) > 2 else 50
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 5.0
    print("\n== ICMP echo to %s: tol ping beside iputils ping ==" % TARGET, flush=True)
    if shutil.which("ping") is None:
        print("iputils ping is not installed")
        return
    our_times, our_lines = ours(build, probes, seconds)
    floor_times = floor(build, probes)
    their_times = iputils(probes)
    print("round trips to %s, %d requests each:" % (TARGET, probes))
    ours_median = describe("tol ping", our_times)
    floor_median = describe("floor", floor_times)
    theirs_median = describe("iputils", their_times)
    if ours_median and theirs_median:
        print("  median ratio tol ping / iputils: %.2f" % (ours_median / theirs_median))
    if ours_median and floor_median:
        print("tol ping median / Win32 raw-socket floor: %.2f" % (ours_median / floor_median))
    for line in our_lines:
        if "probes/s" in line:
            print("tol ping, " + line)
    iputils_rate(seconds)


if __name__ == "__main__":
    main()
