"""The HTTP plug-in tol_http.dll driven through plugin_host.exe as the agent would, against a
Debian nginx on 127.0.22.1-4 (nginx_site.py) over HTTP and HTTPS, and the recording proxy.
Where curl can fetch the same address, the plug-in's status code and length are compared with
what curl reports."""
import socket

import pytest

import host_records
import plugin_host
from agent_install import reg_value
from nginx_site import (AFTER_NUL, LARGE_END, LARGE_SIZE, MARKER, NUL_BODY, PASSWORD,
                        SLOW_BODY_SIZE, SLOW_HEAD_SECONDS, USER, NginxSite, curl)

from recording_proxy import RecordingProxy
from result_records import decode_stream, named_fields

CLSID = "{8425C851-99DC-4D89-8A95-56939DE1664D}"
APPID = "{49ECCB2B-3C93-4B3C-AF11-E843E6C02E52}"
LIBID = "{231F0C19-7996-40BD-A095-CC6D8FD669FE}"
PLUGIN_KEY = plugin_host.PLUG_INS_KEY + "\\" + CLSID
NEW_DATA = "tol_http: New data is available."
SESSION = plugin_host.Session("tol_http.dll", CLSID)
GET, POST, HEAD = 0, 1, 2
# A label longer than 63 characters: the name fails to resolve without a query on the wire.
UNRESOLVABLE = "a" * 70 + ".invalid"


@pytest.fixture(scope="module")
def site():
    with NginxSite() as running:
        yield running


def line(site, tid, path, server="plain", code="HPA", lid=1, host=None, port=None, match="",
         body="", user="", password="", timeout=10, read=0, sense=1, method=GET):
    fields = [code, tid, lid, host or site.host(server), path,
              site.port(server) if port is None else port, match, body, user, password,
              timeout, 0 if server == "plain" else 1, 0, read, sense, method]
    return "add " + "\\t".join(str(f) for f in fields)


def records(run):
    return [dict(named_fields(record)) for record in host_records.records(run)]


def by_test(run):
    """The last record of each test id."""
    return {r["test_id"]: r for r in records(run)}


def closed_port():
    """A port on 127.0.22.1 where nothing listens."""
    with socket.socket() as probe:
        probe.bind(("127.0.22.1", 0))
        return probe.getsockname()[1]


def test_registration_names_the_http_plug_in():
    plugin_host.check_registration("tol_http", "HTTPmonitoring", CLSID, APPID, LIBID,
                                   "HTTP monitoring")
    assert reg_value(PLUGIN_KEY, "Name") is None


def test_init_answers_the_command_codes_and_set_needs_init():
    run = plugin_host.run_script([
        "load tol_http.dll", "register", "create " + CLSID, "set 3 bstr 127.0.22.1:1", "init",
        "set 3 bstr 127.0.22.1:1", "release", "unregister", "unload"])
    assert run.entries("init") == [(plugin_host.S_OK, "HPAHPMHPD")]
    (refused, _), accepted = run.entries("set")
    assert refused == plugin_host.E_FAIL
    assert run.entries("set")[0][1].endswith(": Please, Initialize the class first.")
    assert accepted == (plugin_host.S_OK, "")
    assert run.returncode == 0


def test_statuses_match_and_methods_over_http(site):
    # tid: (line options, status, code, text after the status-code text, curl options)
    cases = {
        1: (dict(path="/marker.html", read=1, match=MARKER), 0, 200, "String found.", []),
        2: (dict(path="/missing.html", read=1, match=MARKER), 2, 404, "", []),
        6: (dict(path="/forbidden", read=1, match="nothing", sense=0), 0, 403,
            "String NOT found.", []),
        7: (dict(path="/redirect", read=1, match=MARKER), 0, 200, "String found.", ["-L"]),
        8: (dict(path="/post", method=POST, body="hello=world", read=1,
                 match="accepted POST 11"), 0, 200, "String found.", ["-d", "hello=world"]),
        9: (dict(path="/marker.html", method=HEAD, read=1, match=MARKER), 2, 200,
            "String found.", None),
        10: (dict(path="/marker.html", match="not looked for"), 0, 200, "", []),
        11: (dict(path="/marker.html", read=1, match="absent", sense=0), 0, 200,
             "String NOT found.", []),
        12: (dict(path="/marker.html", read=1, match=MARKER, sense=0), 2, 200,
             "String NOT found.", []),
        13: (dict(path="/marker.html", read=1, match="absent"), 2, 200, "String found.", []),
        14: (dict(path="/nul.bin", read=1, match=AFTER_NUL), 0, 200, "String found.", []),
        15: (dict(path="/large.bin", read=1, match=LARGE_END, timeout=60), 0, 200,
             "String found.", []),
        16: (dict(path="/marker.html", port=site.http_port + 65536), 0, 200, "", []),
    }
    run = SESSION.run([line(site, tid, **opts) for tid, (opts, *_) in cases.items()] +
                      ["wait-data %d 60000" % len(cases), "get"])
    assert run.returncode == 0, run.log
    got = by_test(run)
    assert sorted(got) == sorted(cases)
    for tid, (opts, status, code, message, curl_options) in cases.items():
        record = got[tid]
        assert (record["status"], record["http_code"]) == (status, code), (tid, record)
        assert record["text"] == "HTTP status code: %d. %s" % (code, message), tid
        assert record["location_id"] == 1
        assert record["milliseconds"] < opts.get("timeout", 10) * 1000, tid
        if curl_options is not None:
            peer = curl(site.url(opts["path"]), *curl_options)
            assert peer[0] == code, tid
            if opts.get("read") and status == 0:
                assert record["length"] == peer[1], tid
    # A body read to its end counts every byte, NUL bytes included; HEAD reads none.
    assert got[14]["length"] == len(NUL_BODY)
    assert got[15]["length"] == LARGE_SIZE
    assert got[9]["length"] == 0
    assert got[2]["length"] == 0  # not read for a failing code
    # Without read content the length is the Content-Length.
    assert got[10]["length"] == curl(site.url("/marker.html"))[1]
    events = [e for e in run.events if e.text == NEW_DATA]
    assert len(events) == len(cases) and all(e.kind == "UI4" and e.value == 3 for e in events)
    served = site.access_log()
    assert all("Tolvane Quorin Agent" in entry.agent for entry in served
               if "curl" not in entry.agent)
    assert any(e.method == "POST" and e.uri == "/post" for e in served)
    assert any(e.method == "HEAD" and e.uri == "/marker.html" for e in served)


# WinINet keeps Basic credentials per process and server: once one request has authenticated,
# another one without credentials is let in too. So each case runs in a process of its own.
@pytest.mark.parametrize("user, password, read, status, code, message", [
    ("", "", 0, 0, 401, ""),
    # 401 counts as an answer, so its body is read and the match decides.
    ("", "", 1, 2, 401, "String found."),
    (USER, "wrong", 1, 2, 401, "String found."),
    (USER, PASSWORD, 1, 0, 200, "String found."),
])
def test_basic_authentication(site, user, password, read, status, code, message):
    run = SESSION.run([line(site, 3, "/private/", user=user, password=password, read=read,
                            match=MARKER), "wait-data 1 30000", "get"])
    (record,) = records(run)
    assert (record["status"], record["http_code"]) == (status, code)
    assert record["text"] == "HTTP status code: %d. %s" % (code, message)
    served = site.access_log()[-1]
    assert (served.uri, served.status, served.user) == ("/private/", code, user or "-")
    peer = curl(site.url("/private/"), *(["-u", "%s:%s" % (user, password)] if user else []))
    assert (record["http_code"], record["length"]) == peer


def test_failures_before_an_answer_are_reported_with_their_error_text(site):
    cases = {
        21: dict(path="/", port=closed_port()),
        22: dict(path="/", host=UNRESOLVABLE),
        23: dict(path="/", timeout=0),
        24: dict(path="/", timeout=-5),
    }
    run = SESSION.run([line(site, tid, **opts) for tid, opts in cases.items()] +
                      ["wait-data 4 60000", "get"])
    got = by_test(run)
    refused, unresolved, zero, negative = (got[t] for t in (21, 22, 23, 24))
    assert refused["text"].startswith("Failed with error 12029: ")  # cannot connect
    assert unresolved["text"].startswith("Failed with error 12007: ")  # name not resolved
    for record in (refused, unresolved):
        assert (record["status"], record["milliseconds"], record["http_code"]) == (2, 0, 0)
        assert "Unknown Error." not in record["text"]
    for record in (zero, negative):
        assert (record["status"], record["milliseconds"], record["text"]) == (2, 0, "Timed out.")


@pytest.mark.parametrize("server", ["good", "expired", "wrong_name"])
def test_https_forgives_unknown_authority_date_and_name(site, server):
    run = SESSION.run([line(site, 31, "/marker.html", server=server, read=1, match=MARKER),
                       line(site, 32, "/missing.html", server=server),
                       "wait-data 2 30000", "get"])
    got = by_test(run)
    assert (got[31]["status"], got[31]["http_code"]) == (0, 200)
    assert got[31]["text"] == "HTTP status code: 200. String found."
    assert got[31]["length"] == curl(site.url("/marker.html", server))[1]
    assert (got[32]["status"], got[32]["http_code"]) == (2, 404)
    assert [e.server for e in site.access_log()[-2:]] == ["%s:%d" % (site.host(server),
                                                                     site.https_port)] * 2


def test_https_certificate_of_an_unknown_authority_is_not_forgiven_for_revocation(site):
    # A certificate issued by an authority (not self-signed) carries no revocation
    # information; that error is not among those the check forgives.
    run = SESSION.run([line(site, 33, "/marker.html", server="ca_signed", read=1,
                            match=MARKER), "wait-data 1 30000", "get"])
    (record,) = records(run)
    if record["status"] == 0:
        pytest.skip("this WinINet accepts the authority-issued certificate")
    assert record["text"].startswith("Failed with error 1205"), record


def test_time_outs_while_waiting_and_while_reading(site):
    run = SESSION.run([
        line(site, 41, "/slow-head", timeout=1),
        line(site, 42, "/slow-body.bin", timeout=1, read=1, match="never"),
        line(site, 43, "/slow-body.bin", timeout=1),
        "wait-data 3 30000", "get"])
    got = by_test(run)
    assert [got[41][k] for k in ("status", "milliseconds", "http_code", "text")] == [
        2, 0, 0, "Timed out."]
    # The body did not come in time: the record keeps the status code and Content-Length.
    assert [got[42][k] for k in ("status", "milliseconds", "http_code", "length", "text")] == [
        2, 0, 200, SLOW_BODY_SIZE, "Timed out."]
    # Without read content the answer's head is all the check waits for.
    assert (got[43]["status"], got[43]["http_code"], got[43]["length"]) == (0, 200,
                                                                           SLOW_BODY_SIZE)


def test_a_request_given_up_keeps_its_context_until_wininet_lets_go(site):
    # The request times out after 1 s while WinINet still waits for the answer, which nginx
    # gives (504) only after SLOW_HEAD_SECONDS; the plug-in is released meanwhile. Until the
    # late completion has come and the handles are closed the DLL must stay loaded (its
    # callback is still to be called); afterwards it may go.
    run = plugin_host.run_script(
        SESSION.prologue() +
        [line(site, 51, "/slow-head", timeout=1), "wait-data 1 20000", "get", "release",
         "canunload", "sleep %d" % ((SLOW_HEAD_SECONDS + 3) * 1000), "canunload",
         "unregister", "unload"])
    assert run.returncode == 0, run.log
    (record,) = records(run)
    assert record["text"] == "Timed out."
    assert [hr for hr, _ in run.entries("DllCanUnloadNow")] == ["0x00000001", plugin_host.S_OK]


def test_release_while_a_request_waits_does_not_wait_for_its_time_out(site):
    # Nothing ever answers the request; its time-out is ten minutes. Releasing the plug-in
    # ends the pass at once; the request posts no record.
    listener = socket.socket()
    listener.bind(("127.0.22.1", 0))
    listener.listen(4)
    try:
        run = plugin_host.run_script(
            SESSION.prologue() +
            [line(site, 61, "/", port=listener.getsockname()[1], timeout=600), "sleep 500",
             "release", "unregister", "unload"], timeout=90)
    finally:
        listener.close()
    assert run.returncode == 0, run.log
    assert run.entries("release") == [(plugin_host.S_OK, "")]
    assert NEW_DATA not in run.texts()


def test_lines_add_modify_and_delete_tests(site):
    marker = dict(path="/marker.html")
    run = SESSION.run([
        line(site, 1, **marker),
        line(site, 2, "/missing.html"),
        line(site, 0, **marker),                       # id 0: refused
        line(site, 1, "/missing.html"),                # id taken: ignored
        "wait-data 2 20000", "get",
        line(site, 2, code="HPM", lid=7, **marker),    # only test 2 is requested again
        "wait-data 3 20000", "get",
        line(site, 9, code="HPM", **marker),           # unknown id: a pass requests nothing
        "sleep 1000", "get",
        "add HPD\\t1\\t0",
        "add HPD\\t2",                                 # two fields: ignored
        "add HPD\\t-2\\t0",                            # no such test: nothing removed
        line(site, -4, "/forbidden"),                  # any non-zero id is a test id
        "wait-data 4 20000", "get",
        "set 1 i4 1", "wait-data 6 20000", "get"])     # a timer pass: tests 2 and -4
    assert run.returncode == 0, run.log
    gets = [code for code, _ in run.entries("get")]
    assert gets[2] == plugin_host.E_PENDING
    streams = iter(run.results)
    first = {r.test_id: r for r in decode_stream(next(streams))}
    assert sorted(first) == [1, 2]
    assert (first[1].ui32[5], first[2].ui32[5]) == (200, 404)
    (modified,) = decode_stream(next(streams))
    assert (modified.test_id, modified.location_id, modified.ui32[5]) == (2, 7, 200)
    (negative,) = decode_stream(next(streams))
    assert (negative.test_id, negative.ui32[5]) == (0xFFFFFFFC, 403)
    timer = decode_stream(next(streams))
    assert {r.test_id for r in timer} == {2, 0xFFFFFFFC}


def test_bad_lines_add_no_test(site):
    good = line(site, 70, "/marker.html")
    fields = good[len("add "):].split("\\t")
    bad = [
        "\\t".join(fields[:-1]),                       # 15 fields
        "\\t".join(fields + ["0"]),                    # 17 fields
        "\\t".join(["hpa"] + fields[1:]),              # the code is case-sensitive
        "\\t".join(fields[:1] + ["x"] + fields[2:]),   # a test id that is no number: 0
        "\\t" * 15,                                    # only TABs
    ]
    # Well-formed lines with odd texts are tests whose requests fail.
    odd = [
        "\\t".join(fields[:1] + ["71"] + fields[2:3] + ["ünïcødé.invalid"] + fields[4:]),
        "\\t".join(fields[:1] + ["72"] + fields[2:3] + ["h" * 5000] + fields[4:]),
    ]
    run = SESSION.run(["add " + text for text in bad + odd] +
                      [good, "wait-data 3 30000", "sleep 500", "get"])
    assert [hr for hr, _ in run.entries("add")] == [plugin_host.S_OK] * (len(bad) + 3)
    got = by_test(run)
    assert sorted(got) == [70, 71, 72]
    assert got[70]["http_code"] == 200
    for tid in (71, 72):
        assert got[tid]["status"] == 2 and got[tid]["text"].startswith("Failed with error ")


def test_a_pass_of_more_than_64_requests(site):
    count = 100
    run = SESSION.run([line(site, tid, "/marker.html", read=1, match=MARKER)
                       for tid in range(1, count + 1)] + ["set 1 i4 1"] +
                      ["wait-data %d 120000" % (2 * count), "release"], timeout=180)
    assert run.returncode == 0, run.log


def test_set_proxy_sends_requests_through_the_proxy_and_an_empty_text_removes_it(site):
    with RecordingProxy(host="127.0.22.1") as proxy:
        run = SESSION.run([
            "set 3 bstr " + proxy.address,
            line(site, 81, "/marker.html", read=1, match=MARKER),
            line(site, 82, "/marker.html", server="good", read=1, match=MARKER),
            "wait-data 2 30000", "get",
            "set 3 bstr",
            line(site, 81, "/private/", code="HPM"),
            "wait-data 3 30000", "get"])
        seen = [(r.method, r.target) for r in proxy.requests]
    got = records(run)
    assert [(r["test_id"], r["status"], r["http_code"]) for r in got[:2]] in (
        [(81, 0, 200), (82, 0, 200)], [(82, 0, 200), (81, 0, 200)])
    assert (got[2]["test_id"], got[2]["http_code"]) == (81, 401)
    # The HTTPS request tunnels twice: its first send meets the unknown authority.
    assert set(seen) == {("GET", site.url("/marker.html")),
                         ("CONNECT", "127.0.22.1:%d" % site.https_port)}
