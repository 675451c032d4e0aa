"""Upgrade files the reference server hosts for the agent's download.

The agent fetches an upgrade with a GET of the address that the server's UPD line names
(always over HTTPS). Every GET beside the gateway's path is answered from these files: a hosted
path with its bytes, any other path with 404. A file may be hosted cut off, to rehearse a download that breaks: the
reply announces the whole length, sends only the first bytes and closes the connection.
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
    sent: int          # body bytes written
    announced: int     # the Content-Length of the reply


@dataclass
class _Hosted:
    data: bytes
    cut: int = None


class UpgradeFiles:
    def __init__(self):
        self._lock = threading.Lock()
        self._files = {}
        self._downloads = []

    def host(self, path, data, cut=None):
        """Serves data at path (such as "/upgrade/agent.zip"); cut: send only that many bytes."""
        if not path.startswith("/"):
            raise ValueError("a hosted path starts with /")
        with self._lock:
            self._files[path] = _Hosted(bytes(data), cut)

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

    def answer(self, request):
        """The reply bytes for a GET and whether the connection is to be closed after it."""
        with self._lock:
            hosted = self._files.get(request.target)
        if hosted is None:
            body = b"no such upgrade file\n"
            reply = http_wire.reply_bytes(404, body, [("Content-Type", "text/plain")])
            self._record(Download(request.target, 404, len(body), len(body)))
            return reply, False
        reply = http_wire.reply_bytes(200, hosted.data,
                                      [("Content-Type", "application/octet-stream")])
        cut = len(hosted.data) if hosted.cut is None else min(hosted.cut, len(hosted.data))
        self._record(Download(request.target, 200, cut, len(hosted.data)))
        return reply[:len(reply) - len(hosted.data) + cut], hosted.cut is not None

    def _record(self, download):
        with self._lock:
            self._downloads.append(download)
