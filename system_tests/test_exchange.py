"""The agent's exchange with the reference server: exchange_probe.exe runs the work engine's
own WinINet link for a few ticks against a RefServer on the loopback interface."""
import re
import sys
import zlib

import pytest

import winhost

sys.path.insert(0, str(winhost.SOURCE_DIR / "tools" / "refserver"))

from refserver import RefServer  # noqa: E402

pytestmark = pytest.mark.skipif(not winhost.available(), reason="needs the Wine test bed")

ACCOUNT = ("ops@example.com", "host-01")
GATEWAY = "/fcgi-bin/agentgateway"
DATA = "result-bytes " * 40


def run_probe(server, ticks, *options, account=ACCOUNT):
    host = "%s://127.0.0.1:%d%s" % ("https" if server.tls else "http", server.port, GATEWAY)
    done = winhost.run("exchange_probe.exe", host, account[0], account[1], str(ticks), *options,
                       timeout=120)
    assert done.returncode == 0, done.stderr
    statuses = []
    for line in done.stdout.splitlines():
        status, _, text = line.partition(" ")
        statuses.append((int(status), text))
    return statuses


def gateway_headers(exchange):
    return [pair for pair in exchange.headers if pair[0].startswith(("Tol-", "Content-Type"))]


def session_headers(session, compression=0, checksum=0):
    return [("Content-Type", "application/octet-stream"), ("Tol-SessionID", session),
            ("Tol-Compression", str(compression)), ("Tol-CheckSum", str(checksum)),
            ("Tol-Platform", "win32"), ("Tol-Version", "4.001")]


@pytest.fixture(params=[False, True], ids=["http", "https"])
def server(request):
    with RefServer(accounts=[ACCOUNT], decoder=None, tls=request.param) as srv:
        yield srv


def test_login_then_session_send_with_exact_header_blocks(server):
    statuses = run_probe(server, 1)
    login, send = server.exchanges
    assert server.violations == []
    assert login.kind == "login" and login.method == "POST" and login.target == GATEWAY
    assert login.body_raw == b""
    names = [name for name, _ in gateway_headers(login)]
    assert names == ["Content-Type", "Tol-EMail", "Tol-AName", "Tol-Platform", "Tol-Version",
                     "Tol-OSVersion", "Tol-Hostname", "Tol-Builddate"]
    assert gateway_headers(login)[:5] == [
        ("Content-Type", "application/octet-stream"), ("Tol-EMail", ACCOUNT[0]),
        ("Tol-AName", ACCOUNT[1]), ("Tol-Platform", "win32"), ("Tol-Version", "4.001")]
    assert login.header("Tol-OSVersion") and login.header("Tol-Hostname")
    assert re.fullmatch(r"[A-Z][a-z]{2} [ 1-3]\d \d{4} \d\d:\d\d:\d\d",
                        login.header("Tol-Builddate"))
    assert b"Password" not in login.head_raw and b"secret" not in login.head_raw
    session = login.reply_headers[-1][1]
    # An empty send cache still posts, with both numbers 0.
    assert gateway_headers(send) == session_headers(session)
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
        assert gateway_headers(send) == session_headers(session, len(DATA),
                                                        zlib.adler32(send.body_raw))
    else:
        assert send.body_raw == DATA.encode()
        assert gateway_headers(send) == session_headers(session)


def test_refused_login_stays_the_last_status(server):
    statuses = run_probe(server, 3, account=("someone@else.com", "other"))
    assert [e.kind for e in server.exchanges] == ["login"]
    assert statuses[-1] == (1, "Authorization Failed. All monitoring processes are stopped.")
    assert all(status != 2 for status, _ in statuses)


def test_server_error_keeps_the_bytes_for_the_next_send(server):
    server.queue(kind="session", status=500)
    statuses = run_probe(server, 2, "--data=" + DATA)
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
    statuses = run_probe(server, 1)
    assert [e.kind for e in server.exchanges] == ["login"]
    assert [s for s in statuses if s[0] == 2] == reports
    assert all(status != 3 for status, _ in statuses)
