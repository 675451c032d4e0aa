"""The agent's exchange with the reference server: exchange_probe.exe runs the work engine's
own WinINet link against a RefServer on the loopback interface, either tick by tick or in the
engine's real main loop, whose timer the server's POL sets."""
import re
import subprocess
import time
import zlib
from dataclasses import dataclass

import pytest

import winhost
from exchange_headers import GATEWAY, gateway_headers, session_headers

from recording_proxy import RecordingProxy
from refserver import RefServer

pytestmark = pytest.mark.skipif(not winhost.available(), reason="needs the Wine test bed")

ACCOUNT = ("ops@example.com", "host-01")
DATA = "result-bytes " * 40
# A reply that makes the agent tick every second from the login on.
FAST_TICKS = "POL\t0\t1"


@dataclass
class ProbeRun:
    statuses: list   # (status, text) in the order fired
    state: dict      # the engine's state as the last exchange left it (--state)


def probe_arguments(server, count, options, account=ACCOUNT):
    host = "%s://127.0.0.1:%d%s" % ("https" if server.tls else "http", server.port, GATEWAY)
    return (host, account[0], account[1], str(count), "--state") + tuple(options)


def read_probe(returncode, stdout, stderr):
    assert returncode == 0, stderr
    run = ProbeRun([], {})
    for line in stdout.splitlines():
        if line.startswith("state "):
            name, _, value = line[len("state "):].partition("=")
            run.state[name] = value
        else:
            status, _, text = line.partition(" ")
            run.statuses.append((int(status), text))
    return run


def run_probe(server, count, *options, account=ACCOUNT):
    """Runs the probe to its end: `count` ticks, or with --loop that many exchanges."""
    done = winhost.run("exchange_probe.exe", *probe_arguments(server, count, options, account),
                       timeout=120)
    return read_probe(done.returncode, done.stdout, done.stderr)


def start_loop(server, *options):
    """Starts the probe's real main loop; it runs until stop_loop."""
    return winhost.start("exchange_probe.exe", *probe_arguments(server, 0, ("--loop",) + options),
                         stdin=subprocess.PIPE)


def stop_loop(process):
    stdout, stderr = process.communicate("stop\n", timeout=120)
    return read_probe(process.returncode, stdout, stderr)


def sessions(exchanges):
    return [exchange for exchange in exchanges if exchange.kind == "session"]


@pytest.fixture(params=[False, True], ids=["http", "https"])
def server(request):
    with RefServer(accounts=[ACCOUNT], decoder=None, tls=request.param) as srv:
        yield srv


def test_login_then_session_send_with_exact_header_blocks(server):
    statuses = run_probe(server, 1).statuses
    login, send = server.exchanges
    assert server.violations == []
    assert login.kind == "login" and login.method == "POST" and login.target == GATEWAY
    assert login.body_raw == b""
    names = [name for name, _ in gateway_headers(login.headers)]
    assert names == ["Content-Type", "Tol-EMail", "Tol-AName", "Tol-Platform", "Tol-Version",
                     "Tol-OSVersion", "Tol-Hostname", "Tol-Builddate"]
    assert gateway_headers(login.headers)[:5] == [
        ("Content-Type", "application/octet-stream"), ("Tol-EMail", ACCOUNT[0]),
        ("Tol-AName", ACCOUNT[1]), ("Tol-Platform", "win32"), ("Tol-Version", "4.001")]
    assert login.header("Tol-OSVersion") and login.header("Tol-Hostname")
    assert re.fullmatch(r"[A-Z][a-z]{2} [ 1-3]\d \d{4} \d\d:\d\d:\d\d",
                        login.header("Tol-Builddate"))
    assert b"Password" not in login.head_raw and b"secret" not in login.head_raw
    session = login.reply_headers[-1][1]
    # An empty send cache still posts, with both numbers 0.
    assert gateway_headers(send.headers) == session_headers(session)
    assert send.body_raw == b""
    assert (3, "Authorization is successfully finished.") in statuses


@pytest.mark.parametrize("options, compressed", [((), True), (("--nozlib",), False)],
                         ids=["zlib", "nozlib"])
def test_send_block_is_compressed_and_checksummed(server, options, compressed):
    run_probe(server, 1, "--data=" + DATA, *options)
    send = server.exchanges[1]
    assert server.violations == []
    session = send.header("Tol-SessionID")
    if compressed:
        assert zlib.decompress(send.body_raw) == DATA.encode()
        assert gateway_headers(send.headers) == session_headers(session, len(DATA),
                                                        zlib.adler32(send.body_raw))
    else:
        assert send.body_raw == DATA.encode()
        assert gateway_headers(send.headers) == session_headers(session)


def test_refused_login_stays_the_last_status(server):
    statuses = run_probe(server, 3, account=("someone@else.com", "other")).statuses
    assert [e.kind for e in server.exchanges] == ["login"]
    assert statuses[-1] == (1, "Authorization Failed. All monitoring processes are stopped.")
    assert all(status != 2 for status, _ in statuses)


def test_server_error_keeps_the_bytes_for_the_next_send(server):
    server.queue(kind="session", status=500)
    statuses = run_probe(server, 2, "--data=" + DATA).statuses
    login, failed, again = server.exchanges
    assert server.violations == []
    assert failed.reply_status == 500 and again.reply_status == 200
    assert again.body_raw == failed.body_raw and failed.body_raw
    assert (2, "Temporary Server Error with the following response code: 500") in statuses
    assert statuses[-1] == (5, "Connection to server re-established.")


@pytest.mark.parametrize("header, reports", [
    ("111111", [(2, "Internal Error on Tolvane server during authorization."),
                (2, "Temporary Server Error with the following response code: 200")]),
    (None, [(2, "Temporary Server Error with the following response code: 200")]),
], ids=["internal-error", "no-session-header"])
def test_login_without_a_session_stays_logged_out(server, header, reports):
    server.queue(kind="login", session_header=header, body="POL\t0\t1")
    statuses = run_probe(server, 1).statuses
    assert [e.kind for e in server.exchanges] == ["login"]
    assert [s for s in statuses if s[0] == 2] == reports
    assert all(status != 3 for status, _ in statuses)


@pytest.mark.parametrize("body, kinds", [
    ("111111", ["login", "session", "login", "session"]),
    ("111111\n", ["login", "session", "session"]),   # a line, not the session end
], ids=["session-end", "line"])
def test_body_111111_alone_ends_the_session(plain_server, body, kinds):
    plain_server.queue(kind="session", body=body)
    run = run_probe(plain_server, 2)
    assert plain_server.violations == []   # an ended session is never used again
    assert [e.kind for e in plain_server.exchanges] == kinds
    ids = {e.header("Tol-SessionID") for e in sessions(plain_server.exchanges)}
    assert len(ids) == kinds.count("login")
    assert run.statuses.count((3, "Authorization is successfully finished.")) == len(ids)
    assert run.state["authorized"] == "1"


SHORT_LINES = ["POL\t7", "BFS", "BFC", "UPD\t4.003", "CHK\t5", "pol\t0\t9", "XYZ\t1\t2", ""]


@pytest.mark.parametrize("lines, expected", [
    (["BFS\t1000", "BFC\t100", "CHK\t0\t10", "RPL", "UPD\t4.002\tupdates.example.com/t.zip"],
     {"max_buffer_size": "16384", "max_buffer_count": "32",
      "upgrade": "4.002 https://updates.example.com/t.zip"}),
    (["BFS\t300000", "BFC\t0", "CHK\t0\t0"],
     {"max_buffer_size": "262144", "max_buffer_count": "4", "upgrade": "none"}),
    (["BFS\t65536\r", "BFC\t-1"],
     {"max_buffer_size": "65536", "max_buffer_count": "32", "upgrade": "none"}),
], ids=["clamped-up", "clamped-down", "within"])
def test_reply_lines_are_obeyed_in_the_main_loop(plain_server, lines, expected):
    """POL 1 in the login reply sets the loop's timer; the next reply's commands set the
    buffer limits and the upgrade source; lines with too few fields change nothing."""
    plain_server.queue(kind="login", body=FAST_TICKS)
    plain_server.queue_lines(lines + SHORT_LINES, kind="session")
    run = run_probe(plain_server, 4, "--loop")   # a login and three sends, a second apart
    assert plain_server.violations == []
    assert [e.kind for e in plain_server.exchanges] == ["login", "session", "session", "session"]
    assert run.state == dict(expected, poll_period="1", cached_buffers="0", in_flight_bytes="0",
                             authorized="1", registered=ACCOUNT[0])
    assert {status for status, _ in run.statuses} <= {3, 4, 5, 7}


def test_fifteenth_buffer_pushes_out_the_oldest_while_sends_fail(plain_server):
    """Results of 100,000 bytes fill one buffer each. The first goes in flight and
    fails sixteen times; behind it the fifteenth cached buffer drops the oldest cached one,
    which never reaches the server."""
    failures = 16
    for _ in range(failures):
        plain_server.queue(kind="session", status=500)
    delivered = ["result-01"] + ["result-%02d" % n for n in range(3, 17)]
    run = run_probe(plain_server, failures + len(delivered), "--results=16:100000")
    assert plain_server.violations == []
    sent = [(e.reply_status, e.body[:9].decode()) for e in sessions(plain_server.exchanges)]
    assert sent == [(500, "result-01")] * failures + [(200, label) for label in delivered]
    assert all(len(e.body) == 100000 for e in sessions(plain_server.exchanges))
    assert (run.state["cached_buffers"], run.state["in_flight_bytes"]) == ("0", "0")
    assert run.statuses.count(
        (2, "Temporary Server Error with the following response code: 500")) == failures
    assert run.statuses[-1] == (5, "Connection to server re-established.")


def test_exchange_goes_through_the_proxy_setting(server):
    """HTTP is forwarded by the proxy, HTTPS tunnelled through CONNECT."""
    with RecordingProxy() as proxy:
        run_probe(server, 1, "--proxy=" + proxy.address, "--data=" + DATA)
    assert server.violations == []
    assert [e.kind for e in server.exchanges] == ["login", "session"]
    assert zlib.decompress(server.exchanges[1].body_raw) == DATA.encode()
    requests = [(r.method, r.target, r.outcome) for r in proxy.requests]
    if server.tls:
        assert requests and set(requests) == {
            ("CONNECT", "127.0.0.1:%d" % server.port, "tunnel")}
    else:
        assert requests == [("POST", server.url, "forwarded")] * 2


def test_reply_slower_than_the_time_limit_is_given_up_and_resent(plain_server):
    """The server answers the first send only after 37 s: the agent reports the time-out at
    30 s and, as Wine cannot abort the blocked request, starts no exchange beside it; the
    next tick after it ended posts the same bytes again."""
    server = plain_server
    server.queue(kind="login", body=FAST_TICKS)
    server.queue(kind="session", delay=37)   # past the limit and the 5 s after it
    process = start_loop(server, "--data=" + DATA)
    try:
        assert server.wait_for(lambda exchanges: len(sessions(exchanges)) >= 2, 120)
    finally:
        run = stop_loop(process)
    timed_out = (9, "Data sending timed out after 30 seconds.")
    assert timed_out in run.statuses
    exchanges = sorted(server.exchanges, key=lambda exchange: exchange.time)
    assert server.violations == []
    for before, after in zip(exchanges, exchanges[1:]):
        assert after.time >= before.ended, "exchange %d overlaps %d" % (after.number,
                                                                        before.number)
    slow, again = sessions(exchanges)[:2]
    assert slow.ended - slow.time >= 37
    assert again.body_raw == slow.body_raw and zlib.decompress(again.body_raw) == DATA.encode()
    # The given-up request fails as a cancelled one, whatever the late answer; the retry
    # goes through.
    given_up, error, restored = run.statuses[run.statuses.index(timed_out) + 1:][:3]
    assert given_up == (9, "Data sending failed on making request.")
    assert error[0] == 9 and error[1].startswith("Failed with error 12017: ")
    assert restored == (5, "Connection to server re-established.")


def test_bytes_a_failed_send_kept_are_posted_after_a_restart_and_a_login(plain_server):
    """A send answered 500, then work stopped and started again: the login that follows
    leaves the kept bytes alone, and the first send after it posts them."""
    server = plain_server
    server.queue(kind="login", body=FAST_TICKS)
    server.queue(kind="session", status=500)
    server.queue(kind="login", body=FAST_TICKS)
    run = run_probe(server, 4, "--loop", "--data=" + DATA, "--restart-after=2")
    assert server.violations == []
    assert [e.kind for e in server.exchanges] == ["login", "session", "login", "session"]
    failed, again = sessions(server.exchanges)
    assert failed.reply_status == 500 and again.reply_status == 200
    assert again.body_raw == failed.body_raw and zlib.decompress(again.body_raw) == DATA.encode()
    restored = (5, "Connection to server re-established.")
    second_login = [i for i, s in enumerate(run.statuses) if s[0] == 3][1]
    assert run.statuses.count(restored) == 1
    assert run.statuses.index(restored) > second_login
    assert run.state["in_flight_bytes"] == "0"


NEW_ACCOUNT = ("new@example.com", "host-02")   # not an account of the server


def test_a_login_answered_after_a_new_registration_is_not_taken_for_it(plain_server):
    """The server answers the login of the old account after the agent was registered anew:
    the answer does not authorize the new registration, which is not stored; the next login
    is the new account's (which this server refuses)."""
    server = plain_server
    server.queue(kind="login", delay=3, body=FAST_TICKS)
    run = run_probe(server, 2, "--loop", "--poll=1", "--register=1:1000:%s:%s" % NEW_ACCOUNT)
    assert server.violations == []
    assert [e.kind for e in server.exchanges] == ["login", "login"]
    assert [e.header("Tol-EMail") for e in server.exchanges] == [ACCOUNT[0], NEW_ACCOUNT[0]]
    assert all(status != 3 for status, _ in run.statuses)
    assert (1, "Authorization Failed. All monitoring processes are stopped.") in run.statuses
    assert (run.state["registered"], run.state["authorized"]) == ("none", "0")


def test_a_send_answered_after_a_new_registration_is_posted_once(plain_server):
    """A registration during a slow send: the server took the bytes (200), so they are not
    posted again after the new login."""
    server = plain_server
    server.queue(kind="login", body=FAST_TICKS)
    server.queue(kind="session", delay=3)
    server.queue(kind="login", body=FAST_TICKS)
    run = run_probe(server, 4, "--loop", "--data=" + DATA,
                    "--register=2:1000:%s:%s" % ACCOUNT)
    assert server.violations == []
    assert [e.kind for e in server.exchanges] == ["login", "session", "login", "session"]
    slow, after = sessions(server.exchanges)
    assert zlib.decompress(slow.body_raw) == DATA.encode() and after.body_raw == b""
    assert all(status != 2 for status, _ in run.statuses)
    assert run.state["registered"] == ACCOUNT[0]


def cut_reply(limit=8192):
    """Lines whose last one the body limit cuts inside "POL\\t0\\t300": "POL\\t0\\t3" fits."""
    head = "BFC\t5\n"
    kept_length = limit - len("POL\t0\t3")
    filler = "XYZ\t" + "p" * 60 + "\n"
    body = head
    while len(body) + len(filler) <= kept_length - 16:
        body += filler
    last = kept_length - len(body) - 1
    body += "XYZ\t" + "q" * (last - 4) + "\n"
    assert len(body) == kept_length
    return body + "POL\t0\t300\n"


def test_a_line_the_body_limit_cut_is_not_obeyed(plain_server):
    plain_server.queue(kind="session", body=cut_reply())
    run = run_probe(plain_server, 1)
    assert plain_server.violations == []
    assert run.state["max_buffer_count"] == "5"   # a line before the cut is obeyed
    assert run.state["poll_period"] == "0"         # "POL\t0\t3" is not
