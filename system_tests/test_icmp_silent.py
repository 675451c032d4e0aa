"""The ping plug-in against a host that never answers.

The host is an address of the loopback range inside a network namespace of this test whose
loopback device drops every packet it is given (a queue of length 0): each echo request is
sent and vanishes, and nothing comes back, not even the request itself. Wine makes its
sockets inside wineserver, so a whole Wine session of its own (a copy of the test prefix, its
own wineserver) runs inside the namespace."""
import os
import pathlib
import shutil
import subprocess
import tempfile
import time

import pytest

import plugin_host
import test_icmp
import winhost

SILENT = "127.77.0.1"
COUNT = 3
TIMEOUT_MS = 500
WAIT_TIMEOUT = "0x80070102"  # HRESULT_FROM_WIN32(WAIT_TIMEOUT)


def ip(*args, check=True):
    return subprocess.run(["ip", *args], capture_output=True, text=True, check=check,
                          stdin=subprocess.DEVNULL, timeout=30)


@pytest.fixture
def namespace():
    """A network namespace whose loopback is up and drops everything; deleted afterwards
    whatever happened."""
    if os.geteuid() != 0:
        pytest.skip("a network namespace needs root")
    if shutil.which("ip") is None or shutil.which("tc") is None:
        pytest.skip("the ip and tc tools (iproute2) are not installed")
    name = "tolping_%d" % os.getpid()
    made = ip("netns", "add", name, check=False)
    if made.returncode != 0:
        pytest.skip("cannot make a network namespace: " + made.stderr.strip())
    try:
        ip("netns", "exec", name, "ip", "link", "set", "lo", "up")
        ip("netns", "exec", name, "tc", "qdisc", "add", "dev", "lo", "root", "pfifo",
           "limit", "0")
        yield name
    finally:
        ip("netns", "del", name, check=False)


def wineserver():
    explicit = os.environ.get("TOL_WINESERVER")
    if explicit:
        return explicit
    return "/usr/lib/wine/wineserver64" if winhost.ARCH == "x86_64" else "/usr/bin/wineserver"


class NamespaceSession:
    """A Wine session on a private copy of the test prefix, every process in the namespace."""

    def __init__(self, namespace, prefix):
        self.namespace = namespace
        self.env = dict(os.environ, WINEPREFIX=str(prefix))

    def call(self, *command, timeout=60, capture=False):
        out = subprocess.PIPE if capture else subprocess.DEVNULL
        return subprocess.run(["ip", "netns", "exec", self.namespace, *command], env=self.env,
                              stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                              timeout=timeout, encoding="utf-8", errors="replace")

    def __enter__(self):
        self.call(wineserver(), "-p")
        self.call(winhost.WINE, "wineboot", timeout=120)
        return self

    def __exit__(self, *exc):
        self.call(wineserver(), "-k")
        self.call(wineserver(), "-w")

    def run_script(self, commands, timeout=120):
        with tempfile.TemporaryDirectory(prefix="plugin_host_") as temp:
            folder = pathlib.Path(temp)
            script = folder / "script.txt"
            script.write_text("\n".join(commands) + "\n", encoding="utf-8")
            out = folder / "out"
            completed = self.call(winhost.WINE, str(winhost.BIN_DIR / "plugin_host.exe"),
                                  plugin_host.windows_path(script),
                                  plugin_host.windows_path(out), timeout=timeout, capture=True)
            return plugin_host.Run(out, completed)


@pytest.fixture
def session(namespace):
    prefix_of_tests = os.environ.get("WINEPREFIX")
    if not prefix_of_tests or not pathlib.Path(prefix_of_tests, "system.reg").exists():
        pytest.skip("needs the test prefix of tools/wine_session.sh")
    with tempfile.TemporaryDirectory(prefix="tolping_prefix_") as temp:
        prefix = pathlib.Path(temp) / "prefix"
        shutil.copytree(prefix_of_tests, prefix, symlinks=True)
        with NamespaceSession(namespace, prefix) as wine:
            yield wine


def test_silent_host_loses_every_packet_after_the_full_time_outs(session):
    pga = test_icmp.pga
    started = time.monotonic()
    run = session.run_script(test_icmp.SESSION.prologue() + [
        pga(2, 5, SILENT, count=COUNT, timeout=TIMEOUT_MS, max_lost=-1),
        pga(3, 5, SILENT, count=COUNT, timeout=TIMEOUT_MS, max_lost=1),
        # No silent probe may end before every one of its requests has waited its time-out.
        "wait-data 1 %d" % (COUNT * TIMEOUT_MS),
        "wait-data 2 30000",
        "get"] + test_icmp.SESSION.epilogue())
    elapsed = time.monotonic() - started
    assert run.returncode == 0, (run.log, run.stderr)
    assert run.entries("wait-data") == [(WAIT_TIMEOUT, "0"), (plugin_host.S_OK, "2")], run.log
    assert elapsed >= COUNT * TIMEOUT_MS / 1000.0

    by_id = {record.test_id: record for record in test_icmp.records(run)}
    assert sorted(by_id) == [2, 3]

    unlimited = by_id[2]
    assert unlimited.type_name == "RESULT_ICMP"
    assert unlimited.location_id == 5
    assert unlimited.ui32[3:] == [0, COUNT]
    assert unlimited.d64 == [0.0]
    assert unlimited.texts == [
        "ICMP echo results are within acceptable limits.\n"
        "Packets: Sent = %d, Received = 0, Lost = %d.\n"
        "Average round trip time: 0ms" % (COUNT, COUNT)]

    limited = by_id[3]
    assert limited.ui32[3:] == [2, COUNT]
    assert limited.d64 == [0.0]
    assert limited.texts == ["Number of lost packets: %d | Max allowed: 1" % COUNT]
