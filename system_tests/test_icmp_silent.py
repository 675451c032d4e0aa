"""The ping plug-in against a host that never answers.

The host is an address of the loopback range inside a network namespace of this test whose
loopback device drops every packet it is given (a queue of length 0): each echo request is
sent and vanishes, and nothing comes back, not even the request itself. Wine makes its
sockets inside wineserver, so a whole Wine session of its own (a copy of the test prefix, its
own wineserver) runs inside the namespace."""
import os
import time

import pytest

import netns
import plugin_host
import test_icmp

SILENT = "127.77.0.1"
COUNT = 3
TIMEOUT_MS = 500
WAIT_TIMEOUT = "0x80070102"  # HRESULT_FROM_WIN32(WAIT_TIMEOUT)


@pytest.fixture
def namespace():
    """A network namespace whose loopback is up and drops everything."""
    with netns.namespace("tolping_%d" % os.getpid(), tools=("ip", "tc")) as name:
        netns.in_namespace(name, "tc", "qdisc", "add", "dev", "lo", "root", "pfifo", "limit", "0")
        yield name


@pytest.fixture
def session(namespace):
    with netns.wine_session(namespace, "tolping_prefix_") as wine:
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
