"""The discovery plug-in tol_ndis.dll driven through plugin_host.exe as the agent would: its
registration, its own Init, Add, Get and Set, and its dispatcher's answers to the lines the
server may send. Scans here cover no address or only the loopback addresses of 127.0.20.0/24;
the scans of a real network are test_ndis_scan.py's, the neighbourhood walks
test_ndis_discovery.py's."""
import plugin_host
from ndis_peer import APPID, CLSID, LIBID, SCAN_NEW_DATA, records_of
from plugin_host import add

from result_records import named_fields

SESSION = plugin_host.Session("tol_ndis.dll", CLSID)
SOURCE = "Tolvane.PlugIns.NetScanner.1: "


def answers(run):
    return [detail for _, detail in run.entries("add")]


def test_registration_names_the_discovery_plug_in():
    plugin_host.check_registration("tol_ndis", "NetScanner", CLSID, APPID, LIBID,
                                   "Network Monitoring")


def test_init_and_the_methods_before_it():
    run = plugin_host.run_script([
        "load tol_ndis.dll", "register", "create " + CLSID,
        add("NSA\t5"), "get", "set 2 i4 3", "set 99 empty",
        "init empty", "init i4", "init for {0337B388-9592-4188-8D81-DB98A0337423}",
        "init", "init",
        "release", "unregister", "unload"])
    assert run.returncode == 0, run.log
    assert run.entries("add") == [(plugin_host.E_FAIL,
                                   SOURCE + "Please, Initialize the class first.")]
    assert run.entries("get") == [(plugin_host.E_FAIL,
                                   "VT0 " + SOURCE + "Please, Initialize the class first.")]
    assert run.entries("set") == [(plugin_host.E_FAIL, SOURCE + "Please, Initialize class first.")] * 2
    assert run.entries("init") == [
        (plugin_host.E_FAIL, SOURCE + "The string authentication is not specified."),
        (plugin_host.E_FAIL, SOURCE + "The string authentication is not specified."),
        (plugin_host.E_FAIL, SOURCE + "The Class Initialization failed."),
        (plugin_host.S_OK, "NSANSDDCADCMDCD"),
        (plugin_host.E_FAIL, SOURCE + "The Class already initialised."),
    ]


def test_add_answers_whether_the_dispatcher_took_the_line():
    # (line, taken): the agent offers a line that is not taken to the next plug-in.
    table = [
        ("NSA\t5", "true"),
        ("NSA\t5", "false"),                 # a discovery of this id exists
        ("NSA\t-3\t1\t600", "true"),          # negative ids are ids
        ("NSD\t5", "true"),
        ("NSD\t5", "true"),                   # not registered: taken, nothing changes
        ("NSA\t5\t0\t600", "true"),           # deleted: the id can be used again
        ("NSD\t77", "true"),
        ("NSA\t0", "false"),
        ("NSA\tabc", "false"),
        ("NSA", "false"),
        ("nsa\t6", "false"),
        ("NSAA\t6", "false"),
        ("\t\t\t", "false"),
        ("DCA\t8\t2\t127.0.20.9\t127.0.20.9", "true"),   # no address: "finished" only
        ("DCA\t8\t2\t127.0.20.9\t127.0.20.9", "false"),  # a scan of this id exists
        ("DCA\t9\t2\t127.0.20.9", "false"),              # four fields
        ("DCM\t8\t127.0.20.9", "false"),                 # three fields
        ("DCM\t10\t127.0.20.9\t127.0.20.9", "false"),    # no such scan
        ("DCM\t8\tbad\t127.0.20.9\t1.3.6", "true"),      # a new run: "finished" only
        ("DCD\t8", "true"),
        ("DCD\t8", "true"),
        ("DCA\t8\t3\t\xe9\xe9\t" + "9" * 5000, "true"),   # non-ASCII, long: "finished" only
        ("DCD\t0", "false"),
        ("DCX\t8", "false"),
        ("PGA\t1\t1\t127.0.0.1\t32\t1\t1000\t-1", "false"),
    ]
    run = SESSION.run([add(line) for line, _ in table] + ["sleep 200", "get"])
    assert run.returncode == 0, run.log
    assert answers(run) == [taken for _, taken in table]
    # One "finished" per accepted scan line, in line order; no log line ever.
    records = records_of(run)
    assert [(r.type_name, r.test_id, r.location_id, r.texts) for r in records] == [
        ("RESULT_SCAN", 8, 2, ["finished"]), ("RESULT_SCAN", 8, 2, ["finished"]),
        ("RESULT_SCAN", 8, 3, ["finished"])]
    assert dict(named_fields(records[0]))["unused"] == 0.0
    assert run.events == [plugin_host.Event("UI4", 3, SCAN_NEW_DATA)] * 3


def test_ranges_that_give_no_address_give_only_finished():
    # An end below the start or an end text that is no address ends the run at once, with
    # nothing scanned.
    ranges = [("127.0.20.9", "127.0.20.3"), ("127.0.20.9", "127.0.19.255"),
              ("127.0.20.1", "255.255.255.255"), ("0.0.0.0", "127.0.20.5"),
              ("127.0.20.1", "127.0.20"), ("", "")]
    lines = [add("DCA\t%d\t1\t%s\t%s\t1.3.6.1.2.1.1.5.0" % (n + 1, start, end))
             for n, (start, end) in enumerate(ranges)]
    run = SESSION.run(lines + ["get", "get"])
    assert run.returncode == 0, run.log
    assert [(r.test_id, r.texts) for r in records_of(run)] == [
        (n + 1, ["finished"]) for n in range(len(ranges))]
    assert [hr for hr, _ in run.entries("get")] == [plugin_host.S_OK, plugin_host.E_PENDING]
    assert run.entries("get")[1] == (plugin_host.E_PENDING, "null")


def test_check_period_and_other_set_types_change_nothing():
    run = SESSION.run(["set 1 i4 5", "set 1 bstr 7", "set 3 bstr proxy:8080", "set 4 empty",
                       add("DCA\t4\t1\t127.0.20.2\t127.0.20.2"), "get"])
    assert [hr for hr, _ in run.entries("set")] == [plugin_host.S_OK] * 6  # with the prologue's
    assert [r.texts for r in records_of(run)] == [["finished"]]


def test_release_while_a_scan_runs():
    # Hosts of the loopback answer; none runs an SNMP agent, so each costs its requests' time.
    # The plug-in is released meanwhile, and the DLL unloaded once every thread has ended.
    run = plugin_host.run_script(
        SESSION.prologue() +
        [add("DCA\t3\t1\t127.0.20.1\t127.0.20.60"), "wait-data 1 20000", "release",
         "unregister", "unload", "canunload"])
    assert run.returncode == 0, run.log
    assert run.entries("release") == [(plugin_host.S_OK, "")]
    assert run.log[-1].startswith("DllCanUnloadNow")
