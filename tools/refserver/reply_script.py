"""Scripted replies of the reference server.

A script is a queue of steps. Each request takes the first step meant for its kind ("login",
"session", or any kind when the step names none); a request that finds none gets the
server's own answer. Script files hold a JSON list of step objects:

    [{"kind": "login", "session_header": "111111"},
     {"kind": "session", "lines": ["POL\\t0\\t30", "CHK\\t0\\t10"]},
     {"status": 500},
     {"kind": "session", "body": "111111"},
     {"delay": 31}]

Fields: "kind"; "status" (default 200); "body" (text) or "lines" (texts joined by "\\n");
"session_header" (the value of the reply's Tol-SessionID: absent to let the server decide,
null for no header, or a text such as "111111", "666666" or a session id the server then
accepts); "delay" (seconds before the reply is written); "headers" (extra [name, value] pairs);
"close" (true: the server closes the connection after this reply).
"""
import collections
import json
import threading
from dataclasses import dataclass, field

AUTO = "auto"  # session_header: the server decides
KINDS = ("login", "session")


@dataclass
class ReplyStep:
    kind: str = None
    status: int = 200
    body: bytes = b""
    session_header: object = AUTO
    delay: float = 0.0
    headers: list = field(default_factory=list)
    close: bool = False

    def __post_init__(self):
        if self.kind not in (None,) + KINDS:
            raise ValueError("step kind %r is not login, session or none" % (self.kind,))
        if isinstance(self.body, str):
            self.body = self.body.encode("utf-8")

    @classmethod
    def from_dict(cls, entry):
        entry = dict(entry)
        unknown = set(entry) - {"kind", "status", "body", "lines", "session_header", "delay",
                                "headers", "close"}
        if unknown:
            raise ValueError("unknown step fields %s" % sorted(unknown))
        if "lines" in entry:
            if "body" in entry:
                raise ValueError("a step has either body or lines")
            entry["body"] = "\n".join(entry.pop("lines"))
        entry["headers"] = [tuple(pair) for pair in entry.get("headers", [])]
        return cls(**entry)


class ReplyScript:
    def __init__(self, steps=()):
        self._lock = threading.Lock()
        self._steps = collections.deque(steps)

    def add(self, step):
        with self._lock:
            self._steps.append(step)

    def take(self, kind):
        """Removes and returns the first step for this kind of request, or None."""
        with self._lock:
            for step in self._steps:
                if step.kind in (None, kind):
                    self._steps.remove(step)
                    return step
        return None

    def pending(self):
        with self._lock:
            return list(self._steps)

    @classmethod
    def load(cls, path):
        with open(path, encoding="utf-8") as file:
            entries = json.load(file)
        if not isinstance(entries, list):
            raise ValueError("%s: a script is a JSON list of steps" % path)
        return cls(ReplyStep.from_dict(entry) for entry in entries)
