#!/usr/bin/env python3
"""Reference monitoring server: the gateway the Tolvane agent logs in to and posts its results
to, for tests and demonstrations on the loopback interface.

It answers logins of the accounts it is given with a fresh session id (or "666666"), checks
every request against the agent's protocol, inflates and checks the result bodies, decodes
their records (with result_records.decode_stream when that module is present) and answers
with scripted reply lines. A request the agent must never send is a protocol violation: it is
recorded in `violations`, printed, and answered with 400.

A post under a session id this server never issued (one handed out before it was restarted)
is kept like any other, marked as from an unknown session, and answered the way the protocol
ends a session: 200 with the body "111111", so the agent logs in again.

    python3 tools/refserver/refserver.py --port 8443 --tls --account me@example.com:host1 \\
        --script replies.json --log exchanges.jsonl

It also hosts upgrade files for the agent's download (GET over HTTPS): with
`--upgrade 4.002:agent-4.002.zip` the first session reply tells the agent to fetch that file,
to rehearse an upgrade against a test agent.
"""
import argparse
import importlib
import importlib.util
import ipaddress
import os
import secrets
import shutil
import signal
import socketserver
import ssl
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import exchange_log  # noqa: E402
import gateway_protocol  # noqa: E402
import http_wire  # noqa: E402
import reply_script  # noqa: E402
import self_signed  # noqa: E402
import upgrade_files  # noqa: E402
from exchange_log import Exchange, Violation  # noqa: E402
from reply_script import AUTO, ReplyScript, ReplyStep  # noqa: E402

DEFAULT_GATEWAY_PATH = "/fcgi-bin/agentgateway"
REFUSED = "666666"
SERVER_ERROR = "111111"
SESSION_END_BODY = b"111111"


def default_decoder():
    """result_records.decode_stream when the module is there, else None (bodies opaque)."""
    if importlib.util.find_spec("result_records") is None:
        return None
    return importlib.import_module("result_records").decode_stream


class _Connection(socketserver.StreamRequestHandler):
    def setup(self):
        owner = self.server.owner
        if owner.tls_context:
            self.request.settimeout(10)
            try:
                self.request = owner.tls_context.wrap_socket(self.request, server_side=True)
            except (ssl.SSLError, OSError) as error:
                owner._say("TLS handshake with %s failed: %s" % (self.client_address[0], error))
                raise
        self.request.settimeout(owner.idle_timeout)
        super().setup()

    def handle(self):
        owner = self.server.owner
        owner._track(self.request, True)
        try:
            while not owner._stopping.is_set():
                try:
                    request = http_wire.read_request(self.rfile)
                except http_wire.WireError as error:
                    reply = owner._while_running(owner._reject_wire, self.client_address, error)
                    if reply is not None:
                        self.wfile.write(reply)
                    return
                if request is None:
                    return
                answered = owner._while_running(owner._answer, self.client_address, request)
                if answered is None:
                    return
                reply, close = answered
                if reply is None:
                    return
                if isinstance(reply, (bytes, bytearray)):
                    self.wfile.write(reply)
                else:  # an endless body, chunk by chunk until the client hangs up
                    for chunk in reply:
                        self.wfile.write(chunk)
                self.wfile.flush()
                if close or request.wants_close():
                    return
        except (OSError, ssl.SSLError):
            return
        finally:
            owner._track(self.request, False)


class _TcpServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # a peer that hangs up is not the server's fault; violations are recorded


class RefServer:
    def __init__(self, accounts=(), tls=False, port=0, host="127.0.0.1",
                 gateway_path=DEFAULT_GATEWAY_PATH, log_path=None, script=None,
                 decoder=AUTO, echo=None, idle_timeout=60):
        if not ipaddress.ip_address(host).is_loopback:
            raise ValueError("the reference server listens on the loopback interface only")
        self.accounts = {tuple(account) for account in accounts}
        self.tls = tls
        self.host = host
        self.gateway_path = gateway_path
        self.script = script if script is not None else ReplyScript()
        self.decoder = default_decoder() if decoder is AUTO else decoder
        self.echo = echo
        self.idle_timeout = idle_timeout
        self.tls_context = None
        self.cert_path = None
        self._requested_port = port
        self._log = exchange_log.JsonLinesLog(log_path)
        self._lock = threading.Condition()
        self._exchanges = []
        self._numbered = 0
        self._violations = []
        self._sessions = {}      # session id -> (e-mail, agent name), while the session lasts
        self._issued = set()     # every session id ever handed out
        self._connections = set()
        self._answering = 0      # requests being answered now
        self._stopping = threading.Event()
        self._server = None
        self._thread = None
        self._temp = None
        self.upgrades = upgrade_files.UpgradeFiles()

    # -- life cycle ---------------------------------------------------------------------------
    def start(self):
        if self.tls:
            self._temp = tempfile.mkdtemp(prefix="refserver-")
            self.cert_path, key = self_signed.make_certificate(self._temp)
            self.tls_context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self.tls_context.load_cert_chain(self.cert_path, key)
        self._server = _TcpServer((self.host, self._requested_port), _Connection)
        self._server.owner = self
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        kwargs={"poll_interval": 0.1}, daemon=True)
        self._thread.start()
        return self

    def stop(self, answer_timeout=30):
        with self._lock:
            self._stopping.set()
        if self._server:
            self._server.shutdown()
            self._server.server_close()
            self._server = None
        with self._lock:
            connections = list(self._connections)
        for connection in connections:
            try:
                connection.close()
            except OSError:
                pass
        # Requests already being answered are written to the log before it closes.
        with self._lock:
            self._lock.wait_for(lambda: self._answering == 0, answer_timeout)
        self._log.close()
        if self._temp:
            shutil.rmtree(self._temp, ignore_errors=True)
            self._temp = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    @property
    def port(self):
        return self._server.server_address[1]

    @property
    def url(self):
        """The address in the form of the agent's Host setting."""
        return "%s://%s:%d%s" % ("https" if self.tls else "http", self.host, self.port,
                                 self.gateway_path)

    # -- what tests read and script -----------------------------------------------------------
    @property
    def exchanges(self):
        with self._lock:
            return list(self._exchanges)

    @property
    def violations(self):
        with self._lock:
            return list(self._violations)

    @property
    def sessions(self):
        """Session ids that are valid now."""
        with self._lock:
            return set(self._sessions)

    @property
    def records(self):
        """Every decoded result record, in the order received."""
        return [record for exchange in self.exchanges if exchange.records
                for record in exchange.records]

    def queue(self, **step):
        """Adds a scripted reply step (see reply_script.ReplyStep)."""
        self.script.add(ReplyStep(**step))

    def queue_lines(self, lines, **step):
        """Adds a reply whose body is the given test lines and agent commands."""
        self.script.add(ReplyStep(body="\n".join(lines), **step))

    def offer_upgrade(self, version, path, data, cut=None, **step):
        """Hosts an upgrade file and queues the UPD line that points the agent at it (the
        agent downloads over HTTPS only, so the server should run with tls)."""
        self.upgrades.host(path, data, cut)
        self.queue_lines([self.upgrade_line(version, path)], **step)

    def upgrade_line(self, version, path):
        """The UPD line for a file this server hosts."""
        return "UPD\t%s\t%s:%d%s" % (version, self.host, self.port, path)

    @property
    def downloads(self):
        """Every upgrade download (GET) as answered."""
        return self.upgrades.downloads

    def wait_for(self, predicate, timeout):
        """Waits until predicate(exchanges) is true; returns whether it became true."""
        with self._lock:
            return self._lock.wait_for(lambda: predicate(self._exchanges), timeout)

    # -- one request --------------------------------------------------------------------------
    def _track(self, connection, open_):
        with self._lock:
            (self._connections.add if open_ else self._connections.discard)(connection)

    def _new_exchange(self, client):
        # Numbered as the requests come in; an exchange is recorded when it is answered.
        with self._lock:
            self._numbered += 1
            return Exchange(number=self._numbered, client="%s:%d" % client)

    def _reject_wire(self, client, error):
        exchange = self._new_exchange(client)
        exchange.head_raw = error.head
        return self._finish_rejected(exchange, [str(error)], close=True)

    def _finish_rejected(self, exchange, problems, close=False):
        exchange.kind = "invalid"
        exchange.violations = problems
        body = ("protocol violation: %s\n" % "; ".join(problems)).encode("utf-8")
        exchange.reply_status = 400
        exchange.reply_body = body
        self._record(exchange)
        return http_wire.reply_bytes(400, body, [("Content-Type", "text/plain")], close=close)

    def _while_running(self, answer, *args):
        """answer(*args), unless the server is stopping: then None, and the request goes
        unanswered. stop() waits for answers under way, so each is in the log."""
        with self._lock:
            if self._stopping.is_set():
                return None
            self._answering += 1
        try:
            return answer(*args)
        finally:
            with self._lock:
                self._answering -= 1
                self._lock.notify_all()

    def _answer(self, client, request):
        if request.method == "GET" and request.target != self.gateway_path:
            reply, close = self.upgrades.answer(request, self._stopping)
            self._say("upgrade download %s" % request.target)
            return reply, close
        exchange = self._new_exchange(client)
        exchange.method, exchange.target, exchange.version = (request.method, request.target,
                                                             request.version)
        exchange.headers = list(request.headers)
        exchange.head_raw = request.head
        exchange.body_raw = request.body
        problems = []
        if request.method != "POST":
            problems.append("%s request: the agent only posts" % request.method)
        if request.target != self.gateway_path:
            problems.append("path %r, the gateway is %r" % (request.target, self.gateway_path))
        block = gateway_protocol.read_header_block(request)
        problems += block.problems
        if not problems and block.kind == "session":
            problems += self._session_problems(exchange, block)
        if problems:
            return self._finish_rejected(exchange, problems), False
        exchange.kind = block.kind
        if exchange.unknown_session:
            return self._end_unknown_session(exchange), False
        step = self.script.take(block.kind) or ReplyStep(kind=block.kind)
        if step.delay and self._stopping.wait(step.delay):
            return None, True
        reply = self._scripted_reply(exchange, block, step)
        self._record(exchange)
        return reply, step.close

    def _session_problems(self, exchange, block):
        session = block.values["Tol-SessionID"]
        with self._lock:
            if session not in self._issued:
                exchange.unknown_session = True   # issued before a restart, perhaps
            elif session not in self._sessions:
                return ["Tol-SessionID %r has ended" % session]
        compression = int(block.values["Tol-Compression"])
        checksum = int(block.values["Tol-CheckSum"])
        exchange.body, problems = gateway_protocol.decode_body(exchange.body_raw, compression,
                                                              checksum)
        if exchange.body is not None and self.decoder is not None:
            try:
                exchange.records = list(self.decoder(exchange.body))
            except ValueError as error:
                problems.append("result records do not decode: %s" % error)
        return problems

    def _scripted_reply(self, exchange, block, step):
        headers = [("Content-Type", "text/plain")]
        session = None
        if block.kind == "login":
            session = self._login_answer(block, step)
        elif step.session_header is not AUTO:
            session = step.session_header
        if session is not None:
            headers.append(("Tol-SessionID", session))
            if session not in (REFUSED, SERVER_ERROR):
                with self._lock:
                    self._issued.add(session)
                    self._sessions[session] = (block.values.get("Tol-EMail"),
                                               block.values.get("Tol-AName"))
        headers += list(step.headers)
        if step.body == SESSION_END_BODY:
            ending = block.values.get("Tol-SessionID") or session
            with self._lock:
                self._sessions.pop(ending, None)
        exchange.reply_status = step.status
        exchange.reply_headers = headers
        exchange.reply_body = step.body
        return http_wire.reply_bytes(step.status, step.body, headers, close=step.close)

    def _end_unknown_session(self, exchange):
        """What the post carried is kept; the agent is told to log in again."""
        headers = [("Content-Type", "text/plain")]
        exchange.reply_status = 200
        exchange.reply_headers = headers
        exchange.reply_body = SESSION_END_BODY
        self._record(exchange)
        return http_wire.reply_bytes(200, SESSION_END_BODY, headers)

    def _login_answer(self, block, step):
        if step.session_header is not AUTO:
            return step.session_header
        if step.status != 200:
            return None
        account = (block.values["Tol-EMail"], block.values["Tol-AName"])
        if account not in self.accounts:
            return REFUSED
        return secrets.token_hex(16)

    def _record(self, exchange):
        exchange.ended = time.time()
        with self._lock:
            self._exchanges.append(exchange)
            self._violations += [Violation(exchange.number, text) for text in exchange.violations]
            self._lock.notify_all()
        self._log.write(exchange)
        if self.echo:
            self.echo(exchange_log.describe(exchange))
        for text in exchange.violations:
            print("refserver: PROTOCOL VIOLATION in exchange %d: %s" % (exchange.number, text),
                  file=sys.stderr, flush=True)

    def _say(self, text):
        if self.echo:
            self.echo("refserver: " + text)


# -- command line ---------------------------------------------------------------------------
def _account(text):
    email, colon, name = text.partition(":")
    if not colon or not email or not name:
        raise argparse.ArgumentTypeError("an account is email:agentname")
    return email, name


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int, default=0, help="port (0: a free one)")
    parser.add_argument("--bind", default="127.0.0.1", help="loopback address to listen on")
    parser.add_argument("--tls", action="store_true", help="HTTPS with a self-signed certificate")
    parser.add_argument("--account", type=_account, action="append", default=[],
                        metavar="EMAIL:AGENTNAME", help="an account that may log in")
    parser.add_argument("--script", help="JSON list of scripted reply steps")
    parser.add_argument("--log", help="JSON-lines log of every exchange")
    parser.add_argument("--gateway", default=DEFAULT_GATEWAY_PATH, help="gateway path")
    parser.add_argument("--upgrade", metavar="VERSION:FILE",
                        help="host FILE and hand it out with UPD in the first session reply")
    args = parser.parse_args(argv)

    script = ReplyScript.load(args.script) if args.script else None
    server = RefServer(accounts=args.account, tls=args.tls, port=args.port, host=args.bind,
                       gateway_path=args.gateway, log_path=args.log, script=script,
                       echo=lambda text: print(text, flush=True))
    server.start()
    print("refserver: listening on %s" % server.url, flush=True)
    if args.upgrade:
        version, _, file_name = args.upgrade.partition(":")
        path = server.upgrades.host_file(file_name)
        server.queue_lines([server.upgrade_line(version, path)], kind="session")
        print("refserver: upgrade %s offered as %s" % (version, server.upgrade_line(version, path)
                                                      .replace("\t", " ")), flush=True)
    if server.cert_path:
        print("refserver: certificate %s" % server.cert_path, flush=True)
    if server.decoder is None:
        print("refserver: no result_records module; bodies are kept undecoded", flush=True)
    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    signal.signal(signal.SIGINT, lambda *_: done.set())
    done.wait()
    server.stop()
    print("refserver: %d exchange(s), %d protocol violation(s)"
          % (len(server.exchanges), len(server.violations)), flush=True)
    return 1 if server.violations else 0


if __name__ == "__main__":
    sys.exit(main())
