"""What the reference server saw and answered: one Exchange per request, kept in memory and
written as one JSON line each, and the readable form the command line prints."""
import base64
import dataclasses
import json
import threading
import time
from dataclasses import dataclass, field


@dataclass
class Violation:
    exchange: int
    message: str

    def __str__(self):
        return "exchange %d: %s" % (self.exchange, self.message)


@dataclass
class Exchange:
    number: int
    client: str
    time: float = field(default_factory=time.time)   # when the request had come in whole
    ended: float = None                               # when the answer went out, after any delay
    method: str = ""
    target: str = ""
    version: str = ""
    headers: list = field(default_factory=list)
    head_raw: bytes = b""
    body_raw: bytes = b""
    kind: str = "invalid"
    unknown_session: bool = False   # a session post under an id this server never issued
    body: bytes = None      # the result bytes after inflating, None when unknown
    records: list = None    # decoded result records, None when not decoded
    violations: list = field(default_factory=list)
    reply_status: int = 0
    reply_headers: list = field(default_factory=list)
    reply_body: bytes = b""

    def header(self, name):
        for key, value in self.headers:
            if key == name:
                return value
        return None

    def to_json(self):
        return {
            "number": self.number, "time": self.time, "ended": self.ended,
            "client": self.client,
            "method": self.method, "target": self.target, "version": self.version,
            "headers": [list(pair) for pair in self.headers],
            "head_raw": self.head_raw.decode("latin-1"),
            "body_raw_base64": base64.b64encode(self.body_raw).decode("ascii"),
            "kind": self.kind,
            "unknown_session": self.unknown_session,
            "body_base64": None if self.body is None else base64.b64encode(self.body).decode(),
            "records": jsonable(self.records),
            "violations": list(self.violations),
            "reply": {"status": self.reply_status,
                      "headers": [list(pair) for pair in self.reply_headers],
                      "body": self.reply_body.decode("latin-1")},
        }


def jsonable(value):
    """Decoded records in a JSON form, whatever shape the decoder gives them."""
    if value is None or isinstance(value, (bool, int, float, str)):
        return value
    if isinstance(value, (bytes, bytearray)):
        return value.hex()
    if dataclasses.is_dataclass(value) and not isinstance(value, type):
        return {f.name: jsonable(getattr(value, f.name)) for f in dataclasses.fields(value)}
    if hasattr(value, "to_dict"):
        return jsonable(value.to_dict())
    if isinstance(value, dict):
        return {str(key): jsonable(item) for key, item in value.items()}
    if isinstance(value, (list, tuple)):
        return [jsonable(item) for item in value]
    if hasattr(value, "__dict__"):
        return jsonable(vars(value))
    return repr(value)


class JsonLinesLog:
    def __init__(self, path):
        self._lock = threading.Lock()
        self._file = open(path, "a", encoding="utf-8") if path else None

    def write(self, exchange):
        if not self._file:
            return
        line = json.dumps(exchange.to_json(), ensure_ascii=False)
        with self._lock:
            self._file.write(line + "\n")
            self._file.flush()

    def close(self):
        with self._lock:
            if self._file:
                self._file.close()
                self._file = None


def describe(exchange):
    """The exchange in a few readable lines."""
    stamp = time.strftime("%H:%M:%S", time.localtime(exchange.time))
    kind = exchange.kind.upper() + (" (UNKNOWN SESSION)" if exchange.unknown_session else "")
    out = ["[%s] #%d %s %s %s from %s" % (stamp, exchange.number, kind, exchange.method,
                                           exchange.target, exchange.client)]
    out += ["    %s: %s" % pair for pair in exchange.headers]
    if exchange.body_raw:
        inflated = "" if exchange.body is None else " -> %d bytes" % len(exchange.body)
        out.append("    body: %d bytes%s" % (len(exchange.body_raw), inflated))
    if exchange.records is not None:
        out.append("    %d result record(s)" % len(exchange.records))
        out += ["      %s" % _record_text(record) for record in exchange.records]
    for violation in exchange.violations:
        out.append("    PROTOCOL VIOLATION: %s" % violation)
    reply = " ".join("%s=%s" % pair for pair in exchange.reply_headers)
    out.append("    -> %d %s" % (exchange.reply_status, reply))
    if exchange.reply_body:
        out += ["       | %s" % line for line in
                exchange.reply_body.decode("utf-8", "replace").split("\n")]
    return "\n".join(out)


def _record_text(record):
    if type(record).__str__ is not object.__str__:
        return str(record)
    return json.dumps(jsonable(record), ensure_ascii=False)
