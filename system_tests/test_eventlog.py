"""The event-log plug-in tol_eventlog.dll driven through plugin_host.exe as the agent would.

Wine keeps no event log, so the host points the plug-in's imports of the five event-log
reading calls at a log the script writes (tools/plugin_host/scripted_event_log.h), and its
import of RegConnectRegistryW at the registries of the script's remote hosts; the DLL is the
product's, unchanged. As on Windows, the scripted log opens the Application log for a name the
host has no log of. Everything else the plug-in calls is Wine's own: the local registry's log
keys and EventMessageFile values, FormatMessage with message files built by windmc
(evt_messages_test.dll, evt_messages_second.dll), LookupAccountSid.
"""
import pytest

import plugin_host
import winhost
from agent_install import reg_add, windows_path
from host_records import records

from result_records import FIELD_NAMES, named_fields

CLSID = "{9979D694-31BD-4307-A1E5-F625EC1B5933}"
APPID = "{8C0EF3A6-7195-40A5-945E-2E8E6BA3C4E1}"
LIBID = "{9D383DDC-8CC8-490E-ABC8-3D9A9922DEE0}"
NEW_DATA = "tol_evt: New data is available."
NEW_RECORDS = "There are new records in the Event log."

LOG = "Tol19Log"
SOURCE = "Tol19Source"    # has the test message file
PLAIN = "Tol19Plain"      # has none
LISTED = "Tol19Listed"    # names a list of two files, the first lacking some messages
LOG_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog" "\\" + LOG
ALL_TYPES = "0,1,2,4,8,16"
EVENT_NAMES = FIELD_NAMES[50]["nested"]


class EventLogSession(plugin_host.Session):
    """The agent's steps, with the plug-in's event-log calls pointed at the scripted log."""

    def prologue(self):
        return ["load " + self.dll, "evlog-hook", "register", "create " + self.clsid, "init",
                "set 2 i4 %d" % self.source_id, "set 1 i4 %d" % self.period, "advise"]


SESSION = EventLogSession("tol_eventlog.dll", CLSID)


@pytest.fixture(scope="module", autouse=True)
def message_file():
    reg_add(LOG_KEY + "\\" + SOURCE, "EventMessageFile", windows_path("evt_messages_test.dll"),
            kind="REG_EXPAND_SZ")
    reg_add(LOG_KEY + "\\" + LISTED, "EventMessageFile",
            windows_path("evt_messages_test.dll") + ";" + windows_path("evt_messages_second.dll"))
    yield
    winhost.reg("delete", LOG_KEY, "/f")


def fields(*values):
    return "\\t".join(str(v) for v in values)


def lea(tid, log=LOG, host="", types=ALL_TYPES, lid=1, code="LEA"):
    return "add " + fields(code, tid, lid, host, log, types)


def make_log(log=LOG, host="-"):
    return "evlog-log " + fields(host, log)


def write(type=4, event_id=1000, source=SOURCE, strings=("a", "b", "c"), sid="-",
          generated="now", data="-", log=LOG, host="-", computer="TOL19HOST", count=None):
    record = fields(host, log, type, event_id, source, computer, sid, generated, data, *strings)
    if count is None:
        return "evlog-write " + record
    return "evlog-fill " + fields(count, record)


def wait(opens, log=LOG, host="-"):
    return "evlog-wait " + fields(host, log, opens, 30000)


def timer_pass(opens, log=LOG, host="-"):
    """One timer pass over every test; over when the log has been opened `opens` times."""
    return ["set 1 i4 1", wait(opens, log, host), "set 1 i4 300"]


def events(record):
    return [dict(named_fields(child, EVENT_NAMES)) for child in record.nested]


def only_result(run):
    assert run.returncode == 0, run.log
    assert all(hr == plugin_host.S_OK for hr, _ in run.entries("evlog-wait")), run.log
    (record,) = records(run)
    assert record.type_name == "RESULT_EVENT_LOG"
    return record


def stats(run):
    """The counters of each evlog-stats line, in order."""
    return [dict(item.split("=") for item in detail.split())
            for _, detail in run.entries("evlog-stats")]


def test_registration_names_the_event_log_plug_in():
    plugin_host.check_registration("tol_eventlog", "EventLogMonitoring", CLSID, APPID, LIBID,
                                   "Windows Event Log monitoring", init_codes="LEALEMLED")


def test_new_records_of_the_listed_types_in_one_result():
    run = SESSION.run([
        make_log(), write(type=1), lea(7, types="1,2", lid=3), wait(2),  # baseline, check-now
        write(type=1, event_id=0xC00003E9, strings=["C:"], sid="S-1-5-18", data="0aff",
              generated="1700000000"),
        write(type=4),                                                   # not listed
        write(type=2, source=PLAIN, strings=["a", "b", "c"]),
        *timer_pass(3), "get"])
    record = only_result(run)
    assert (record.test_id, record.location_id, record.ui32[3]) == (7, 3, 0)
    assert record.texts == [NEW_RECORDS]
    first, second = events(record)
    assert first == {
        "event_type": 2, "sid_use": 5, "event_code": 1001,  # SidTypeWellKnownGroup
        "time_generated": 1700000000, "time_written": first["time_written"],
        "domain": "NT AUTHORITY", "computer": "TOL19HOST", "source": SOURCE,
        "account": "SYSTEM", "sid": "S-1-5-18", "message": "Disk C: failed.\r\n",
        "data": "0a ff "}
    assert first["time_written"] >= record.timestamp - 60
    assert second["event_type"] == 3
    assert (second["source"], second["message"]) == (PLAIN, "a,b,c")  # no message file
    assert (second["account"], second["domain"], second["sid"], second["sid_use"]) == \
        ("N/A", "N/A", "N/A", 0)
    assert second["data"] == "No data is available."
    assert plugin_host.Event("UI4", 3, NEW_DATA) in run.events


def test_messages_types_and_texts_of_single_records():
    cases = [  # (record fields, what its event reports)
        (dict(type=16), {"event_type": 6}),
        (dict(type=3), {"event_type": 0}),
        (dict(strings=[]), {"message": "N/A"}),  # even though its source has a message file
        (dict(strings=["one"], event_id=1002),
         {"message": "Inserts one" + " " * 8 + "end.\r\n"}),  # the other inserts are empty
        (dict(strings=["a", "b"], event_id=1003), {"message": "Typed a     b    | end.\r\n"}),
        (dict(strings=["m" * 300], source=PLAIN), {"message": "m" * 127}),
        (dict(strings=["x" * 200, "y"]),
         {"message": ("Service " + "x" * 200)[:127]}),
        (dict(sid="S-1-5-21-19-19-19-1919"), {"account": "N/A", "sid": "N/A", "sid_use": 0}),
        (dict(data="00" * 100), {"data": "00 " * 42 + "00"}),
        (dict(strings=["\u00e9t\u00e9", "\u65e5"], source=PLAIN),
         {"message": "\u00e9t\u00e9,\u65e5"}),
        # A list of message files: each is tried in order until one holds the message.
        (dict(strings=["x", "y"], event_id=0x80000BB8, source=LISTED),
         {"message": "Only the second file has x and y.\r\n", "event_code": 3000}),
        (dict(strings=["it"], event_id=2, source=LISTED),
         {"message": "Second file: it is here.\r\n"}),
        (dict(strings=["a", "b", "c"], source=LISTED),
         {"message": "Service a started on b with c.\r\n"}),
    ]
    script = [make_log(), lea(1, types="0,1,2,3,4,8,16"), wait(2)]
    script += [write(**record) for record, _ in cases]
    run = SESSION.run(script + timer_pass(3) + ["get"])
    reported = events(only_result(run))
    assert len(reported) == len(cases)
    for (record, expected), event in zip(cases, reported):
        assert {name: event[name] for name in expected} == expected, record


def test_no_new_record_no_result_and_unlisted_records_still_move_the_test_on():
    run = SESSION.run([
        make_log(), lea(1, types="1"), wait(2),
        *timer_pass(3), "get",                       # nothing written: no result
        write(type=4), write(type=2), *timer_pass(4), "get",   # none listed: no result
        write(type=1, strings=["late"], source=PLAIN), *timer_pass(5), "get"])
    assert [hr for hr, _ in run.entries("get")] == [plugin_host.E_PENDING] * 2 + [plugin_host.S_OK]
    (event,) = events(only_result(run))
    assert event["message"] == "late"


def test_cleared_log_restarts_without_old_records():
    run = SESSION.run([
        make_log(), lea(1), wait(2),
        write(count=3), *timer_pass(3), "get",                    # records 1..3 reported
        "evlog-clear " + fields("-", LOG),
        write(strings=["before"], source=PLAIN, generated="now-3600"),
        write(strings=["after"], source=PLAIN, generated="now+3600"),
        *timer_pass(4), "get"])
    first, second = records(run)
    assert len(events(first)) == 3
    assert [e["message"] for e in events(second)] == ["after"]


def test_wrapped_log_reads_what_is_left():
    run = SESSION.run([
        make_log(), lea(1), wait(2),
        write(count=3), *timer_pass(3), "get",                    # 1..3 read: next is 4
        write(count=7, source=PLAIN, strings=["kept"]),           # 4..10
        "evlog-drop " + fields("-", LOG, 5),                      # 1..5 overwritten unread
        *timer_pass(4), "get"])
    first, second = records(run)
    assert second.ui32[3] == 0, second.texts
    assert [e["message"] for e in events(second)] == ["kept"] * 5    # records 6..10


def test_first_records_of_a_log_that_was_empty_when_the_test_began():
    # An empty log reports 0 as its oldest record: the test starts before record 1.
    run = SESSION.run([make_log(), lea(1), wait(2), write(source=PLAIN, strings=["first"]),
                       *timer_pass(3), "get"])
    assert [e["message"] for e in events(only_result(run))] == ["first"]


def test_failures_are_status_2_with_the_system_text():
    run = SESSION.run([
        lea(1, log="Tol19NoSuchLog", lid=4), "get",
        make_log(host="127.0.19.9"), "evlog-fail " + fields("127.0.19.9", LOG, "open", 1722),
        lea(2, host="127.0.19.9"), "get",
        make_log(), lea(3), wait(2), write(count=3), "evlog-fail " + fields("-", LOG, "read", 1726),
        *timer_pass(3), "get",
        "evlog-fail " + fields("-", LOG, "read", 0), write(source=PLAIN, strings=["new"]),
        *timer_pass(4), "get",
        "set 1 i4 1", "sleep 2500", "set 1 i4 300"])
    assert run.returncode == 0, run.log
    missing, remote, read_failed, after = records(run)
    for record, tid, code in ((missing, 1, 2), (remote, 2, 1722), (read_failed, 3, 1726)):
        assert (record.test_id, record.ui32[3], record.nested) == (tid, 2, [])
        (text,) = record.texts
        assert text.startswith("Failed with error %d: " % code), text
        assert "Unknown Error." not in text
    assert missing.location_id == 4
    # The records the failed read left are not read again; the test reads on after them.
    assert [e["message"] for e in events(after)] == ["new"]
    # Tests that could not be opened were not added: later passes check only test 3.
    assert "tol_evt: begin checking. test count: 1" in run.texts("I4")
    assert "tol_evt: begin checking. test count: 2" not in run.texts("I4")


def test_a_log_the_host_does_not_have_is_refused():
    # Opening such a log opens the host's Application log: a misspelt name, a role's log on a
    # host without that role, or a name that is a source's key inside a log must not be added
    # and read Application's records under the test's name.
    remote = "127.0.19.7"
    unreachable = "127.0.19.8"   # its registry cannot be reached: the log's own open decides
    run = SESSION.run([
        make_log(log="Application"), make_log(host=remote, log="Application"),
        make_log(host=unreachable), "evlog-registry " + fields(unreachable, 53),
        write(log="Application", source=PLAIN, strings=["application"]),
        lea(1, log="Tol19Misspelt", lid=5), "get",
        lea(2, host=remote, log="DNS Server"), "get",
        lea(3, log=LOG + "\\" + SOURCE), "get",
        lea(4, log="application"), lea(5, host=unreachable), wait(2, host=unreachable),
        write(log="Application", source=PLAIN, strings=["application"]),
        write(host=unreachable, source=PLAIN, strings=["remote"]),
        *timer_pass(3, host=unreachable), wait(3, log="Application"), "get",
        "evlog-stats " + fields("-", "Application"),
        "evlog-stats " + fields(remote, "Application")])
    assert run.returncode == 0, run.log
    refused = records(run)[:3]
    for record, tid in zip(refused, (1, 2, 3)):
        assert (record.test_id, record.ui32[3], record.nested) == (tid, 2, []), record.texts
        (text,) = record.texts
        assert text.startswith("Failed with error 2: "), text
        assert "Unknown Error." not in text
    assert refused[0].location_id == 5
    by_test = {r.test_id: [e["message"] for e in events(r)] for r in records(run)[3:]}
    assert by_test == {4: ["application"], 5: ["remote"]}
    local, far = stats(run)
    assert far["opens"] == "0"
    assert local["opens"] == "3"  # test 4 alone: its baseline and two passes


def test_host_field_names_the_log_of_that_host():
    remote = "127.0.19.5"
    run = SESSION.run([
        make_log(), make_log(host=remote),
        lea(1), lea(2, host=remote), wait(2), wait(2, host=remote),
        write(source=PLAIN, strings=["local"]),
        write(source=PLAIN, strings=["remote"], host=remote),
        "set 1 i4 1", wait(3), wait(3, host=remote), "set 1 i4 300", "get"])
    by_test = {r.test_id: [e["message"] for e in events(r)] for r in records(run)}
    assert by_test == {1: ["local"], 2: ["remote"]}


def test_check_now_reads_only_the_new_test_timer_pass_reads_all():
    run = SESSION.run([
        make_log(), make_log(log="Tol19Other"),
        lea(1), wait(2),                          # baseline and its check-now pass
        lea(2, log="Tol19Other"), wait(2, log="Tol19Other"),
        "evlog-stats " + fields("-", LOG),        # test 1 was not read again
        *timer_pass(3), wait(3, log="Tol19Other"),
        "evlog-stats " + fields("-", LOG), "evlog-stats " + fields("-", "Tol19Other")])
    assert [s["opens"] for s in stats(run)] == ["2", "3", "3"]


def test_test_lines_add_modify_and_delete():
    run = SESSION.run([
        make_log(),
        "add " + fields("LEA", 1, 1, "", LOG),                 # five fields
        "add " + fields("LEA", 1, 1, "", LOG, "4", "x"),       # seven
        "add " + fields("LEX", 1, 1, "", LOG, "4"),
        "add " + fields("LED", 1),
        "add \\t\\t\\t\\t\\t",
        lea(0), lea(-2), lea(3, log=""),                       # refused without a trace line
        lea(1), wait(2), lea(1),                               # the second is refused silently
        write(count=2, source=PLAIN, strings=["old"]),
        lea(9, code="LEM"),                                    # no such test: nothing added
        lea(1, code="LEM", lid=6), wait(4),                    # a fresh baseline
        write(source=PLAIN, strings=["new"]),
        *timer_pass(5), "get",
        "add " + fields("LED", 1, 0), "set 1 i4 1", "sleep 1500", "set 1 i4 300", "get"])
    assert [hr for hr, d in run.entries("add")] == [plugin_host.S_OK] * 13
    assert all(d == "true" for _, d in run.entries("add"))
    log_lines = run.texts("I4")
    assert log_lines.count("tol_evt: Incorrect test format!") == 5
    assert log_lines.count("tol_evt: adding test... tid:1, lid:1, host:N/A, log_name:%s, "
                           "supp_types:%s" % (LOG, ALL_TYPES)) == 1
    assert not any("tid:0" in t or "tid:-2" in t or "tid:3" in t for t in log_lines)
    assert "tol_evt: modifing test... tid:9, lid:1, host:N/A, log_name:%s, supp_types:%s" \
        % (LOG, ALL_TYPES) in log_lines
    assert not any(t.startswith("tol_evt: adding test... tid:9") for t in log_lines)
    modify = log_lines.index("tol_evt: modifing test... tid:1, lid:6, host:N/A, log_name:%s, "
                             "supp_types:%s" % (LOG, ALL_TYPES))
    assert log_lines[modify + 1:modify + 3] == [
        "tol_evt: removing test... tid:1",
        "tol_evt: adding test... tid:1, lid:6, host:N/A, log_name:%s, supp_types:%s"
        % (LOG, ALL_TYPES)]
    assert [hr for hr, _ in run.entries("get")] == [plugin_host.S_OK, plugin_host.E_PENDING]
    (record,) = records(run)
    assert record.location_id == 6
    assert [e["message"] for e in events(record)] == ["new"]
    deleted = log_lines.index("tol_evt: removing test... tid:1", modify + 3)
    assert not any(t.startswith("tol_evt: begin checking") for t in log_lines[deleted:])


def test_non_ascii_and_long_log_names():
    name = "Tol19J\u00f6urnal"
    run = SESSION.run([make_log(log=name), lea(1, log=name), wait(2, log=name),
                       write(log=name, source=PLAIN, strings=["\u00fcber"]),
                       *timer_pass(3, log=name), "get",
                       lea(2, log="L" * 5000), "get"])
    first, second = records(run)
    assert [e["message"] for e in events(first)] == ["\u00fcber"]
    assert (second.test_id, second.ui32[3]) == (2, 2)


def test_65_tests_in_one_pass():
    tids = range(1, 66)
    run = SESSION.run(
        # Each test is read once by the check-now passes after the adds: 130 opens in all.
        [make_log()] + [lea(tid, types="4") for tid in tids] + [wait(130)] +
        ["evlog-delay 20", write(source=PLAIN, strings=["all"]),
         *timer_pass(195), "get"],
        timeout=240)
    assert run.returncode == 0, run.log
    results = records(run)
    assert sorted(r.test_id for r in results) == list(tids)
    assert all([e["message"] for e in events(r)] == ["all"] for r in results)
    assert "tol_evt: begin checking. test count: 65" in run.texts("I4")


def test_release_while_reading_threads_run():
    # Three tests with 300 new records each, every read taking 20 ms: the plug-in is released
    # in the middle of the pass. Every reading thread stops after its record and closes its
    # log; nothing reads afterwards, and the DLL unloads.
    run = plugin_host.run_script(
        SESSION.prologue() +
        [make_log()] + [lea(tid, types="4") for tid in (1, 2, 3)] + [wait(6)] +
        [write(count=300, source=PLAIN, strings=["r"]), "evlog-delay 20", "set 1 i4 1",
         "evlog-wait-reads " + fields("-", LOG, 30, 30000),
         "release", "evlog-stats " + fields("-", LOG), "sleep 500",
         "evlog-stats " + fields("-", LOG), "unregister", "unload", "canunload"])
    assert run.returncode == 0, "\n".join(run.log)
    assert run.entries("evlog-wait-reads")[0][0] == plugin_host.S_OK
    assert run.entries("release") == [(plugin_host.S_OK, "")]
    at_release, later = stats(run)
    assert at_release["handles"] == "0"
    assert at_release["reads"] == later["reads"]
    assert 30 <= int(at_release["reads"]) < 3 * 300
    assert run.log[-1].startswith("DllCanUnloadNow")
