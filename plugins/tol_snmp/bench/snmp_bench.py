#!/usr/bin/env python3
"""The SNMP plug-in's figures beside net-snmp, against a Debian snmpd on 127.0.23.1:

- one check pass of 50 SPA tests of 5 identifiers each (snmp_bench.exe: the checker's request
  threads over wsnmp32.dll): wall time and requests per second; beside it snmpget asking the
  same 50 requests, 50 processes at once and one after the other;
- traps: the listener of a TRA while snmptrap sends a burst of 1,000 v2c traps (each gives two
  packages, sysUpTime and snmpTrapOID): packages posted, lost, and posted per second;
- a trap flood: the real plug-in in plugin_host.exe listening while a raw sender sends traps of
  40 bindings as fast as it can for 30 s, the host fetching every 10 s as the agent would:
  traps sent, packages posted, dropped by the listener's queue and by the pending store,
  handed over, and the host's private bytes and working set (at the start, the highest of the
  samples taken every second, and the process's own peak).

    python3 plugins/tol_snmp/bench/snmp_bench.py build/x86_64     (inside the Wine session)
"""
import concurrent.futures
import os
import pathlib
import subprocess
import sys
import time

build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
source = pathlib.Path(__file__).resolve().parents[3]
sys.path.insert(0, str(source / "platform" / "wsnmp32" / "tests"))
import netsnmp_peer  # noqa: E402
from netsnmp_peer import COMMUNITY  # noqa: E402

HOST = "127.0.23.1"
SENDER = "127.0.23.3"
TESTS = 50
OIDS = ["1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.3.0", "1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.2.1.0",
        "1.3.6.1.4.1.99999.1.1.0"]
PASSES = 3
TRAPS = 1000
PACKAGES_PER_TRAP = 2
SENDERS = 8  # snmptrap processes at a time
FLOOD_SECONDS = 30
FLOOD_BINDINGS = 40
FLOOD_FETCH_EVERY = 10  # seconds between two Gets during the flood
CLSID = "{B4A606AE-24D1-4D95-AC09-0E588D904C5F}"
wine = os.environ["TOL_WINE"]
bench_exe = str(build / "testbed" / "snmp_bench.exe")


def rate(count, ms):
    return count / (ms / 1000.0) if ms > 0 else float("inf")


def snmpget(agent):
    return netsnmp_peer.tool("snmpget", "-v", "2c", "-c", COMMUNITY, "-t", "5", "-r", "1", "-On",
                             agent.address, *OIDS)


def snmpget_wall(agent, workers):
    start = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(workers) as pool:
        answers = list(pool.map(lambda _: snmpget(agent), range(TESTS)))
    ms = (time.perf_counter() - start) * 1000
    return ms, sum(a.returncode == 0 for a in answers)


def passes(agent):
    out = subprocess.run([wine, bench_exe, "pass", HOST, str(agent.port), COMMUNITY, str(TESTS),
                          ";".join(OIDS), str(PASSES)], capture_output=True, text=True, timeout=600,
                         stdin=subprocess.DEVNULL).stdout
    print("%-52s %8s %6s %10s %10s" % ("", "records", "good", "wall ms", "requests/s"))
    for n, line in enumerate(l for l in out.splitlines() if l.startswith("pass ")):
        records, good, ms = line.split()[1:]
        print("%-52s %8s %6s %10.1f %10.0f" % (
            "tol_snmp check pass %d (%d tests x %d identifiers)" % (n + 1, TESTS, len(OIDS)),
            records, good, float(ms), rate(int(records), float(ms))))
    for workers, label in ((TESTS, "snmpget, 50 processes at once"), (1, "snmpget, one after the other")):
        ms, good = snmpget_wall(agent, workers)
        print("%-52s %8d %6d %10.1f %10.0f" % (label, TESTS, good, ms, rate(TESTS, ms)))
    out = subprocess.run([wine, bench_exe, "stack", HOST, str(agent.port), COMMUNITY, str(TESTS),
                          ";".join(OIDS)], capture_output=True, text=True, timeout=600,
                         stdin=subprocess.DEVNULL).stdout
    for line in (l for l in out.splitlines() if l.startswith("stack ")):
        records, deepest, reserved = (int(v) for v in line.split()[1:])
        print("request thread stack, deepest of %d requests: %.1f KiB of the %d KiB each reserves" % (
            records, deepest / 1024.0, reserved // 1024))


def traps():
    port = netsnmp_peer.free_udp_port("0.0.0.0")
    wanted = TRAPS * PACKAGES_PER_TRAP
    listener = subprocess.Popen([wine, bench_exe, "traps", str(wanted), "120"], stdout=subprocess.PIPE,
                                text=True, stdin=subprocess.DEVNULL,
                                env=dict(os.environ, WSNMP32_TRAP_PORT=str(port)))
    if listener.stdout.readline().strip() != "listening":
        print("the trap listener did not start")
        listener.wait()
        return

    def one(n):
        return netsnmp_peer.tool("snmptrap", f"--clientaddr={SENDER}", "-v", "2c", "-c", "tol23bench",
                                 f"{HOST}:{port}", str(n), ".1.3.6.1.4.1.99999.0.1").returncode

    start = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(SENDERS) as pool:
        sent = sum(rc == 0 for rc in pool.map(one, range(TRAPS)))
    send_ms = (time.perf_counter() - start) * 1000
    out, _ = listener.communicate(timeout=300)
    posted, ms = next((l.split()[1:] for l in out.splitlines() if l.startswith("traps ")), ("0", "0"))
    posted = int(posted)
    print("snmptrap: %d traps sent in %.1f ms (%.0f/s, %d processes at a time)" % (
        sent, send_ms, rate(sent, send_ms), SENDERS))
    print("tol_snmp: %d packages posted of %d (%d lost), first to last %.1f ms: %.0f packages/s, "
          "%.0f traps/s" % (posted, sent * PACKAGES_PER_TRAP, sent * PACKAGES_PER_TRAP - posted,
                            float(ms), rate(posted, float(ms)),
                            rate(posted / PACKAGES_PER_TRAP, float(ms))))


def flood():
    os.environ.setdefault("TOL_BIN_DIR", str(build / "testbed"))
    sys.path.insert(0, str(source / "system_tests"))
    import plugin_host  # noqa: E402
    import snmp_datagrams  # noqa: E402
    port = netsnmp_peer.free_udp_port("0.0.0.0")
    session = plugin_host.Session("tol_snmp.dll", CLSID, env={"WSNMP32_TRAP_PORT": str(port)})
    with session.live(timeout=300) as live:
        live.send("add TRA\t41\t5", "sleep 500", "memory")
        live.wait(lambda r: r.entries("memory"))
        sender = subprocess.Popen([sys.executable, snmp_datagrams.__file__, "flood", SENDER, HOST, str(port),
                                   str(FLOOD_BINDINGS)], stdout=subprocess.PIPE, text=True)
        start = time.monotonic()
        for second in range(1, FLOOD_SECONDS + 1):
            time.sleep(max(0.0, start + second - time.monotonic()))
            live.send("memory", *(["get"] if second % FLOOD_FETCH_EVERY == 0 else []))
        sender.terminate()
        sent = int(sender.communicate(timeout=30)[0].split()[1])
        seconds = time.monotonic() - start
        live.send("add TRD\t41\t0", "get", "memory")
        run = live.wait(lambda r: len(r.entries("memory")) == FLOOD_SECONDS + 2, timeout=300)
    samples = [[int(n) for n in detail.split()] for hr, detail in run.entries("memory") if hr == plugin_host.S_OK]
    logs = [e.text for e in run.events if e.kind == "I4"]
    queue_dropped = sum(int(t.split()[1]) for t in logs if "trap packages dropped" in t)
    store_dropped = sum(int(t.split()[1]) for t in logs if " results (" in t)
    handed = sum(1 for stream in run.results for _ in plugin_host.split_stream(stream))
    posted = len(run.texts("UI4"))
    print("raw sender: %d traps of %d bindings in %.1f s (%.0f traps/s, %.0f bindings/s)" % (
        sent, FLOOD_BINDINGS, seconds, sent / seconds, sent * FLOOD_BINDINGS / seconds))
    print("tol_snmp: %d packages posted (%.0f/s), %d dropped by the listener's queue, %d dropped by "
          "the pending store, %d handed over in %d Gets" % (
              posted, posted / seconds, queue_dropped, store_dropped, handed, len(run.results)))
    # Samples: private bytes, their peak, working set, its peak (Wine reports private bytes as 0).
    for name, now, peak in (("private bytes", 0, 1), ("working set", 2, 3)):
        print("plugin_host %s: %.1f MB at the start, %.1f MB the highest sample, %.1f MB the process's "
              "peak" % (name, samples[0][now] / 2**20, max(s[now] for s in samples) / 2**20,
                        max(s[peak] for s in samples) / 2**20))


def main():
    agent = netsnmp_peer.Agent(HOST, prefix="tol23_bench_", parent=str(build / "tol23_snmp"),
                               extra_conf=[f"rocommunity {COMMUNITY} 127.0.23.0/24"])
    try:
        passes(agent)
    finally:
        agent.stop()
    traps()
    flood()


if __name__ == "__main__":
    main()
