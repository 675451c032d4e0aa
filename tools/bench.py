#!/usr/bin/env python3
"""make bench: runs the project's benchmarks inside the build's Wine session and prints their
figures. Nothing here passes or fails on a figure."""
import os
import pathlib
import subprocess
import sys

build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
bin_dir = build / "testbed"
source = pathlib.Path(__file__).resolve().parent.parent
wine = os.environ["TOL_WINE"]


def section(title):
    print("\n== %s ==" % title, flush=True)


for exe, title in [("send_path_bench.exe",
                    "send path: AddToCache, TakeSendBlock, compress2 via zlibwapi.dll beside libz"),
                   ("ping_bench.exe", "ICMP echo to 127.0.0.1"),
                   ("net_bench.exe", "tol_net: the sampler's CPU time a second with 1, 10 and 50 "
                                     "tests, and one Get with the adapter list")]:
    if (bin_dir / exe).exists():
        section(title)
        subprocess.run([wine, str(bin_dir / exe)], stdin=subprocess.DEVNULL, check=False)

if (bin_dir / "idle_agent_bench.exe").exists():
    section("idle agent: the real main loop, POL 1 from the reference server, 60 ticks")
    subprocess.run([sys.executable, str(source / "agent" / "bench" / "idle_agent.py"), str(build)],
                   stdin=subprocess.DEVNULL, check=False)

snmp_bench = source / "platform" / "wsnmp32" / "bench" / "bench.py"
if snmp_bench.exists():
    section("SNMP GET round trips: wsnmp32.dll beside net-snmp")
    subprocess.run([sys.executable, str(snmp_bench), str(build)], stdin=subprocess.DEVNULL,
                   check=False)
subprocess.run([sys.executable, str(source / "tol_utils/bench/ping_compare.py"), str(build)])
subprocess.run([sys.executable, str(source / "plugins/tol_disk/bench/disk_compare.py"), str(build)])

eventlog_bench = source / "plugins" / "tol_eventlog" / "bench" / "eventlog_bench.py"
if (bin_dir / "tol_eventlog.dll").exists():
    section("event log: one check pass over a scripted log of 10,000 and of 100,000 records")
    subprocess.run([sys.executable, str(eventlog_bench), str(build)], stdin=subprocess.DEVNULL,
                   check=False)

proc_bench = source / "plugins" / "tol_proc" / "bench" / "proc_bench.py"
if (bin_dir / "proc_bench.exe").exists():
    section("tol_proc: one check pass of 50 name tests and one Get on 200 processes")
    subprocess.run([sys.executable, str(proc_bench), str(build)], stdin=subprocess.DEVNULL,
                   check=False)
section("SNMP GETNEXT walk: CSNMPmon, wsnmp32.dll and snmpwalk beside the bare Win32 UDP loop")
subprocess.run([sys.executable, str(source / "tol_utils" / "bench" / "snmp_walk_bench.py"), str(build)],
               stdin=subprocess.DEVNULL, check=False)
http_bench = source / "plugins" / "tol_http" / "bench" / "http_bench.py"
if (bin_dir / "http_bench.exe").exists():
    section("HTTP and HTTPS checks beside curl, and one pass of 200 tests")
    subprocess.run([sys.executable, str(http_bench), str(build)], stdin=subprocess.DEVNULL,
                   check=False)

snmp_plugin_bench = source / "plugins" / "tol_snmp" / "bench" / "snmp_bench.py"
if (bin_dir / "snmp_bench.exe").exists():
    section("tol_snmp: one pass of 50 SPA tests beside snmpget, a burst of 1,000 traps from snmptrap, "
            "and a 30-s trap flood from a raw sender")
    subprocess.run([sys.executable, str(snmp_plugin_bench), str(build)], stdin=subprocess.DEVNULL,
                   check=False)

ndis_bench = source / "plugins" / "tol_ndis" / "bench" / "scan_bench.py"
if (bin_dir / "tol_ndis.dll").exists():
    section("tol_ndis: a /24 sweep with 4 live hosts beside the floor and fping, in a namespace")
    subprocess.run([sys.executable, str(ndis_bench), str(build)], stdin=subprocess.DEVNULL,
                   check=False)
subprocess.run([sys.executable, str(source / "plugins/tol_mem/bench/mem_compare.py"), str(build)])
subprocess.run([sys.executable, str(source / "plugins/tol_cpu/bench/cpu_compare.py"), str(build)])
