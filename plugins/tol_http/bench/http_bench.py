#!/usr/bin/env python3
"""The HTTP plug-in's figures beside curl, against a Debian nginx on 127.0.22.1 (the tests'
nginx_site), for HTTP and HTTPS: the median over 50 of curl's time_total, of a bare
synchronous WinINet GET under Wine (what any Windows client pays here: Wine's fixed cost), of
the check time the plug-in writes into its record and of the wall time of one check (request
thread, WinINet set-up, record); then one pass of 200 tests: wall time and threads.

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
wine = os.environ["TOL_WINE"]
bench_exe = str(build / "bin" / "http_bench.exe")


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
        print("%-6s %10s %12s %12s %12s %14s %14s" % (
            "", "curl ms", "WinINet ms", "record ms", "check ms", "Wine fixed ms",
            "plug-in ms"))
        for server, label in (("plain", "HTTP"), ("good", "HTTPS")):
            url = site.url("/marker.html", server)
            bench("check", site, server, 3)                 # warm-up: DLLs, certificates
            peer = median(curl_times(url))
            bare = median([float(s[0]) for s in bench("bare", site, server, SAMPLES)])
            checks = bench("check", site, server, SAMPLES)
            record = median([float(s[0]) for s in checks])
            wall = median([float(s[1]) for s in checks])
            print("%-6s %10.2f %12.2f %12.2f %12.2f %14.2f %14.2f" % (
                label, peer, bare, record, wall, bare - peer, wall - bare))
        print("(medians of %d; Wine fixed = bare WinINet GET under Wine - curl; plug-in = one "
              "check's wall time - bare WinINet GET)" % SAMPLES)
        for sample in bench("pass", site, "plain", PASS_TESTS):
            tests, posted, wall, threads = sample
            print("one pass of %s tests (HTTP): %s records, wall %.1f ms, peak threads in the "
                  "process %s" % (tests, posted, float(wall), threads))


if __name__ == "__main__":
    main()
