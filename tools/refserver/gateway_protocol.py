"""The agent's request to its gateway: the Tol- header blocks and the body encoding.

A login carries, after "Content-Type: application/octet-stream", exactly the headers of
LOGIN_HEADERS in that order and no body; a session request exactly those of SESSION_HEADERS.
Tol-Compression is the inflated length of a zlib body (0 for a raw body) and Tol-CheckSum the
adler32 of the bytes actually sent (0 together with Tol-Compression 0 when the agent runs
without zlib).
"""
import re
import zlib

CONTENT_TYPE = "application/octet-stream"
PLATFORM = "win32"
LOGIN_HEADERS = ("Tol-EMail", "Tol-AName", "Tol-Platform", "Tol-Version", "Tol-OSVersion",
                 "Tol-Hostname", "Tol-Builddate")
SESSION_HEADERS = ("Tol-SessionID", "Tol-Compression", "Tol-CheckSum", "Tol-Platform",
                   "Tol-Version")
KNOWN_HEADERS = frozenset(LOGIN_HEADERS + SESSION_HEADERS)

# The compiler's build date and time: "Oct 29 2012 10:23:06", a day below 10 padded by a blank.
_BUILD_DATE = re.compile(r"^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                         r"[ 123]\d \d{4} [0-2]\d:[0-5]\d:[0-5]\d$")
_UNSIGNED = re.compile(r"^(0|[1-9]\d{0,9})$")


class HeaderBlock:
    """The Tol- headers of one request, with what is wrong about them."""

    def __init__(self, kind, values, problems):
        self.kind = kind          # "login", "session" or "invalid"
        self.values = values      # header name -> value
        self.problems = problems  # texts; empty when the block is sound


def _tol_headers(request, problems):
    names, values = [], {}
    for (name, value), raw in zip(request.headers, request.raw_values):
        if not name.lower().startswith("tol-"):
            continue
        if name not in KNOWN_HEADERS:
            problems.append("unknown header %r" % name)
            continue
        if name in values:
            problems.append("duplicate header %s" % name)
            continue
        if raw != b" " + value.encode("latin-1"):
            problems.append("header %s is not written as 'Name: value'" % name)
        names.append(name)
        values[name] = value
    return names, values


def _content_type_problems(request):
    types = [value for name, value in request.headers if name.lower() == "content-type"]
    if len(types) != 1:
        return ["%d Content-Type headers, expected one" % len(types)]
    if types[0] != CONTENT_TYPE:
        return ["Content-Type %r, expected %r" % (types[0], CONTENT_TYPE)]
    return []


def _order_problems(kind, names, expected):
    if tuple(names) == expected:
        return []
    missing = [name for name in expected if name not in names]
    extra = [name for name in names if name not in expected]
    if missing or extra:
        return ["%s header block: missing %s, not allowed %s" % (kind, missing or "none",
                                                                  extra or "none")]
    return ["%s header block out of order: %s" % (kind, ", ".join(names))]


def _value_problems(kind, values, body):
    """Checks of the values present; a missing header is reported by the block check."""
    problems = []
    if "Tol-Platform" in values and values["Tol-Platform"] != PLATFORM:
        problems.append("Tol-Platform %r, expected %r" % (values["Tol-Platform"], PLATFORM))
    names = ["Tol-Version"] + (["Tol-EMail", "Tol-AName", "Tol-OSVersion", "Tol-Hostname"]
                               if kind == "login" else ["Tol-SessionID"])
    problems += ["empty %s" % name for name in names if values.get(name, None) == ""]
    if kind == "login":
        date = values.get("Tol-Builddate")
        if date is not None and not _BUILD_DATE.match(date):
            problems.append("Tol-Builddate %r is not 'Mmm dd yyyy hh:mm:ss'" % date)
        if body:
            problems.append("login with a body of %d bytes" % len(body))
        return problems
    for name in ("Tol-Compression", "Tol-CheckSum"):
        text = values.get(name)
        if text is not None and (not _UNSIGNED.match(text) or int(text) > 0xFFFFFFFF):
            problems.append("%s %r is not an unsigned 32-bit decimal" % (name, text))
    return problems


def read_header_block(request):
    """Sorts a gateway request into a login or a session request and checks its headers."""
    problems = _content_type_problems(request)
    names, values = _tol_headers(request, problems)
    if "Tol-SessionID" in values:
        kind, expected = "session", SESSION_HEADERS
    elif values:
        kind, expected = "login", LOGIN_HEADERS
    else:
        return HeaderBlock("invalid", values, problems + ["no Tol- headers"])
    problems += _order_problems(kind, names, expected)
    problems += _value_problems(kind, values, request.body)
    return HeaderBlock(kind if not problems else "invalid", values, problems)


def decode_body(body, compression, checksum):
    """The result bytes inside a session body, and what disagrees with its two headers."""
    problems = []
    if compression == 0:
        if checksum and zlib.adler32(body) != checksum:
            problems.append("Tol-CheckSum %d disagrees with adler32 %d of the %d raw bytes sent"
                            % (checksum, zlib.adler32(body), len(body)))
        return body, problems
    if checksum == 0:
        problems.append("zlib body (Tol-Compression %d) without a checksum" % compression)
    elif zlib.adler32(body) != checksum:
        problems.append("Tol-CheckSum %d disagrees with adler32 %d of the %d bytes sent"
                        % (checksum, zlib.adler32(body), len(body)))
    inflater = zlib.decompressobj()
    try:
        payload = inflater.decompress(body)
    except zlib.error as error:
        problems.append("body does not inflate: %s" % error)
        return None, problems
    if not inflater.eof:
        problems.append("zlib stream ends early")
    elif inflater.unused_data:
        problems.append("%d bytes after the zlib stream" % len(inflater.unused_data))
    if len(payload) != compression:
        problems.append("inflated length %d, Tol-Compression says %d" % (len(payload), compression))
    return payload, problems
