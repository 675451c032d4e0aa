"""The ping plug-in tol_icmp.dll driven through plugin_host.exe as the agent would, pinging
only the loopback network (raw sockets: the tests run as root)."""
import plugin_host
from host_records import records

CLSID = "{0337B388-9592-4188-8D81-DB98A0337423}"
APPID = "{17867C06-43C0-4DBA-9842-8D96C8DE46B6}"
LIBID = "{721B474F-2930-49EF-AE3A-2991EE84C99A}"
NEW_DATA = "tol_icmp: New data is available."
SESSION = plugin_host.Session("tol_icmp.dll", CLSID)
# A label longer than 63 characters: the name fails to resolve without a query on the wire.
UNRESOLVABLE = "a" * 70 + ".invalid"


def pga(tid, lid, host, size=32, count=3, timeout=1000, max_lost=-1):
    return "add PGA\\t%d\\t%d\\t%s\\t%d\\t%d\\t%d\\t%d" % (tid, lid, host, size, count, timeout,
                                                         max_lost)


def test_registration_names_the_ping_plug_in():
    plugin_host.check_registration("tol_icmp", "ICMPmonitoring", CLSID, APPID, LIBID,
                                   "ICMP monitoring")


def test_init_answers_the_command_codes():
    run = plugin_host.run_script([
        "load tol_icmp.dll", "register", "create " + CLSID, "init", "release", "unregister",
        "unload"])
    assert run.entries("init") == [(plugin_host.S_OK, "PGAPGMPGD")]
    assert run.returncode == 0


def test_loopback_answers_with_a_round_trip_time():
    run = SESSION.run([pga(7, 4, "127.0.0.1", count=3), "wait-data 1 20000", "get"])
    assert run.returncode == 0, run.log
    (record,) = records(run)
    assert record.type_name == "RESULT_ICMP"
    assert (record.test_id, record.location_id) == (7, 4)
    status, lost = record.ui32[3:]
    (average,) = record.d64
    assert (status, lost) == (0, 0)
    assert 0 < average < 1000
    (text,) = record.texts
    assert text.startswith("ICMP echo results are within acceptable limits.\n"
                           "Packets: Sent = 3, Received = 3, Lost = 0.\n"
                           "Average round trip time: ")
    assert text.endswith("ms")
    assert plugin_host.Event("UI4", 3, NEW_DATA) in run.events


def test_unresolvable_name_loses_every_packet_and_says_why():
    run = SESSION.run([pga(8, 2, UNRESOLVABLE, count=4), "wait-data 1 20000", "get"])
    assert run.returncode == 0, run.log
    (record,) = records(run)
    assert record.ui32[:5] == [48, 8, 2, 2, 4]
    assert record.d64 == [0.0]
    (text,) = record.texts
    assert text.startswith("Failed with error 11001: ")  # WSAHOST_NOT_FOUND
    assert not text.endswith("\n")


def test_lines_that_do_not_fit_add_no_test():
    run = SESSION.run([
        "add PGA\\t1\\t1\\t127.0.0.1\\t32\\t1\\t1000",          # seven fields
        "add PGA\\t2\\t1\\t\\t32\\t1\\t1000\\t-1",              # no host
        "add pga\\t3\\t1\\t127.0.0.1\\t32\\t1\\t1000\\t-1",      # code is case-sensitive
        pga(4, 1, "127.0.0.1", count=1), "wait-data 1 20000", "sleep 500", "get"])
    assert [hr for hr, _ in run.entries("add")] == [plugin_host.S_OK] * 4
    assert [r.test_id for r in records(run)] == [4]


def test_release_while_probes_are_in_flight():
    # Each probe of twenty requests takes two seconds at least; the plug-in is released, the
    # DLL unregistered and unloaded meanwhile, and the host lives on past the probes' end.
    run = plugin_host.run_script(
        SESSION.prologue() +
        [pga(tid, 1, "127.0.0.1", count=20) for tid in (1, 2, 3)] +
        ["sleep 300", "release", "unregister", "unload", "sleep 4000", "canunload"])
    assert run.returncode == 0, run.log
    assert run.entries("release") == [(plugin_host.S_OK, "")]
    assert run.log[-1].startswith("DllCanUnloadNow")


def test_one_probe_per_test_at_a_time_and_none_after_release():
    """A check period of one second and probes of forty requests (four seconds at least): a
    pass skips a test whose probe still runs, so the host holds one probe thread per test,
    and the release stops them at their next request."""
    run = plugin_host.run_script(
        SESSION.prologue() + ["sleep 500", "threads", "set 1 i4 1"] +
        [pga(tid, 1, "127.0.0.1", count=40) for tid in (11, 12)] +
        ["sleep 3000", "threads", "sleep 2000", "threads", "get", "release", "sleep 1500",
         "threads", "unregister", "unload"])
    assert run.returncode == 0, run.log
    idle, probing, later, released = [int(n) for _, n in run.entries("threads")]
    assert probing == idle + 2 and later == idle + 2, (idle, probing, later)
    assert released <= idle - 1, (idle, released)   # no probe, and the worker gone
    finished = records(run)
    assert {record.test_id for record in finished} == {11, 12}
    for record in finished:
        assert record.ui32[3:] == [0, 0]   # status and lost
        assert "Packets: Sent = 40, Received = 40, Lost = 0." in record.texts[0]
