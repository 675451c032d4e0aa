"""HTTP/1.x requests and replies as bytes on the wire, read without forgiveness.

The agent's requests come from WinINet, which writes every header line as "Name: value" and
CR LF; anything else in a request head is reported as a WireError instead of being guessed
at, so that the server can reject it loudly.
"""
import re
from dataclasses import dataclass, field

MAX_HEAD_BYTES = 65536
MAX_BODY_BYTES = 16 * 1024 * 1024

_TOKEN = re.compile(rb"^[!#$%&'*+.^_`|~0-9A-Za-z-]+$")
_REQUEST_LINE = re.compile(rb"^([A-Z]+) (\S+) HTTP/(1\.[01])$")

REASONS = {200: "OK", 400: "Bad Request", 403: "Forbidden", 404: "Not Found",
           500: "Internal Server Error", 502: "Bad Gateway", 503: "Service Unavailable"}


class WireError(ValueError):
    """A request that does not follow HTTP/1.x framing; `head` holds what was read of it."""

    def __init__(self, message, head=b""):
        super().__init__(message)
        self.head = head


@dataclass
class Request:
    method: str
    target: str
    version: str
    headers: list = field(default_factory=list)   # (name, value) in the order sent
    raw_values: list = field(default_factory=list)  # the bytes after each colon, undecoded
    head: bytes = b""
    body: bytes = b""

    def header(self, name):
        """The first value of a header (names compared without case), or None."""
        wanted = name.lower()
        for key, value in self.headers:
            if key.lower() == wanted:
                return value
        return None

    def wants_close(self):
        connection = (self.header("Connection") or "").lower()
        return connection == "close" or (self.version == "1.0" and connection != "keep-alive")


def _read_head(stream):
    """The head up to and including its empty line; None when the peer closed before a byte."""
    head = b""
    while True:
        line = stream.readline(MAX_HEAD_BYTES + 1)
        if not line:
            if not head:
                return None
            raise WireError("connection closed inside the request head", head)
        head += line
        if len(head) > MAX_HEAD_BYTES:
            raise WireError("request head longer than %d bytes" % MAX_HEAD_BYTES, head)
        if line in (b"\r\n", b"\n"):
            return head


def _split_lines(head):
    lines = head.split(b"\n")
    if lines[-1] != b"":
        raise WireError("request head does not end with a line end", head)
    lines = lines[:-1]
    for number, line in enumerate(lines):
        if not line.endswith(b"\r"):
            raise WireError("line %d of the request head ends with a bare LF" % (number + 1), head)
        if b"\r" in line[:-1]:
            raise WireError("line %d of the request head holds a bare CR" % (number + 1), head)
    return [line[:-1] for line in lines]


def _parse_header(line, head):
    if line[:1] in (b" ", b"\t"):
        raise WireError("folded header line %r" % line, head)
    name, colon, raw = line.partition(b":")
    if not colon:
        raise WireError("header line without a colon: %r" % line, head)
    if not _TOKEN.match(name):
        raise WireError("malformed header name %r" % name, head)
    if any(byte < 0x20 and byte != 0x09 or byte == 0x7F for byte in raw):
        raise WireError("control character in header %r" % name, head)
    return name.decode("ascii"), raw


def read_request(stream):
    """Reads one request from a binary stream; None at a clean end of the connection."""
    head = _read_head(stream)
    if head is None:
        return None
    lines = _split_lines(head)
    if not lines or lines[-1] != b"":
        raise WireError("request head without its empty line", head)
    match = _REQUEST_LINE.match(lines[0])
    if not match:
        raise WireError("malformed request line %r" % lines[0], head)
    request = Request(method=match.group(1).decode("ascii"),
                      target=match.group(2).decode("latin-1"),
                      version=match.group(3).decode("ascii"), head=head)
    for line in lines[1:-1]:
        name, raw = _parse_header(line, head)
        request.headers.append((name, raw.strip(b" \t").decode("latin-1")))
        request.raw_values.append(raw)
    request.body = _read_body(stream, request)
    return request


def _read_body(stream, request):
    if request.header("Transfer-Encoding") is not None:
        raise WireError("Transfer-Encoding in a request: only Content-Length bodies are sent",
                        request.head)
    lengths = {value for name, value in request.headers if name.lower() == "content-length"}
    if not lengths:
        return b""
    if len(lengths) > 1:
        raise WireError("disagreeing Content-Length headers", request.head)
    text = lengths.pop()
    if not text.isdigit() or int(text) > MAX_BODY_BYTES:
        raise WireError("bad Content-Length %r" % text, request.head)
    length = int(text)
    body = stream.read(length) if length else b""
    if len(body) != length:
        raise WireError("body of %d bytes where Content-Length says %d" % (len(body), length),
                        request.head)
    return body


def reply_bytes(status, body=b"", headers=(), close=False):
    """A whole reply: status line, the given headers in order, Content-Length, body."""
    lines = ["HTTP/1.1 %d %s" % (status, REASONS.get(status, "Status"))]
    lines += ["%s: %s" % (name, value) for name, value in headers]
    lines.append("Content-Length: %d" % len(body))
    if close:
        lines.append("Connection: close")
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body
