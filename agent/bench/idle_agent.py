#!/usr/bin/env python3
"""The idle agent: idle_agent_bench.exe runs the work engine's real main loop under the
build's Wine session against the reference server on the loopback, which answers the login
with POL 1 (a tick a second) and every send with nothing to do. Prints the program's figures
(CPU time per tick, private bytes at the start and at the end) and what the server saw.

Usage: idle_agent.py <build dir> [ticks]
"""
import os
import pathlib
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent.parent / "tools" / "refserver"))

from refserver import RefServer  # noqa: E402

ACCOUNT = ("ops@example.com", "idle-host")


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/i686").resolve()
    ticks = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    exe = build / "testbed" / "idle_agent_bench.exe"
    with RefServer(accounts=[ACCOUNT], tls=True, decoder=None) as server:
        server.queue(kind="login", body="POL\t0\t1")
        # A login and then one send per tick.
        done = subprocess.run([os.environ["TOL_WINE"], str(exe), server.url, ACCOUNT[0],
                               ACCOUNT[1], str(ticks + 1)], stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=ticks * 3 + 120)
        print(done.stdout, end="")
        if done.returncode != 0:
            print("idle_agent_bench.exe ended with %d: %s" % (done.returncode, done.stderr[-500:]))
        kinds = [exchange.kind for exchange in server.exchanges]
        print("server: %d login(s), %d send(s), %d protocol violation(s), over HTTPS"
              % (kinds.count("login"), kinds.count("session"), len(server.violations)))


if __name__ == "__main__":
    main()
