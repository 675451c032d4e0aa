#!/usr/bin/env python3
"""The memory plug-in's check pass (mem_bench.exe under the build's Wine session) against an snmpd
of its own on 127.0.15.1:161, beside the same queries made with net-snmp's snmpwalk and snmpget:
per remote memory test one walk of the storage descriptions and one GET of the rows found, per
load-average test one GET of the three loads. Prints figures only.

Usage (inside the Wine session): mem_compare.py <build dir> [passes]"""
import os
import pathlib
import resource
import subprocess
import sys
import time

SOURCE = pathlib.Path(__file__).resolve().parents[3]
sys.path.insert(0, str(SOURCE / "system_tests"))
from host_snmpd import COMMUNITY, PORT, HostAgent, tool  # noqa: E402

HOST = "127.0.15.1"
TESTS = 20
STORAGE = "1.3.6.1.2.1.25.2.3.1"
LOAD = ["1.3.6.1.4.1.2021.10.1.3.%d" % n for n in (1, 2, 3)]


def children_cpu_ms():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (usage.ru_utime + usage.ru_stime) * 1000.0


def measure(what, runs, work):
    child, wall = children_cpu_ms(), time.perf_counter()
    for _ in range(runs):
        work()
    cpu = (children_cpu_ms() - child) / runs
    wall = (time.perf_counter() - wall) * 1000.0 / runs
    print("%-52s %4d passes  CPU %8.3f ms/pass  wall %8.3f ms/pass" % (what, runs, cpu, wall), flush=True)


def net_snmp(*args):
    return tool(args[0], "-v", "2c", "-c", COMMUNITY, "-On", "-Oq", "%s:%d" % (HOST, PORT), *args[1:])


def memory_queries(rows):
    for _ in range(TESTS):
        net_snmp("snmpwalk", STORAGE + ".3")
        net_snmp("snmpget", *rows)


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
    passes = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    print("\n== tol_mem: check pass with 1 local and 20 remote tests against snmpd on %s, beside "
          "snmpwalk/snmpget ==" % HOST, flush=True)
    with HostAgent(HOST, prefix="tol15_bench_snmpd_") as agent:
        subprocess.run([os.environ["TOL_WINE"], str(build / "testbed" / "mem_bench.exe"), HOST, str(passes)],
                       stdin=subprocess.DEVNULL, check=False)
        rows = ["%s.%d.%d" % (STORAGE, column, row) for row in (1, 3, 6, 7, 10)
                for column in ((5, 4, 6) if row in (1, 3, 10) else (5, 4))]
        assert len(agent.get(*rows)) == len(rows)
        measure("snmpwalk + snmpget per test, 20 memory tests", passes, lambda: memory_queries(rows))
        measure("snmpget per test, 20 load-average tests", passes,
                lambda: [net_snmp("snmpget", *LOAD) for _ in range(TESTS)])


if __name__ == "__main__":
    main()
