"""Outages as an admin meets them, through exchange_probe.exe's real main loop and the
reference server: the server ends the session and refuses logins for a while, or it is
restarted and no longer knows the agent's session. A plug-in stand-in makes one numbered
result a second, so what reaches the server can be counted."""
import time

import winhost
from test_exchange import ACCOUNT, FAST_TICKS, sessions, start_loop, stop_loop

from refserver import RefServer

RESULT_SIZE = 300000
OUTAGE_TICKS = 22


def result_numbers(exchanges, size):
    numbers = []
    for exchange in sessions(exchanges):
        body = exchange.body or b""
        assert len(body) % size == 0, len(body)
        numbers += [int(body[at + 1:at + 8]) for at in range(0, len(body), size)]
    return numbers


def failed_logins(exchanges):
    return sum(1 for e in exchanges if e.kind == "login" and e.reply_status == 503)


def test_an_outage_keeps_what_the_cache_holds_and_no_more(plain_server):
    """A plug-in makes a 300,000-byte result every second. The server ends the session and
    refuses logins for 22 ticks: every tick still moves the results into the cache, whose
    limits (4 buffers) drop the oldest. The server then gets every result but those, each
    once, in posts of the cache's size, and the agent's memory does not grow with the
    outage."""
    server = plain_server
    server.queue_lines(["POL\t0\t1", "BFS\t16384", "BFC\t4"], kind="login")
    process = start_loop(server, "--producer=%d" % RESULT_SIZE)
    try:
        assert server.wait_for(lambda exchanges: len(sessions(exchanges)) >= 4, 60)
        server.queue(kind="session", body="111111")
        for _ in range(OUTAGE_TICKS):
            server.queue(kind="login", status=503)
        assert server.wait_for(lambda exchanges: failed_logins(exchanges) >= 8, 60)
        early = winhost.rss_kb(process.pid)
        assert server.wait_for(lambda exchanges: failed_logins(exchanges) >= OUTAGE_TICKS, 90)
        late = winhost.rss_kb(process.pid)
        back = len(server.exchanges)
        assert server.wait_for(lambda exchanges: len(sessions(exchanges[back:])) >= 6, 60)
    finally:
        run = stop_loop(process)
    assert server.violations == []
    assert late - early < 2048, "the agent grew by %d KiB during the outage" % (late - early)
    assert max(len(e.body or b"") for e in sessions(server.exchanges)) <= 3 * RESULT_SIZE
    numbers = result_numbers(server.exchanges, RESULT_SIZE)
    assert len(numbers) == len(set(numbers)), "a result was posted twice"
    assert numbers == sorted(numbers)
    gaps = [(a, b) for a, b in zip(numbers, numbers[1:]) if b != a + 1]
    # One run of results dropped, all of them made during the outage.
    assert len(gaps) == 1, gaps
    (before, after), = gaps
    assert OUTAGE_TICKS - 8 <= after - before - 1 <= OUTAGE_TICKS, gaps
    assert numbers[0] == 1
    assert run.statuses.count((3, "Authorization is successfully finished.")) == 2


def test_a_restarted_server_ends_the_session_it_does_not_know(plain_server):
    """The server stops and comes back on the same port without its session table: the agent's
    next post under the old session is kept and answered with the session end, the agent logs
    in again at once, and every result reaches one server or the other exactly once."""
    first = plain_server
    first.queue(kind="login", body=FAST_TICKS)
    process = start_loop(first, "--producer=100")
    second = None
    try:
        assert first.wait_for(lambda exchanges: len(sessions(exchanges)) >= 3, 60)
        time.sleep(0.3)   # between two ticks: the last reply has reached the agent
        port = first.port
        first.stop()
        time.sleep(3)   # sends fail meanwhile; the cache keeps the results
        second = RefServer(accounts=[ACCOUNT], decoder=None, port=port).start()
        second.queue(kind="login", body=FAST_TICKS)
        assert second.wait_for(lambda exchanges: len(sessions(exchanges)) >= 5, 60)
    finally:
        run = stop_loop(process)
        if second:
            second.stop()
    assert first.violations == [] and second.violations == []
    unknown, login = second.exchanges[:2]
    assert unknown.unknown_session and unknown.reply_body == b"111111"
    assert login.kind == "login" and login.time - unknown.ended < 2.5   # within two ticks
    numbers = result_numbers(first.exchanges, 100) + result_numbers(second.exchanges, 100)
    assert numbers == list(range(1, len(numbers) + 1))
    assert (2, "Temporary Server Error with the following response code: 400") not in run.statuses


def test_a_plugin_whose_add_waits_holds_up_no_other(plain_server):
    """The first plug-in takes its line only after a wait of 60 seconds in its Add, as one
    that opens a remote event log on a host that does not answer. The exchange goes on beside
    it: every tick still posts the other plug-in's results, each once and none lost, and no
    send runs into the 30-second limit."""
    server = plain_server
    server.queue_lines(["POL\t0\t1", "SLW\t1\t2"], kind="login")
    process = start_loop(server, "--producer=100", "--slow-add=60000")
    try:
        # Forty ticks after the line came: well past the sending thread's limit.
        assert server.wait_for(lambda exchanges: len(sessions(exchanges)) >= 40, 150)
    finally:
        run = stop_loop(process)
    assert server.violations == []
    # Not "Data sending timed out after 30 seconds.", nor any other failed send.
    assert [text for status, text in run.statuses if status == 9] == []
    numbers = result_numbers(server.exchanges, 100)
    assert numbers and numbers == list(range(1, len(numbers) + 1)), \
        "a result was lost or posted twice"
