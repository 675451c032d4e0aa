#!/usr/bin/env python3
"""The disk plug-in's CPU time per check pass and per drive list (disk_bench.exe under the
build's Wine session) beside the host's own answer to the same question: coreutils df for
every mounted file system, and one statvfs of the prefix's drive_c. Prints figures only.

Usage: disk_compare.py <build dir> [repetitions]"""
import os
import pathlib
import resource
import subprocess
import sys
import time


def children_cpu_ms():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (usage.ru_utime + usage.ru_stime) * 1000.0


def measure(what, runs, work):
    cpu, wall = time.process_time(), time.perf_counter()
    child = children_cpu_ms()
    for _ in range(runs):
        work()
    cpu = (time.process_time() - cpu) * 1000.0 + children_cpu_ms() - child
    wall = (time.perf_counter() - wall) * 1000.0
    print("%-58s %6d runs  CPU %8.3f ms/run  wall %8.3f ms/run" % (what, runs, cpu / runs,
                                                                   wall / runs))


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    print("\n== tol_disk: check pass and drive list beside df and statvfs ==", flush=True)
    subprocess.run([os.environ["TOL_WINE"], str(build / "testbed" / "disk_bench.exe"), str(runs)],
                   stdin=subprocess.DEVNULL, check=False)
    measure("df -B1, every mounted file system (a process each)", 50,
            lambda: subprocess.run(["df", "-B1"], stdout=subprocess.DEVNULL, check=False))
    drive_c = pathlib.Path(os.environ["WINEPREFIX"]) / "drive_c"
    measure("statvfs of drive_c (in process)", runs * 10, lambda: os.statvfs(drive_c))


if __name__ == "__main__":
    main()
