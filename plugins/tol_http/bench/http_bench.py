#!/usr/bin/env python3
"""The HTTP plug-in's figures beside curl, against a Debian nginx on 127.0.22.1 (the tests'
nginx_site), for HTTP and HTTPS, each the median over 50: curl's time_total; the check time
the plug-in writes into its record; the wall time of one check (a pass of one test: request
thread, WinINet session, request, record); the same request alone on a thread that exists
already; and the start and join of a thread that does nothing, the fixed cost Wine puts on
every request thread. Then the deepest stack a request thread reaches (50 at once, HTTP and
HTTPS), and one pass of 200 tests: wall time and peak threads.

    python3 plugins/tol_http/bench/http_bench.py build/x86_64     (inside the Wine session)
"""
import os
import pathlib
import statistics
import subprocess
import sys

build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
source = pathlib.Path(__file__).resolve().parents[3]
sys.path.insert(0, str(source / "system_tests"))
os.environ.setdefault("TOL_BUILD_DIR", str(build))

from nginx_site import NginxSite  # noqa: E402

SAMPLES = 50
PASS_TESTS = 200
STACK_TESTS = 50
wine = os.environ["TOL_WINE"]
bench_exe = str(build / "testbed" / "http_bench.exe")


def curl_times(url):
    times = []
    for _ in range(SAMPLES):
        out = subprocess.run(["curl", "-s", "-k", "-o", "/dev/null", "-w", "%{time_total}", url],
                             capture_output=True, text=True, timeout=60).stdout
        times.append(float(out) * 1000)
    return times


def bench(mode, site, server, count, path="/marker.html"):
    secure = "0" if server == "plain" else "1"
    out = subprocess.run([wine, bench_exe, mode, site.host(server), str(site.port(server)), path,
                          secure, str(count)], capture_output=True, text=True, timeout=600,
                         stdin=subprocess.DEVNULL).stdout
    return [line.split()[1:] for line in out.splitlines() if line.startswith(mode)]


def median(values):
    return statistics.median(values) if values else float("nan")


def main():
    with NginxSite() as site:
        print("%-6s %8s %10s %10s %12s %14s %12s %12s" % (
            "", "curl", "record", "check", "alone", "over curl", "Wine thread", "plug-in"))
        for server, label in (("plain", "HTTP"), ("good", "HTTPS")):
            url = site.url("/marker.html", server)
            bench("check", site, server, 3)                 # warm-up: DLLs, certificates
            peer = median(curl_times(url))
            checks = bench("check", site, server, SAMPLES)
            record = median([float(s[0]) for s in checks])
            wall = median([float(s[1]) for s in checks])
            alone = median([float(s[1]) for s in bench("measure", site, server, SAMPLES)])
            thread = median([float(s[0]) for s in bench("thread", site, server, SAMPLES)])
            over = wall - peer
            print("%-6s %8.2f %10.2f %10.2f %12.2f %14.2f %12.2f %12.2f" % (
                label, peer, record, wall, alone, over, thread, over - thread))
        print("(ms, medians of %d. over curl = check - curl, of which Wine thread = start and "
              "join of an empty thread under Wine, plug-in = the rest. WinINet keeps connections "
              "alive across checks in one process; curl opens a new one each time)" % SAMPLES)
        for server, label in (("plain", "HTTP"), ("good", "HTTPS")):
            for records, deepest, reserved in bench("stack", site, server, STACK_TESTS):
                print("request thread stack (%s), deepest of %s requests: %.1f KiB of the %d KiB "
                      "each reserves" % (label, records, int(deepest) / 1024.0, int(reserved) // 1024))
        for sample in bench("pass", site, "plain", PASS_TESTS):
            tests, posted, wall, threads = sample
            print("one pass of %s tests (HTTP): %s records, wall %.1f ms, peak threads in the "
                  "process %s" % (tests, posted, float(wall), threads))


if __name__ == "__main__":
    main()
