#!/usr/bin/env python3
"""The process plug-in's benchmark: 200 idle processes started under the build's Wine session
(copies of proc_probe.exe under 50 names, four each), then proc_bench.exe with 50 name tests
times one check pass and one process list (Get) on that host; beside it, procps' ps reading
name, CPU time and resident size of every process of the machine natively. Prints figures only.

Usage: proc_bench.py <build dir> [processes] [names]"""
import os
import pathlib
import resource
import shutil
import subprocess
import sys
import tempfile
import time

build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
processes = int(sys.argv[2]) if len(sys.argv) > 2 else 200
names = int(sys.argv[3]) if len(sys.argv) > 3 else 50
wine = os.environ["TOL_WINE"]
PREFIX = "tol17_bench_"


def start_all(folder):
    exes = []
    for index in range(names):
        exe = folder / ("%s%02d.exe" % (PREFIX, index))
        shutil.copy2(build / "testbed" / "proc_probe.exe", exe)
        exes.append(exe)
    started = []
    for index in range(processes):
        started.append(subprocess.Popen([wine, str(exes[index % names]), "spin", "0", "0"],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True))
    for process in started:
        process.stdout.readline()  # "pid <n>": it runs
    return started


def ps_cost(rounds=20):
    """CPU time (user + system) and wall time of one `ps -e -o pid=,comm=,time=,rss=`, in ms."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    begin = time.monotonic()
    for _ in range(rounds):
        out = subprocess.run(["ps", "-e", "-o", "pid=,comm=,time=,rss="], capture_output=True,
                             text=True, check=False).stdout
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime) * 1000 / rounds
    return cpu, (time.monotonic() - begin) * 1000 / rounds, len(out.splitlines())


def main():
    folder = pathlib.Path(tempfile.mkdtemp(prefix="tol17_bench_"))
    started = []
    try:
        begin = time.monotonic()
        started = start_all(folder)
        print("%d idle processes under %d names started in %.1f s" %
              (len(started), names, time.monotonic() - begin), flush=True)
        subprocess.run([wine, str(build / "testbed" / "proc_bench.exe"), PREFIX, str(names),
                        "20"], stdin=subprocess.DEVNULL, check=False)
        cpu, wall, count = ps_cost()
        print("%-34s CPU %8.3f ms  wall %8.3f ms   per process: CPU %6.1f us  (%d processes)"
              % ("peer: procps ps -e (native)", cpu, wall, cpu * 1000 / count, count))
    finally:
        for process in started:
            process.kill()
        for process in started:
            process.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
