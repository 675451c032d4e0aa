#!/usr/bin/env python3
"""A recording HTTP proxy on the loopback interface: CONNECT tunnels and plain forwarding,
each request recorded (method, target, headers) before it is passed on. It reaches loopback
addresses only; any other target is refused with 403.

    python3 tools/refserver/recording_proxy.py --port 3128
"""
import argparse
import ipaddress
import os
import select
import socket
import socketserver
import sys
import threading
import urllib.parse
from dataclasses import dataclass, field

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import http_wire  # noqa: E402

HOP_HEADERS = {"connection", "proxy-connection", "keep-alive", "proxy-authorization"}


@dataclass
class ProxiedRequest:
    method: str
    target: str
    headers: list = field(default_factory=list)
    body_length: int = 0
    outcome: str = ""    # "tunnel", "forwarded", or why it was refused


def _loopback(host):
    if host == "localhost":
        return True
    try:
        return ipaddress.ip_address(host).is_loopback
    except ValueError:
        return False


def _relay(a, b):
    sockets = [a, b]
    while True:
        readable, _, _ = select.select(sockets, [], [], 60)
        if not readable:
            return
        for source in readable:
            data = source.recv(65536)
            if not data:
                return
            (b if source is a else a).sendall(data)


class _Handler(socketserver.StreamRequestHandler):
    def handle(self):
        proxy = self.server.owner
        try:
            request = http_wire.read_request(self.rfile)
        except http_wire.WireError:
            self.wfile.write(http_wire.reply_bytes(400, b"bad request\n", close=True))
            return
        if request is None:
            return
        record = ProxiedRequest(request.method, request.target, list(request.headers),
                                len(request.body))
        proxy._record(record)
        try:
            if request.method == "CONNECT":
                self._tunnel(request, record)
            else:
                self._forward(request, record)
        except OSError as error:
            record.outcome = "failed: %s" % error

    def _refuse(self, record, status, why):
        record.outcome = why
        self.wfile.write(http_wire.reply_bytes(status, (why + "\n").encode(), close=True))

    def _tunnel(self, request, record):
        host, _, port = request.target.rpartition(":")
        host = host.strip("[]")
        if not port.isdigit() or not _loopback(host):
            return self._refuse(record, 403, "refused: not a loopback target")
        try:
            upstream = socket.create_connection((host, int(port)), timeout=10)
        except OSError:
            return self._refuse(record, 502, "refused: target does not answer")
        with upstream:
            record.outcome = "tunnel"
            self.wfile.write(b"HTTP/1.1 200 Connection established\r\n\r\n")
            self.wfile.flush()
            upstream.settimeout(None)
            _relay(self.connection, upstream)

    def _forward(self, request, record):
        url = urllib.parse.urlsplit(request.target)
        if url.scheme != "http" or not url.hostname:
            return self._refuse(record, 400, "refused: not an absolute http address")
        if not _loopback(url.hostname):
            return self._refuse(record, 403, "refused: not a loopback target")
        path = (url.path or "/") + ("?" + url.query if url.query else "")
        lines = ["%s %s HTTP/%s" % (request.method, path, request.version)]
        lines += ["%s: %s" % (name, value) for name, value in request.headers
                  if name.lower() not in HOP_HEADERS]
        lines.append("Connection: close")
        head = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")
        try:
            upstream = socket.create_connection((url.hostname, url.port or 80), timeout=10)
        except OSError:
            return self._refuse(record, 502, "refused: target does not answer")
        with upstream:
            upstream.sendall(head + request.body)
            upstream.settimeout(60)
            record.outcome = "forwarded"
            while True:
                data = upstream.recv(65536)
                if not data:
                    break
                self.wfile.write(data)


class _TcpServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass


class RecordingProxy:
    def __init__(self, port=0, host="127.0.0.1"):
        if not ipaddress.ip_address(host).is_loopback:
            raise ValueError("the proxy listens on the loopback interface only")
        self._address = (host, port)
        self._lock = threading.Lock()
        self._requests = []
        self._server = None
        self.echo = None

    def start(self):
        self._server = _TcpServer(self._address, _Handler)
        self._server.owner = self
        threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.1},
                         daemon=True).start()
        return self

    def stop(self):
        if self._server:
            self._server.shutdown()
            self._server.server_close()
            self._server = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    @property
    def port(self):
        return self._server.server_address[1]

    @property
    def address(self):
        """host:port, the form of the agent's Proxy setting."""
        return "%s:%d" % (self._server.server_address[0], self.port)

    @property
    def requests(self):
        with self._lock:
            return list(self._requests)

    def _record(self, record):
        with self._lock:
            self._requests.append(record)
        if self.echo:
            self.echo("proxy: %s %s" % (record.method, record.target))


def main(argv=None):
    parser = argparse.ArgumentParser(description="recording HTTP proxy on loopback")
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args(argv)
    proxy = RecordingProxy(port=args.port)
    proxy.echo = lambda text: print(text, flush=True)
    proxy.start()
    print("recording proxy: listening on %s" % proxy.address, flush=True)
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        pass
    proxy.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
