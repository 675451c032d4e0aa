"""Upgrade files the reference server hosts for the agent's download.

The agent fetches an upgrade with a GET of the address that the server's UPD line names
(always over HTTPS). Every GET beside the gateway's path is answered from these files: a hosted
path with its bytes, any other path with 404. A file may be hosted cut off, to rehearse a download that breaks: the
reply announces the whole length, sends only the first bytes and closes the connection. A file
may also be hosted endless: the reply announces no length and sends the bytes over and over,
at full speed or one copy every `pause` seconds, until the client hangs up.
"""
import posixpath
import threading
from dataclasses import dataclass

import http_wire


@dataclass
class Download:
    """One GET as the server answered it."""
    path: str
    status: int
    sent: int          # body bytes written (of an endless body: so far)
    announced: int     # the Content-Length of the reply (None for an endless body)


@dataclass
class _Hosted:
    data: bytes
    cut: int = None
    endless: bool = False
    pause: float = 0.0


class EndlessBody:
    """The chunks of an endless reply: the head, then the data again and again. `stopped` ends
    it (the server is stopping); the download's `sent` counts what has gone out."""

    def __init__(self, head, hosted, download, stopped):
        self._head = head
        self._hosted = hosted
        self._download = download
        self._stopped = stopped

    def __iter__(self):
        yield self._head
        while not self._stopped.is_set():
            yield self._hosted.data
            self._download.sent += len(self._hosted.data)
            if self._hosted.pause:
                self._stopped.wait(self._hosted.pause)


class UpgradeFiles:
    def __init__(self):
        self._lock = threading.Lock()
        self._files = {}
        self._downloads = []

    def host(self, path, data, cut=None, endless=False, pause=0.0):
        """Serves data at path (such as "/upgrade/agent.zip"); cut: send only that many bytes;
        endless: send the data over and over (one copy every `pause` seconds)."""
        if not path.startswith("/"):
            raise ValueError("a hosted path starts with /")
        if endless and not data:
            raise ValueError("an endless body needs bytes to repeat")
        with self._lock:
            self._files[path] = _Hosted(bytes(data), cut, endless, pause)

    def host_file(self, file_name, cut=None):
        """Serves a local file at "/upgrade/<its name>"; returns that path."""
        path = "/upgrade/" + posixpath.basename(file_name.replace("\\", "/"))
        with open(file_name, "rb") as file:
            self.host(path, file.read(), cut)
        return path

    @property
    def downloads(self):
        with self._lock:
            return list(self._downloads)

    def answer(self, request, stopped):
        """The reply for a GET (bytes, or for an endless body an iterable of chunks) and
        whether the connection is to be closed after it; `stopped`: the server's stop event."""
        with self._lock:
            hosted = self._files.get(request.target)
        if hosted is None:
            body = b"no such upgrade file\n"
            reply = http_wire.reply_bytes(404, body, [("Content-Type", "text/plain")])
            self._record(Download(request.target, 404, len(body), len(body)))
            return reply, False
        if hosted.endless:
            head = ("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                    "Connection: close\r\n\r\n").encode("latin-1")
            download = Download(request.target, 200, 0, None)
            self._record(download)
            return EndlessBody(head, hosted, download, stopped), True
        reply = http_wire.reply_bytes(200, hosted.data,
                                      [("Content-Type", "application/octet-stream")])
        cut = len(hosted.data) if hosted.cut is None else min(hosted.cut, len(hosted.data))
        self._record(Download(request.target, 200, cut, len(hosted.data)))
        return reply[:len(reply) - len(hosted.data) + cut], hosted.cut is not None

    def _record(self, download):
        with self._lock:
            self._downloads.append(download)
