"""Two thousand HTTP tests in one tol_http.dll driven through plugin_host.exe, against one
local web server (Python's threading HTTP server on 127.0.37.1): every test is measured and
reported, first by the check-now passes of their adds and then all together by one timer pass,
whose request threads all run at once."""
import http.server
import threading

import plugin_host

from result_records import decode_stream, named_fields

CLSID = "{8425C851-99DC-4D89-8A95-56939DE1664D}"
ADDRESS = "127.0.37.1"
TESTS = 2000
MARKER = "TOLVANE-MANY-37"
TIMER_PERIOD = 3  # seconds: the timer pass after the check-now passes
PHASE_MS = 300000  # the longest either phase may take


class _Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = ("<p>%s %s</p>\n" % (MARKER, self.path)).encode()
        with self.server.lock:
            self.server.served += 1
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class _Server(http.server.ThreadingHTTPServer):
    request_queue_size = 4096  # every test of a pass connects at once
    daemon_threads = True

    def __init__(self):
        super().__init__((ADDRESS, 0), _Handler)
        self.lock = threading.Lock()
        self.served = 0


def _line(port, tid):
    fields = ["HPA", tid, 7, ADDRESS, "/t/%d" % tid, port, MARKER, "", "", "", 60, 0, 0, 1, 1, 0]
    return "add " + "\\t".join(str(f) for f in fields)


def _records(stream):
    return [dict(named_fields(record)) for record in decode_stream(stream)]


def test_two_thousand_tests_all_report_in_one_pass():
    server = _Server()
    serving = threading.Thread(target=server.serve_forever, daemon=True)
    serving.start()
    try:
        port = server.server_address[1]
        session = plugin_host.Session("tol_http.dll", CLSID)
        with session.live(timeout=60) as live:
            live.send(*[_line(port, tid) for tid in range(1, TESTS + 1)])
            live.send("wait-data %d %d" % (TESTS, PHASE_MS), "get")
            live.wait(lambda run: len(run.entries("get")) == 1, timeout=PHASE_MS / 1000 + 30)
            added_served = server.served
            # A new period re-arms the timer: its pass requests every test at once.
            live.send("set 1 i4 %d" % TIMER_PERIOD, "wait-data %d %d" % (2 * TESTS, PHASE_MS),
                      "get", "set 1 i4 300")
            live.wait(lambda run: len(run.entries("get")) == 2, timeout=PHASE_MS / 1000 + 30)
        run = live.run
    finally:
        server.shutdown()
        server.server_close()
    assert run.returncode == 0, run.log[-5:]
    assert len(run.results) == 2, run.log[-5:]
    expected = set(range(1, TESTS + 1))
    for stream in run.results:
        records = _records(stream)
        assert sorted(r["test_id"] for r in records) == sorted(expected)
        failed = [r for r in records if (r["status"], r["http_code"]) != (0, 200)]
        assert not failed, failed[:3]
        assert all(r["text"] == "HTTP status code: 200. String found." for r in records)
        assert all(r["location_id"] == 7 for r in records)
    assert added_served == TESTS
    assert server.served >= 2 * TESTS
    assert not [t for t in run.texts("I4") if "could not be started" in t]
