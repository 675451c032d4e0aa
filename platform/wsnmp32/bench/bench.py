"""GET and GETNEXT round trips per second through wsnmp32.dll (snmp_probe.exe under Wine)
beside net-snmp's own client, against one snmpd on the loopback. Prints figures only.

Run inside the build's Wine session:
  tools/wine_session.sh build/x86_64 x86_64 /usr/bin/python3 platform/wsnmp32/bench/bench.py build/x86_64
"""
import os
import pathlib
import re
import subprocess
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests"))
import netsnmp_peer  # noqa: E402

GETS = 2000
SINGLE_PROCESS_GETS = 50
OID = ".1.3.6.1.4.1.99999.1.1.0"
SUBTREE = ".1.3.6.1.2.1"


def wine(bin_dir, *args):
    return subprocess.run([os.environ["TOL_WINE"], str(bin_dir / "snmp_probe.exe"), *map(str, args)],
                          capture_output=True, text=True, timeout=600, stdin=subprocess.DEVNULL)


def line(what, count, ms):
    rate = count / (ms / 1000.0) if ms > 0 else float("inf")
    print(f"{what:<58} {count:>6} in {ms:>9.1f} ms  {rate:>9.0f}/s")


def main():
    bin_dir = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve() / "testbed"
    agent = netsnmp_peer.Agent()
    try:
        port = agent.port
        out = wine(bin_dir, "bench", "127.0.0.1", port, 2, netsnmp_peer.COMMUNITY, OID, GETS).stdout
        m = re.search(r"BENCH (\d+) (\d+) ([\d.]+)", out)
        line("wsnmp32.dll GET v2c, one session (answered)", int(m.group(2)), float(m.group(3)))

        out = wine(bin_dir, "walk", "127.0.0.1", port, 2, netsnmp_peer.COMMUNITY, 200, 1, SUBTREE).stdout
        m = re.search(r"WALK END (\d+) ([\d.]+)", out)
        line(f"wsnmp32.dll GETNEXT walk of {SUBTREE}", int(m.group(1)) + 1, float(m.group(2)))

        start = time.perf_counter()
        walked = agent.get(SUBTREE, command="snmpwalk", options=("-On",))
        ms = (time.perf_counter() - start) * 1000
        rows = len([l for l in walked.stdout.splitlines() if " = " in l])
        line(f"net-snmp snmpwalk (GETNEXT) of {SUBTREE}, one process", rows + 1, ms)

        start = time.perf_counter()
        for _ in range(SINGLE_PROCESS_GETS):
            agent.get(OID)
        ms = (time.perf_counter() - start) * 1000
        line("net-snmp snmpget, one process per GET", SINGLE_PROCESS_GETS, ms)
    finally:
        agent.stop()


if __name__ == "__main__":
    main()
