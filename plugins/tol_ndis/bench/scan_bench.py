#!/usr/bin/env python3
"""Benchmark of a tol_ndis range scan: a /24 sweep (127.0.20.1 .. 127.0.20.254) inside a network
namespace where 4 hosts answer (each with an SNMP agent) and the rest stay silent, run through
plugin_host.exe in a Wine session inside the namespace. Prints its wall time beside the design's
floor (ceil(addresses / 32) x (1 s + 100 ms)) and beside fping over the same range in the same
run, with the hosts each found. Prints figures only; nothing passes or fails.

    scan_bench.py <build dir>       (inside tools/wine_session.sh, as make bench runs it)
"""
import math
import os
import pathlib
import sys
import tempfile
import threading
import time

build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
source = pathlib.Path(__file__).resolve().parents[3]
os.environ.setdefault("TOL_BIN_DIR", str(build / "testbed"))
os.environ.setdefault("TOL_SOURCE_DIR", str(source))
sys.path.insert(0, str(source / "system_tests"))
sys.path.insert(0, str(source / "tools" / "refserver"))

import netns  # noqa: E402
import plugin_host  # noqa: E402
import winhost  # noqa: E402
from ndis_peer import CLSID, SnmpAgent, fping, records_of, scan_namespace  # noqa: E402

LIVE = ["127.0.20.1", "127.0.20.3", "127.0.20.7", "127.0.20.200"]
FIRST, END = "127.0.20.1", "127.0.20.255"   # the end address is not scanned
ADDRESSES = 254


class LogWatch(threading.Thread):
    """Notes when lines appear in the host's log (polled every 5 ms)."""

    def __init__(self, log):
        super().__init__(daemon=True)
        self.log = log
        self.seen = {}
        self.done = threading.Event()

    def run(self):
        while not self.done.is_set():
            if self.log.exists():
                for line in self.log.read_text(errors="replace").splitlines():
                    self.seen.setdefault(line.split(" ", 1)[0], time.monotonic())
            time.sleep(0.005)


def sweep(wine):
    session = plugin_host.Session("tol_ndis.dll", CLSID)
    with tempfile.TemporaryDirectory(prefix="tol20_bench_") as temp:
        folder = pathlib.Path(temp)
        watch = LogWatch(folder / "out" / "log.txt")
        watch.start()
        run = wine.run_script(session.prologue() +
                              ["add DCA\\t1\\t1\\t%s\\t%s" % (FIRST, END),
                               "wait-data %d 120000" % (len(LIVE) + 1), "get"] +
                              session.epilogue(), timeout=300, folder=folder)
        watch.done.set()
        watch.join()
    records = records_of(run)
    took = watch.seen.get("wait-data", 0) - watch.seen.get("add", 0)
    hosts = {r.texts[0] for r in records if r.texts != ["finished"]}
    finished_last = bool(records) and records[-1].texts == ["finished"]
    return took, hosts, finished_last


def main():
    if not winhost.available():
        print("needs the Wine session of tools/wine_session.sh")
        return 0
    floor = math.ceil(ADDRESSES / 32) * 1.1
    with scan_namespace("tol20_bench_%d" % os.getpid(), LIVE) as name, \
            SnmpAgent(LIVE, namespace=name), \
            netns.wine_session(name, prefix_name="tol20_bench_prefix_") as wine:
        found_fping, fping_took = fping("127.0.20.1", "127.0.20.254", namespace=name)
        took, hosts, finished_last = sweep(wine)
    print("addresses %d (%s .. 127.0.20.254), live %d, the rest silent" % (ADDRESSES, FIRST,
                                                                          len(LIVE)))
    print("tol_ndis scan   %6.2f s  (%.2f x the floor of %.1f s)  hosts %s%s"
          % (took, took / floor, floor, sorted(hosts),
             "" if finished_last else "  [no closing 'finished']"))
    print("fping -t 1000   %6.2f s  hosts %s  (same hosts: %s)"
          % (fping_took, sorted(found_fping), "yes" if hosts == found_fping else "NO"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
