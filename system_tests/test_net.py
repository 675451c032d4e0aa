"""The network adapter plug-in tol_net.dll driven through plugin_host.exe as the agent would:
registration, its test lines and log lines, and its Get, which leads with the adapter list.
The adapters here are those of the test session's own network; test_net_link.py makes a
network of its own."""
import plugin_host
from host_records import records
from netns import links_up, list_text

from result_records import decode_stream, named_fields

CLSID = "{087DF727-D4F2-4FEE-A372-9DEE83879ED8}"
APPID = "{0829C989-12B8-44E4-B6CD-B0E2701BF039}"
LIBID = "{CE76D62A-3BA3-4D38-9DD9-E8741F962580}"
NEW_DATA = "tol_net: New data is available."
INIT_FIRST = "Tolvane.PlugIns.NetMonitoring.1: Please, Initialize the class first."
SESSION = plugin_host.Session("tol_net.dll", CLSID)
ZEROS = [0] * 6
# Names no adapter has.
MISSPELT = "tol21-no-such-adapter"


def nta(tid, lid, adapter, code="NTA"):
    return "add %s\\t%d\\t%d\\t%s" % (code, tid, lid, adapter)


def adapter_records(run):
    return [r for r in records(run) if r.type_name == "RESULT_NET_ADAPTER"]


def rates(record):
    """in octets, in packets, in errors, out octets, out packets, out errors."""
    return record.ui32[3:9]


def within_limits(adapter):
    return "Network adapter: %s values are within acceptable limits.\n" % adapter


def test_registration_names_the_adapter_plug_in():
    plugin_host.check_registration("tol_net", "NetMonitoring", CLSID, APPID, LIBID,
                                   "Network Adapters statistics", init_codes="NTANTMNTD")


def test_every_method_before_init_asks_for_it():
    run = plugin_host.run_script([
        "load tol_net.dll", "register", "create " + CLSID,
        "get", nta(1, 1, "eth0"), "set 1 i4 10", "init", "init", "release", "unregister"])
    assert run.entries("get") == [(plugin_host.E_FAIL, "VT0 " + INIT_FIRST)]
    assert run.entries("add") == [(plugin_host.E_FAIL, INIT_FIRST)]
    assert run.entries("set") == [(plugin_host.E_FAIL, INIT_FIRST)]
    assert run.entries("init") == [
        (plugin_host.S_OK, "NTANTMNTD"),
        (plugin_host.E_FAIL, "Tolvane.PlugIns.NetMonitoring.1: The Class already initialised.")]


# Each line and the log lines it gives (level, text) while it is parsed. Every line is taken.
LINE_TABLE = [
    ("NTA\\t1\\t4\\t" + MISSPELT, [
        (2, "tol_net: processing test: 'NTA\t1\t4\t%s'" % MISSPELT),
        (2, "tol_net: add test... adapter:'%s', tid:1, lid:4" % MISSPELT),
        (2, "tol_net: test added successfully...")]),
    ("NTA\\t1\\t5\\tother", [
        (2, "tol_net: processing test: 'NTA\t1\t5\tother'"),
        (2, "tol_net: add test... adapter:'other', tid:1, lid:5"),
        (2, "tol_net: found duplicated test. skipping...")]),
    ("NTA\\t0\\t1\\tx", [(2, "tol_net: processing test: 'NTA\t0\t1\tx'")]),
    ("NTA\\t-4\\t1\\tx", [(2, "tol_net: processing test: 'NTA\t-4\t1\tx'")]),
    ("NTA\\tabc\\t1\\tx", [(2, "tol_net: processing test: 'NTA\tabc\t1\tx'")]),
    ("NTA\\t2\\t1", [(2, "tol_net: processing test: 'NTA\t2\t1'"),
                     (1, "tol_net: Incorrect test format!")]),
    ("NTA\\t2\\t1\\tx\\ty", [(2, "tol_net: processing test: 'NTA\t2\t1\tx\ty'"),
                             (1, "tol_net: Incorrect test format!")]),
    ("NTD\\t1", [(2, "tol_net: processing test: 'NTD\t1'"),
                 (1, "tol_net: Incorrect test format!")]),
    ("nta\\t2\\t1\\tx", [(2, "tol_net: processing test: 'nta\t2\t1\tx'"),
                         (1, "tol_net: Incorrect test format!")]),
    ("\\t\\t\\t", [(2, "tol_net: processing test: '\t\t\t'"),
                   (1, "tol_net: Incorrect test format!")]),
    ("NTM\\t1\\t7\\t" + MISSPELT + "2", [
        (2, "tol_net: processing test: 'NTM\t1\t7\t%s2'" % MISSPELT),
        (2, "tol_net: modify test... adapter:'%s2', tid:1, lid:7" % MISSPELT),
        (2, "tol_net: test modified successfully...")]),
    ("NTM\\t9\\t7\\tx", [(2, "tol_net: processing test: 'NTM\t9\t7\tx'"),
                         (2, "tol_net: modify test... adapter:'x', tid:9, lid:7")]),
    ("NTM\\t0\\t7\\tx", [(2, "tol_net: processing test: 'NTM\t0\t7\tx'")]),
    ("NTD\\t9\\t0", [(2, "tol_net: processing test: 'NTD\t9\t0'"),
                     (1, "tol_net: removing test... tid:9")]),
    ("NTD\\t0\\t0", [(2, "tol_net: processing test: 'NTD\t0\t0'")]),
    ("NTA\\t3\\t1\\t" + MISSPELT + "3", [
        (2, "tol_net: processing test: 'NTA\t3\t1\t%s3'" % MISSPELT),
        (2, "tol_net: add test... adapter:'%s3', tid:3, lid:1" % MISSPELT),
        (2, "tol_net: test added successfully...")]),
    ("NTD\\t1\\t99", [(2, "tol_net: processing test: 'NTD\t1\t99'"),
                      (1, "tol_net: removing test... tid:1")]),
]


def parsing_events(run):
    """The log lines of parsing and of test-list changes, in order (check passes left out)."""
    passes = ("tol_net: begin checking.", "tol_net: tid: ")
    return [(-e.value, e.text) for e in run.events
            if e.kind == "I4" and not e.text.startswith(passes)]


def passes_after_delete(run):
    """The check passes begun after test 1 was deleted."""
    texts = [e.text for e in run.events]
    if "tol_net: removing test... tid:1" not in texts:
        return []
    after = texts[texts.index("tol_net: removing test... tid:1"):]
    return [t for t in after if t.startswith("tol_net: begin checking.")]


def test_line_table():
    # The check-now pass of the last add may begin before or after the delete that follows
    # it; a timer pass (interval 1 s) surely begins after it.
    with SESSION.live() as live:
        live.send(*["add " + line for line, _ in LINE_TABLE], "set 1 i4 1")
        live.wait(passes_after_delete)
    run = live.run
    assert run.returncode == 0, run.log
    assert [entry for entry in run.entries("add")] == [(plugin_host.S_OK, "true")] * len(LINE_TABLE)
    assert parsing_events(run) == [event for _, events in LINE_TABLE for event in events]
    # Test 1 was added, moved and deleted: every pass after the delete reports test 3 alone.
    assert set(passes_after_delete(run)) == {"tol_net: begin checking. test count: 1"}


def test_check_pass_reports_each_test_with_its_values():
    run = SESSION.run([nta(4, 2, MISSPELT), nta(5, 3, "LAN-Verbindung \u00e4 2"),
                       "wait-data 2 10000", "get"])
    assert run.returncode == 0, run.log
    by_test = {r.test_id: r for r in adapter_records(run)}
    assert sorted(by_test) == [4, 5]
    record = by_test[4]
    assert dict(named_fields(record)) == {
        "type": 38, "test_id": 4, "location_id": 2, "in_octets": 0, "in_packets": 0,
        "in_errors": 0, "out_octets": 0, "out_packets": 0, "out_errors": 0, "status": 0,
        "timestamp": record.timestamp, "text": within_limits(MISSPELT)}
    assert by_test[5].location_id == 3
    assert by_test[5].texts == [within_limits("LAN-Verbindung \u00e4 2")]
    assert run.events.count(plugin_host.Event("UI4", 3, NEW_DATA)) >= 2
    values = ("tol_net: tid: 4, lid: 2\nAdapter: '%s'\nInOctets: 0, InPackets: 0, InErrors: 0\n"
              "OutOctets: 0, OutPackets: 0, OutErrors: 0" % MISSPELT)
    assert plugin_host.Event("I4", -1, values) in run.events


def test_get_leads_with_the_adapter_list_of_the_links_that_are_up():
    up = links_up()
    run = SESSION.run(["get", nta(6, 1, MISSPELT), "wait-data 1 10000", "get", "get"])
    assert run.returncode == 0, run.log
    gets = run.entries("get")
    if not up:
        # No adapter here: nothing to hand over but the results.
        assert gets[0] == (plugin_host.E_PENDING, "null")
        assert plugin_host.Event("I4", -1, "tol_net: Adapter list is empty.") in run.events
        return
    assert [hr for hr, _ in gets] == [plugin_host.S_OK] * 3
    streams = [decode_stream(stream) for stream in run.results]
    for stream in streams:
        assert stream[0].type_name == "RESULT_ADAPTER_LIST"
        assert (stream[0].test_id, stream[0].location_id) == (0, 0)
        assert len(stream[0].ui32) == 3
        names = stream[0].texts[0]
        assert names == list_text(up)
        assert plugin_host.Event("I4", -5, "tol_net: Adapter list: '%s'" % names) in run.events
    assert [r.type_name for r in streams[0]] == ["RESULT_ADAPTER_LIST"]
    assert [r.type_name for r in streams[1]] == ["RESULT_ADAPTER_LIST", "RESULT_NET_ADAPTER"]
    assert [r.type_name for r in streams[2]] == ["RESULT_ADAPTER_LIST"]


def test_very_long_adapter_name_is_reported_whole():
    name = "n" * 60000
    run = SESSION.run([nta(7, 1, name), "wait-data 1 10000", "get"])
    assert run.returncode == 0, run.log
    (record,) = adapter_records(run)
    assert record.texts == [within_limits(name)]
    assert rates(record) == ZEROS
