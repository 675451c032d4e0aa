"""A GETNEXT walk of one snmpd's whole 1.3.6.1.2.1 tree through CSNMPmon (one client object
created, sent, awaited and destroyed per request, as the plug-ins walk), through the bare
WinSNMP layer and with net-snmp's snmpwalk; beside the floor of any Win32 program here, a
bare UDP request/answer loop under Wine (one socket, a fixed GETNEXT, a blocking receive with
a time-out, and the same loop waiting in select). Prints figures only.

Run inside the build's Wine session:
  tools/wine_session.sh build/x86_64 x86_64 /usr/bin/python3 tol_utils/bench/snmp_walk_bench.py build/x86_64
"""
import json
import os
import pathlib
import re
import subprocess
import sys
import time

SOURCE = pathlib.Path(__file__).resolve().parent.parent.parent
sys.path.insert(0, str(SOURCE / "platform" / "wsnmp32" / "tests"))
import netsnmp_peer  # noqa: E402

ROOT = "1.3.6.1.2.1"
UDP_REQUESTS = 10000
ROUNDS = 3  # interleaved; the median of each is printed, as other work on the host moves single runs


def wine(bin_dir, program, *args):
    return subprocess.run([os.environ["TOL_WINE"], str(bin_dir / program), *map(str, args)],
                          capture_output=True, text=True, timeout=900, stdin=subprocess.DEVNULL).stdout


def client_walk(bin_dir, agent):
    out = wine(bin_dir, "snmp_client_probe.exe", "walk", agent.host, agent.port, netsnmp_peer.COMMUNITY, ROOT, 2,
               "quiet")
    end = [json.loads(l) for l in out.splitlines() if l.startswith('{"walk_end"')][0]
    return end["requests"], end["ms"]


def layer_walk(bin_dir, agent):
    out = wine(bin_dir, "snmp_probe.exe", "walk", agent.host, agent.port, 2, netsnmp_peer.COMMUNITY, 200, 1,
               "." + ROOT)
    m = re.search(r"WALK END (\d+) ([\d.]+)", out)
    return int(m.group(1)) + 1, float(m.group(2))


def snmpwalk(_, agent):
    start = time.perf_counter()
    walked = agent.get("." + ROOT, command="snmpwalk", options=("-On",))
    ms = (time.perf_counter() - start) * 1000
    return len([l for l in walked.stdout.splitlines() if " = " in l]) + 1, ms


def udp_loop(mode):
    def run(bin_dir, agent):
        out = wine(bin_dir, "snmp_udp_loop.exe", agent.host, agent.port, netsnmp_peer.COMMUNITY, UDP_REQUESTS, mode)
        m = re.search(r"UDP (\d+) (\d+) ([\d.]+)", out)
        return int(m.group(2)), float(m.group(3))
    return run


MEASURES = [("client", "walk via CSNMPmon", client_walk),
            ("layer", "walk via wsnmp32", layer_walk),
            ("snmpwalk", "snmpwalk", snmpwalk),
            ("udp", "bare Win32 UDP loop", udp_loop("")),
            ("select", "bare Win32 UDP loop in select", udp_loop("select"))]


def main():
    bin_dir = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve() / "testbed"
    agent = netsnmp_peer.Agent(extra_conf=["dontLogTCPWrappersConnects yes"])
    try:
        runs = {key: [] for key, _, _ in MEASURES}
        for _ in range(ROUNDS):
            for key, _, measure in MEASURES:
                requests, ms = measure(bin_dir, agent)
                runs[key].append((requests / (ms / 1000.0), requests, ms))
        print(f"GETNEXT walk of {ROOT} and the UDP floor, median of {ROUNDS} interleaved runs:")
        rates = {}
        for key, label, _ in MEASURES:
            rate, requests, ms = sorted(runs[key])[len(runs[key]) // 2]
            rates[key] = rate
            print(f"{label:<30} {rate:>8.0f}/s  ({requests} requests in {ms:.0f} ms)", flush=True)
        for key, label in (("client", "walk via CSNMPmon"), ("layer", "walk via wsnmp32"), ("snmpwalk", "snmpwalk")):
            print(f"{label} / bare Win32 UDP loop: {rates[key] / rates['udp']:.2f}")
    finally:
        agent.stop()


if __name__ == "__main__":
    main()
