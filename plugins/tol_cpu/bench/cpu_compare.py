#!/usr/bin/env python3
"""The processor plug-in's check pass (cpu_bench.exe under the build's Wine session) against an
snmpd of its own on 127.0.16.1:161, beside the same remote queries made with net-snmp's snmpget
and beside reading /proc/stat (what Wine reads for the local figures). Prints figures only.

Usage (inside the Wine session): cpu_compare.py <build dir> [passes]"""
import os
import pathlib
import resource
import subprocess
import sys
import time

SOURCE = pathlib.Path(__file__).resolve().parents[3]
sys.path.insert(0, str(SOURCE / "system_tests"))
from host_snmpd import COMMUNITY, PORT, HostAgent, tool  # noqa: E402

HOST = "127.0.16.1"
TESTS = 20
UCD = ["1.3.6.1.4.1.2021.11.%d.0" % n for n in range(50, 57)]


def measure(what, runs, work):
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    child = usage.ru_utime + usage.ru_stime
    cpu, wall = time.process_time(), time.perf_counter()
    for _ in range(runs):
        work()
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (time.process_time() - cpu + usage.ru_utime + usage.ru_stime - child) * 1000.0 / runs
    wall = (time.perf_counter() - wall) * 1000.0 / runs
    print("%-44s %5d passes  CPU %8.3f ms/pass  wall %8.3f ms/pass" % (what, runs, cpu, wall), flush=True)


def net_snmp(*args):
    return tool(args[0], "-v", "2c", "-c", COMMUNITY, "-On", "-Oq", "%s:%d" % (HOST, PORT), *args[1:])


def read_proc_stat():
    with open("/proc/stat") as f:
        return f.read()


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
    passes = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    print("\n== tol_cpu: check pass with 1 local and 20 remote tests against snmpd on %s, and with "
          "1 to 100 local tests, beside snmpget and /proc/stat ==" % HOST, flush=True)
    with HostAgent(HOST, prefix="tol16_bench_snmpd_"):
        subprocess.run([os.environ["TOL_WINE"], str(build / "testbed" / "cpu_bench.exe"), HOST, str(passes)],
                       stdin=subprocess.DEVNULL, check=False)
        measure("snmpget of the UCD counters per test, 20 tests", passes,
                lambda: [net_snmp("snmpget", *UCD) for _ in range(TESTS)])
        measure("one read of /proc/stat (in process)", passes * 20, read_proc_stat)


if __name__ == "__main__":
    main()
