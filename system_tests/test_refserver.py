"""The reference monitoring server, driven with Python's own HTTP client."""
import http.client
import json
import pathlib
import socket
import ssl
import struct
import subprocess
import sys
import threading
import time
import zlib

import pytest

import winhost
from exchange_headers import GATEWAY, gateway_headers, session_headers

from recording_proxy import RecordingProxy
from refserver import RefServer

ACCOUNT = ("ops@example.com", "host-01")


def login_headers(email=ACCOUNT[0], name=ACCOUNT[1]):
    return [("Content-Type", "application/octet-stream"), ("Tol-EMail", email),
            ("Tol-AName", name), ("Tol-Platform", "win32"), ("Tol-Version", "4.001"),
            ("Tol-OSVersion", "Microsoft Windows 7 Professional (build 7601) 32-bit"),
            ("Tol-Hostname", "host-01"), ("Tol-Builddate", "Dec  9 2026 10:23:06")]


def record(result_type=48, test_id=7, location=9, text=b"abc"):
    """The smallest top-level result record: UI32 type, test id, location; I64 time; a text."""
    size = 32 + 12 + 8 + len(text) + 1
    return (struct.pack("<8I", size, 0, 3, 1, 0, 0, 1, 0) + struct.pack("<3I", result_type,
            test_id, location) + struct.pack("<q", 1765362186) + text + b"\0")


class Client:
    def __init__(self, server, context=None):
        self.server = server
        self.context = context

    def connection(self, timeout=10):
        if self.server.tls:
            return http.client.HTTPSConnection("127.0.0.1", self.server.port, timeout=timeout,
                                               context=self.context)
        return http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=timeout)

    def post(self, headers, body=b"", timeout=10, connection=None):
        conn = connection or self.connection(timeout)
        conn.putrequest("POST", GATEWAY, skip_accept_encoding=True)
        for name, value in headers:
            conn.putheader(name, value)
        conn.putheader("Content-Length", str(len(body)))
        conn.endheaders(body)
        reply = conn.getresponse()
        data = reply.read()
        if connection is None:
            conn.close()
        return reply.status, reply.getheader("Tol-SessionID"), data

    def login(self, **kw):
        return self.post(login_headers(**kw))

    def session(self):
        status, session, _ = self.login()
        assert status == 200 and session
        return session


@pytest.fixture
def server(plain_server):
    return plain_server


@pytest.fixture
def client(server):
    return Client(server)


def raw_exchange(server, head):
    with socket.create_connection(("127.0.0.1", server.port), timeout=10) as sock:
        sock.sendall(head)
        reply = b""
        while True:
            data = sock.recv(65536)
            if not data:
                return reply
            reply += data


def test_login_hands_out_fresh_sessions_and_refuses_unknown_accounts(server, client):
    first, second = client.session(), client.session()
    assert first != second
    assert {first, second} == server.sessions
    assert client.login(email="someone@else.com") == (200, "666666", b"")
    assert client.login(name="other-host")[1] == "666666"
    assert [e.kind for e in server.exchanges] == ["login"] * 4
    assert server.violations == []
    assert gateway_headers(server.exchanges[0].headers) == login_headers()


@pytest.mark.parametrize("step, header", [
    ({"session_header": "111111"}, "111111"),
    ({"session_header": None}, None),
    ({"status": 500}, None),
])
def test_scripted_login_answers_issue_no_session(server, client, step, header):
    server.queue(kind="login", **step)
    status, session, _ = client.login()
    assert status == step.get("status", 200) and session == header
    assert server.sessions == set()
    assert client.login()[1] in server.sessions  # the script step was used once


def test_session_request_accepts_raw_and_compressed_bodies(client, server):
    session = client.session()
    data = record() + record(test_id=8, text=b"tol_icmp: reply")
    packed = zlib.compress(data)
    cases = [
        (b"", 0, 0),                              # empty send cache
        (data, 0, 0),                             # no zlib
        (data, 0, zlib.adler32(data)),            # compression failed: raw with its checksum
        (packed, len(data), zlib.adler32(packed)),
    ]
    for body, compression, checksum in cases:
        status, _, reply = client.post(session_headers(session, compression, checksum), body)
        assert status == 200, reply
        assert server.exchanges[-1].body == (data if body else b"")
    assert server.violations == []


@pytest.mark.parametrize("compression, checksum, body, message", [
    (None, 1, b"x", "disagrees with adler32"),
    ("len", "wrong", None, "disagrees with adler32"),
    ("len+1", "ok", None, "inflated length"),
    ("len", 0, None, "without a checksum"),
    (5, "ok", b"not zlib", "does not inflate"),
    ("len", "ok", "trailing", "after the zlib stream"),
])
def test_body_disagreeing_with_its_headers_is_a_violation(client, server, compression,
                                                          checksum, body, message):
    session = client.session()
    data = record()
    packed = zlib.compress(data)
    if body is None:
        body = packed
    elif body == "trailing":
        body = packed + b"\0\0"
    compression = {None: 0, "len": len(data), "len+1": len(data) + 1}.get(compression,
                                                                          compression)
    checksum = {"ok": zlib.adler32(body), "wrong": zlib.adler32(body) ^ 1}.get(checksum, checksum)
    status, _, reply = client.post(session_headers(session, compression, checksum), body)
    assert status == 400
    assert any(message in v.message for v in server.violations), server.violations
    assert b"protocol violation" in reply


def swap(headers, name, value):
    return [(n, value if n == name else v) for n, v in headers]


@pytest.mark.parametrize("change, message", [
    (lambda h: swap(h, "Tol-Platform", "win64"), "Tol-Platform"),
    (lambda h: [p for p in h if p[0] != "Tol-Version"], "missing ['Tol-Version']"),
    (lambda h: h + [("Tol-CheckSum", "0")], "duplicate header Tol-CheckSum"),
    (lambda h: h + [("Tol-Password", "x")], "unknown header 'Tol-Password'"),
    (lambda h: [(n.lower() if n == "Tol-Compression" else n, v) for n, v in h],
     "unknown header 'tol-compression'"),
    (lambda h: h + [("Tol-EMail", ACCOUNT[0])], "not allowed ['Tol-EMail']"),
    (lambda h: [h[0], h[2], h[1]] + h[3:], "out of order"),
    (lambda h: swap(h, "Tol-Compression", "-1"), "unsigned 32-bit"),
    (lambda h: swap(h, "Tol-CheckSum", "4294967296"), "unsigned 32-bit"),
    (lambda h: swap(h, "Content-Type", "text/plain"), "Content-Type"),
])
def test_session_header_faults_are_violations(client, server, change, message):
    session = client.session()
    status, _, _ = client.post(change(session_headers(session)))
    assert status == 400
    assert any(message in v.message for v in server.violations), server.violations


@pytest.mark.parametrize("change, body, message", [
    (lambda h: swap(h, "Tol-Builddate", "2026-12-09"), b"", "Tol-Builddate"),
    (lambda h: swap(h, "Tol-Hostname", ""), b"", "empty Tol-Hostname"),
    (lambda h: h, b"password", "login with a body"),
])
def test_login_faults_are_violations(client, server, change, body, message):
    status, session, _ = client.post(change(login_headers()), body)
    assert (status, session) == (400, None)
    assert any(message in v.message for v in server.violations), server.violations
    assert server.sessions == set()


@pytest.mark.parametrize("block, message", [
    (b"Content-Type: application/octet-stream\nTol-EMail: a\r\n", "bare LF"),
    (b"Content-Type: application/octet-stream\r\nTol-EMail a\r\n", "without a colon"),
    (b"Content-Type: application/octet-stream\r\n Tol-EMail: a\r\n", "folded"),
    (b"Tol EMail: a\r\n", "malformed header name"),
    (b"Transfer-Encoding: chunked\r\n", "Transfer-Encoding"),
])
def test_malformed_header_block_is_rejected(server, block, message):
    head = b"POST " + GATEWAY.encode() + b" HTTP/1.1\r\nHost: 127.0.0.1\r\n" + block + b"\r\n"
    reply = raw_exchange(server, head)
    assert reply.startswith(b"HTTP/1.1 400 ")
    assert [message in v.message for v in server.violations] == [True], server.violations


def test_wrong_method_or_path_is_a_violation(server):
    conn = http.client.HTTPConnection("127.0.0.1", server.port, timeout=10)
    conn.request("GET", GATEWAY)
    assert conn.getresponse().status == 400
    conn.close()
    status, _, _ = Client(server).post(login_headers(), connection=None)
    assert status == 200
    conn = http.client.HTTPConnection("127.0.0.1", server.port, timeout=10)
    conn.request("POST", "/other", body=b"", headers=dict(login_headers()))
    assert conn.getresponse().status == 400
    assert any("GET request" in v.message for v in server.violations if v.exchange == 1)
    assert [v.message for v in server.violations if v.exchange == 3] == [
        "path '/other', the gateway is '%s'" % GATEWAY]


def test_scripted_replies_come_in_order(client, server):
    server.queue_lines(["ICA\t1\t2\t127.0.0.1", "POL\t0\t30"], kind="session")
    server.queue(kind="session", status=500)
    server.queue(kind="session", body="CHK\t0\t10")
    server.queue(kind="login", body="POL\t0\t60")
    status, session, body = client.login()
    assert (status, body) == (200, b"POL\t0\t60")
    replies = [client.post(session_headers(session)) for _ in range(4)]
    assert [(s, b) for s, _, b in replies] == [
        (200, b"ICA\t1\t2\t127.0.0.1\nPOL\t0\t30"), (500, b""), (200, b"CHK\t0\t10"), (200, b"")]
    assert all(h is None for _, h, _ in replies)
    assert server.script.pending() == []


def test_body_111111_ends_the_session(client, server):
    session = client.session()
    server.queue(kind="session", body="111111")
    assert client.post(session_headers(session))[2] == b"111111"
    assert session not in server.sessions
    assert client.post(session_headers(session))[0] == 400
    assert "has ended" in server.violations[0].message


def test_post_under_a_session_never_issued_is_kept_and_ends_that_session(client, server):
    """As after a restart of the server: the agent's session is unknown to it."""
    server.decoder = lambda data: [{"size": len(data)}]
    data = record()
    checksum = zlib.adler32(zlib.compress(data))
    status, header, body = client.post(session_headers("a-session-from-before", len(data),
                                                       checksum), zlib.compress(data))
    assert (status, header, body) == (200, None, b"111111")
    (exchange,) = server.exchanges
    assert exchange.kind == "session" and exchange.unknown_session
    assert exchange.body == data and server.records == [{"size": len(data)}]
    assert server.violations == [] and server.sessions == set()
    assert server.script.pending() == []


def test_stop_writes_the_answers_under_way_to_the_log(tmp_path):
    log = tmp_path / "exchanges.jsonl"
    decoding, release = threading.Event(), threading.Event()

    def slow_decoder(data):
        decoding.set()
        release.wait(10)
        return [{"size": len(data)}]

    server = RefServer(accounts=[ACCOUNT], log_path=str(log), decoder=slow_decoder).start()
    client = Client(server)
    session = client.session()
    def post_and_ignore_the_outcome():
        try:
            client.post(session_headers(session), record())
        except OSError:
            pass   # the stop may close the connection before the reply

    post = threading.Thread(target=post_and_ignore_the_outcome)
    post.start()
    assert decoding.wait(10)
    stopping = threading.Thread(target=server.stop)
    stopping.start()
    time.sleep(0.5)   # the stop is under way: it has closed the connection
    release.set()
    stopping.join(30)
    post.join(30)
    assert [exchange.kind for exchange in server.exchanges] == ["login", "session"]
    lines = [json.loads(line) for line in log.read_text().splitlines()]
    assert [line["kind"] for line in lines] == ["login", "session"]


def test_slow_reply_outlasts_a_short_client_wait(client, server):
    session = client.session()
    server.queue(kind="session", delay=2.0, body="late")
    with pytest.raises(socket.timeout):
        client.post(session_headers(session), timeout=0.3)
    assert client.post(session_headers(session))[0] == 200  # the server carries on


def test_keep_alive_connection_carries_several_exchanges(client, server):
    conn = client.connection()
    session = client.post(login_headers(), connection=conn)[1]
    assert client.post(session_headers(session), connection=conn)[0] == 200
    conn.close()
    assert len({e.client for e in server.exchanges}) == 1


def test_result_records_are_decoded_and_a_bad_stream_rejected(client, server):
    def decoder(data):
        if data.startswith(b"bad"):
            raise ValueError("record size 0")
        return [{"size": len(data)}]
    server.decoder = decoder
    session = client.session()
    data = record()
    assert client.post(session_headers(session), data)[0] == 200
    assert server.records == [{"size": len(data)}]
    assert client.post(session_headers(session), b"bad")[0] == 400
    assert "do not decode: record size 0" in server.violations[0].message


def test_log_file_holds_every_exchange(tmp_path):
    log = tmp_path / "exchanges.jsonl"
    with RefServer(accounts=[ACCOUNT], log_path=str(log), decoder=None) as srv:
        client = Client(srv)
        session = client.session()
        client.post(session_headers(session, 0, 0), b"\x01\x02")
        client.post(session_headers("forged"))
        client.post(login_headers(), b"password")
    lines = [json.loads(line) for line in log.read_text().splitlines()]
    assert [line["kind"] for line in lines] == ["login", "session", "session", "invalid"]
    assert [line["unknown_session"] for line in lines] == [False, False, True, False]
    assert gateway_headers(map(tuple, lines[0]["headers"])) == login_headers()
    assert lines[0]["reply"]["headers"][-1] == ["Tol-SessionID", session]
    assert lines[1]["body_raw_base64"] == "AQI="
    assert lines[2]["reply"]["status"] == 200 and lines[2]["reply"]["body"] == "111111"
    assert lines[3]["violations"] and lines[3]["reply"]["status"] == 400


def test_https_with_the_self_signed_certificate():
    with RefServer(accounts=[ACCOUNT], tls=True, decoder=None) as srv:
        assert srv.url.startswith("https://127.0.0.1:")
        context = ssl.create_default_context(cafile=srv.cert_path)
        session = Client(srv, context).session()
        assert session in srv.sessions
        with pytest.raises(ssl.SSLError):
            Client(srv, ssl.create_default_context()).login()


def test_proxy_records_connect_and_forwards_plain_requests():
    with RefServer(accounts=[ACCOUNT], tls=True, decoder=None) as srv, RecordingProxy() as proxy:
        context = ssl.create_default_context(cafile=srv.cert_path)
        conn = http.client.HTTPSConnection("127.0.0.1", proxy.port, timeout=10, context=context)
        conn.set_tunnel("127.0.0.1", srv.port)
        status, session, _ = Client(srv).post(login_headers(), connection=conn)
        conn.close()
        assert status == 200 and session in srv.sessions
        connect = proxy.requests[0]
        assert (connect.method, connect.target, connect.outcome) == (
            "CONNECT", "127.0.0.1:%d" % srv.port, "tunnel")

    with RefServer(accounts=[ACCOUNT], decoder=None) as srv, RecordingProxy() as proxy:
        conn = http.client.HTTPConnection("127.0.0.1", proxy.port, timeout=10)
        conn.request("POST", srv.url, body=b"", headers=dict(login_headers()))
        reply = conn.getresponse()
        assert reply.status == 200 and reply.getheader("Tol-SessionID") in srv.sessions
        conn.close()
        assert proxy.requests[0].target == srv.url
        assert srv.violations == []

        conn = http.client.HTTPConnection("127.0.0.1", proxy.port, timeout=10)
        conn.request("CONNECT", "192.0.2.1:443")
        assert conn.getresponse().status == 403


def test_command_line_serves_its_accounts_and_script(tmp_path):
    script = tmp_path / "script.json"
    script.write_text(json.dumps([{"kind": "login", "lines": ["POL\t0\t30", "BFC\t8"]}]))
    log = tmp_path / "log.jsonl"
    proc = subprocess.Popen(
        [sys.executable, str(winhost.SOURCE_DIR / "tools" / "refserver" / "refserver.py"),
         "--account", "%s:%s" % ACCOUNT, "--script", str(script), "--log", str(log)],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    try:
        first = proc.stdout.readline()
        assert first.startswith("refserver: listening on http://127.0.0.1:")
        port = int(first.rsplit(":", 1)[1].split("/")[0])

        class Where:
            tls = False
        Where.port = port
        status, session, body = Client(Where).login()
        assert (status, body) == (200, b"POL\t0\t30\nBFC\t8") and session
    finally:
        proc.terminate()
        out, _ = proc.communicate(timeout=10)
    assert proc.returncode == 0
    assert "LOGIN POST %s" % GATEWAY in out and "| BFC\t8" in out
    assert "1 exchange(s), 0 protocol violation(s)" in out
    assert len(log.read_text().splitlines()) == 1


def test_result_records_module_decodes_what_the_agent_posts():
    refserver = pytest.importorskip("refserver")
    if refserver.default_decoder() is None:
        pytest.skip("result_records is not there yet")
    with RefServer(accounts=[ACCOUNT]) as srv:
        client = Client(srv)
        session = client.session()
        data = record() + record(test_id=8)
        packed = zlib.compress(data)
        assert client.post(session_headers(session, len(data), zlib.adler32(packed)),
                           packed)[0] == 200
        assert len(srv.records) == 2
        assert client.post(session_headers(session), data[:-3])[0] == 400
        assert "do not decode" in srv.violations[0].message
