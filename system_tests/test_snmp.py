"""The SNMP plug-in tol_snmp.dll driven through plugin_host.exe as the agent would, against
Debian's snmpd on 127.0.23.1 (fixed values, an `extend` output, and its real system and
interface tables) and against snmptrap and snmpinform. Every value the plug-in reports is
compared with what snmpget answers at the same moment."""
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

import pytest

import host_records
import plugin_host
import snmp_datagrams
import winhost
from agent_install import reg_value
from netsnmp_values import netsnmp

import netsnmp_peer
from netsnmp_peer import COMMUNITY
from result_records import decode_stream, named_fields, nested_names

CLSID = "{B4A606AE-24D1-4D95-AC09-0E588D904C5F}"
APPID = "{79B45043-E0AB-4E7D-B816-5C39129A2DD7}"
LIBID = "{2C634C24-217C-4E32-AAEB-AD463F5848D6}"
PLUGIN_KEY = plugin_host.PLUG_INS_KEY + "\\" + CLSID
NEW_DATA = "tol_snmp: New data is available"
NEW_RESULTS = "New results are available.\n"
HOST = "127.0.23.1"
SENDER = "127.0.23.2"  # where the trap tools send from
BUILD = os.environ.get("TOL_BUILD_DIR", tempfile.gettempdir())

SYS_DESCR, SYS_UPTIME, SYS_NAME = "1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.3.0", "1.3.6.1.2.1.1.5.0"
IF_NUMBER, IF_DESCR_1 = "1.3.6.1.2.1.2.1.0", "1.3.6.1.2.1.2.2.1.2.1"
EXTEND = "1.3.6.1.4.1.8072.1.3.2.3.1.1.9." + ".".join(str(ord(c)) for c in "tol23echo")
MINUS_FIVE = "1.3.6.1.4.1.99999.1.1.0"  # INTEGER -5 (the project's snmpd.conf)
MISSING = "1.3.6.1.4.1.99999.2.0"
TABLE = [SYS_DESCR, SYS_UPTIME, SYS_NAME, IF_NUMBER, IF_DESCR_1, EXTEND, MINUS_FIVE]
NOSUCHNAME = "The requested SNMP operation identified an unknown variable."
TRAP_NOTICE = "A new TRAP package is obtained."
INFORM_NOTICE = "A new INFORM package is obtained."
UPTIME_BAND = 3000  # hundredths of a second between the plug-in's answer and snmpget's


@pytest.fixture(scope="module")
def agent():
    a = netsnmp_peer.Agent(HOST, prefix="tol23_snmpd_", parent=os.path.join(BUILD, "tol23_snmp"),
                           extra_conf=[f"rocommunity {COMMUNITY} 127.0.23.0/24",
                                       "extend tol23echo /bin/echo tolvane23"])
    yield a
    a.stop()


@pytest.fixture
def silent():
    """A UDP socket on our address that never answers."""
    s = snmp_datagrams.silent_socket(HOST)
    yield s
    s.close()


def spa(tid, oids, port, version=2, community=COMMUNITY, limits="", timeout=2, retries=1, code="SPA",
        lid=5, host=HOST):
    fields = [code, tid, lid, host, port, version, ";".join(oids) if isinstance(oids, list) else oids,
              community, "x", "x", "x", "x", "x", timeout, retries, limits]
    line = "\\t".join(str(f) for f in fields)
    # A single trailing TAB adds no field: an empty last field is written as two TABs.
    return "add " + line + ("\\t" if line.endswith("\\t") else "")


def records(run, kind="RESULT_SNMP"):
    return host_records.records(run, kind)


def row(record):
    """The named values of a record, without its time stamp."""
    fields = dict(named_fields(record))
    assert abs(fields.pop("timestamp") - time.time()) < 120
    return fields


def nested(record):
    names = nested_names(record)
    return [dict(named_fields(child, names)) for child in record.nested]


def by_test(run):
    return {r.test_id: r for r in records(run)}


def closed_port():
    """A port on our address where nothing listens."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind((HOST, 0))
        return probe.getsockname()[1]


# ---- Registration and Init ------------------------------------------------------------------

def test_registration_and_the_command_codes():
    run = plugin_host.run_script([
        "load tol_snmp.dll", "register", "create " + CLSID, "add SPD\\t1\\t0", "get", "init",
        "init", "add TRM\\t1\\t2", "release", "unregister", "unload"])
    assert run.entries("DllRegisterServer") == [(plugin_host.S_OK, "")]
    refused_add, taken_trm = run.entries("add")
    assert refused_add[0] == plugin_host.E_FAIL
    assert refused_add[1].endswith("Please, Initialize the class first.")
    assert run.entries("get")[0][1].endswith("Please, Initialize the class first.")
    first, second = run.entries("init")
    assert first == (plugin_host.S_OK, "SPASPMSPDTRATRMTRD")
    assert second[0] == plugin_host.E_FAIL and second[1].endswith("The Class already initialised.")
    assert taken_trm[0] == plugin_host.S_OK
    assert run.entries("unload") == [(plugin_host.S_OK, "")]
    assert run.returncode == 0


def test_registration_values():
    plugin_host.check_registration("tol_snmp", "SNMPmonitoring", CLSID, APPID, LIBID,
                                   "SNMP monitoring")
    assert reg_value(PLUGIN_KEY, "Name") is None


def test_release_after_a_failed_init():
    """Without a usable SNMP API Init fails and makes no checker; the release that follows
    neither stops nor deletes one, nor cleans up a Winsock it never started."""
    folder = tempfile.mkdtemp(prefix="tol23_noapi_", dir=BUILD)
    try:
        for name in ("plugin_host.exe", "tol_utils.dll", "tol_snmp.dll"):
            shutil.copy(winhost.BIN_DIR / name, folder)
        env = {"WINEDLLOVERRIDES": os.environ.get("WINEDLLOVERRIDES", "") + ";wsnmp32="}
        run = plugin_host.run_script([
            "load " + plugin_host.windows_path(os.path.join(folder, "tol_snmp.dll")), "register",
            "create " + CLSID, "init", "add SPA\\t1\\t1", "init", "release", "unregister", "unload"],
            env=env, program=os.path.join(folder, "plugin_host.exe"))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    assert [hr for hr, _ in run.entries("init")] == [plugin_host.E_FAIL] * 2
    assert all(d.endswith("The Class Initializsation failed.") for _, d in run.entries("init"))
    assert run.entries("add")[0][1].endswith("Please, Initialize the class first.")
    assert run.entries("release") == [(plugin_host.S_OK, "")]
    assert run.entries("unload") == [(plugin_host.S_OK, "")]
    assert run.returncode == 0, run.stderr


# ---- Requests -------------------------------------------------------------------------------

def assert_matches_snmpget(record, oids, theirs, statuses):
    """The nested records against net-snmp's answer of the same moment."""
    entries = nested(record)
    assert len(entries) == len(oids)
    for oid, entry, status in zip(oids, entries, statuses):
        code, text = theirs[oid]
        assert (entry["syntax"], entry["status"]) == (code, status), oid
        if oid == SYS_UPTIME:
            assert abs(int(entry["value"]) - int(text)) < UPTIME_BAND
        else:
            assert entry["value"] == text, oid
        if status == 0:
            assert entry["status_text"] == f"OID: {oid} the result is available.\n"


def test_requests_against_snmpd_compared_with_snmpget(agent, silent):
    """One pass of many tests at once: v2c and v1 with limits inside and outside (a negative
    lower limit among them), an identifier snmpd does not have, a wrong community, a silent
    port, a closed port, and set-up failures."""
    port = agent.port
    lines = [
        # ifNumber inside 1..100, INTEGER -5 inside -10..0
        spa(1, TABLE, port, limits=";;;1,100;;;-10,0"),
        # ifNumber outside 100..200, -5 outside 0..10
        spa(2, TABLE, port, version=1, limits=";;;100,200;;;0,10", lid=6),
        spa(3, [MINUS_FIVE, MISSING, SYS_NAME], port),
        spa(4, [MINUS_FIVE, MISSING, SYS_NAME], port, version=1),
        spa(5, [SYS_NAME, IF_NUMBER], port, community="tol23wrong", timeout=1, retries=1),
        spa(6, [SYS_NAME], silent.getsockname()[1], timeout=1, retries=1),
        spa(7, [SYS_NAME], closed_port(), timeout=1, retries=1),
        spa(8, "", port),                                    # no identifiers
        spa(9, [SYS_NAME, "1.3.x"], port),                   # one refused by the API
        spa(10, [SYS_NAME, IF_NUMBER], port, limits="0,10"),  # one limit for two identifiers
    ]
    run = plugin_host.Session("tol_snmp.dll", CLSID).run(lines + ["wait-data 10 30000", "get"])
    v2 = netsnmp(agent, *TABLE, MISSING)
    v1 = netsnmp(agent, *TABLE, version="1")
    assert run.texts() == [NEW_DATA] * 10  # each record with its own new-data notice
    got = by_test(run)
    assert sorted(got) == list(range(1, 11))

    first = row(got[1])
    assert first.pop("elapsed_ms") > 0
    assert first == {"type": 57, "test_id": 1, "location_id": 5, "status": 0, "answered": 0,
                     "text": NEW_RESULTS}
    assert_matches_snmpget(got[1], TABLE, v2, [0] * 7)

    second = row(got[2])
    assert (second["status"], second["location_id"], second["text"]) == (0, 6, NEW_RESULTS)
    assert_matches_snmpget(got[2], TABLE, v1, [0, 0, 0, 2, 0, 0, 2])
    outside = nested(got[2])
    assert outside[3]["status_text"] == (f"OID:       {IF_NUMBER}\nValue:     {v1[IF_NUMBER][1]}\n"
                                         "Min Value: 100\nMax Value: 200\n")
    assert outside[6]["status_text"] == f"OID:       {MINUS_FIVE}\nValue:     -5\nMin Value: 0\nMax Value: 10\n"

    # SNMPv2c answers a missing identifier in its binding; the request itself succeeded.
    assert row(got[3])["status"] == 0
    assert [(e["syntax"], e["value"], e["status"]) for e in nested(got[3])] == [
        (9, "-5", 0), (20, "no such object", 2), (8, v2[SYS_NAME][1], 0)]
    assert nested(got[3])[1]["status_text"] == f"OID: {MISSING} no such object"
    # SNMPv1 answers it with noSuchName: the whole request fails with the error's text, as
    # snmpget fails.
    assert netsnmp_peer.tool("snmpget", "-v1", "-c", COMMUNITY, agent.address, MISSING).returncode != 0

    failures = {tid: row(got[tid]) for tid in range(4, 11)}
    for tid, fields in failures.items():
        assert (fields["status"], fields["elapsed_ms"]) == (3, 0.0), tid
        assert got[tid].nested == [], tid
    assert [(failures[t]["text"], failures[t]["oid_count"]) for t in range(4, 11)] == [
        (NOSUCHNAME, 3), ("Request timed out", 2), ("Request timed out", 1), ("Request timed out", 1),
        ("Object ID doesn't specified", 0), ("Invalid OID parameter", 0),
        ("min/max specification is incorrect.", 2)]
    received = snmp_datagrams.waiting(silent)
    assert len(received) == 2 and len(set(received)) == 1  # the first try and one retry


def test_modify_waits_for_a_timer_pass_and_delete_stops_a_test(agent):
    port = agent.port
    session = plugin_host.Session("tol_snmp.dll", CLSID)
    with session.live() as live:
        live.send(spa(1, [SYS_NAME], port), "wait-data 1 20000", "get")
        # Taken but changing nothing: a second add of the id, bad lines of every kind.
        live.send(spa(1, [IF_NUMBER], port), spa(2, [SYS_NAME], 0), spa(3, [SYS_NAME], port, version=3),
                  spa(4, [SYS_NAME], port, timeout=0), spa(5, [SYS_NAME], port, retries=-1),
                  "add SPA\\t6\\t1", "add SPD\\t1", "add TRM\\t1\\t1", "add \\t\\t\\t\\t\\t\\t\\t\\t\\t",
                  "add " + "\u00e9" * 3000,
                  spa(1, [IF_DESCR_1], port, code="SPM", lid=8))
        # An add wakes a pass that requests only what was added: not the modified test.
        live.send(spa(7, [IF_NUMBER], port), "wait-data 2 20000", "get")
        run = live.wait(lambda r: len(r.results) == 2)
        assert [(r.test_id, nested(r)[0]["value"]) for r in records(run)] == [
            (1, netsnmp(agent, SYS_NAME)[SYS_NAME][1]), (7, netsnmp(agent, IF_NUMBER)[IF_NUMBER][1])]
        # A timer pass requests every test, the modified one with its new fields.
        live.send("set 1 i4 1", "wait-data 4 20000", "get")
        run = live.wait(lambda r: len(r.results) == 3)
        last_pass = {r.test_id: r for r in records(run)[2:]}
        assert sorted(last_pass) == [1, 7]
        assert (last_pass[1].location_id, nested(last_pass[1])[0]["value"]) == (8, "lo")
        # The get right after the delete takes what earlier passes posted.
        live.send("add SPD\\t1\\t0", "add SPD\\t99\\t0", "get")
        live.wait(lambda r: len(r.entries("get")) == 4)
        after_delete = [r.test_id for r in collect(live, 4, 4)]
    # A pass that had copied test 1 before the delete may still report it; later ones do not.
    assert after_delete.count(1) <= 1 and after_delete[-2:] == [7, 7]
    assert all(hr == plugin_host.S_OK for hr, _ in live.run.entries("add"))
    assert live.run.returncode == 0


def collect(live, first, count, timeout=30):
    """The RESULT_SNMP records of the hand-overs from the first-th on, once there are count of
    them: asks Get until then."""
    deadline = time.monotonic() + timeout
    while True:
        run = live.now()
        found = [r for s in run.results[first:] for r in decode_stream(s) if r.type_name == "RESULT_SNMP"]
        if len(found) >= count:
            return found
        assert time.monotonic() < deadline, "host log: %s" % run.log[-5:]
        live.send("get")
        time.sleep(0.3)


def taken(live, count):
    """Waits until the host has made count Add calls in all (a TRA has then registered)."""
    live.wait(lambda r: len(r.entries("add")) >= count)


# ---- Traps and informs ----------------------------------------------------------------------

def trap_session():
    port = netsnmp_peer.free_udp_port("0.0.0.0")
    return port, plugin_host.Session("tol_snmp.dll", CLSID, env={"WSNMP32_TRAP_PORT": str(port)})


def send(tool, *args):
    sent = netsnmp_peer.tool(tool, f"--clientaddr={SENDER}", *args)
    assert sent.returncode == 0, sent.stdout + sent.stderr
    return sent


def trap(port, *bindings, community="tol23traps"):
    send("snmptrap", "-v", "2c", "-c", community, f"{HOST}:{port}", "", ".1.3.6.1.4.1.99999.0.1", *bindings)


def packages(run):
    """(test id, location id, syntax, kind, status, agent, community, oid, value, text) of every
    trap package handed over, in order."""
    out = []
    for record in records(run, "RESULT_SNMP_TRAP"):
        fields = row(record)
        out.append(tuple(fields[n] for n in ("test_id", "location_id", "syntax", "kind", "status", "agent",
                                             "community", "oid", "value", "text")))
    return out


def values(run, tid=None):
    return [p[8] for p in packages(run) if p[7].startswith("1.3.6.1.4.1.99999.3") and tid in (None, p[0])]


def test_traps_and_informs_are_handed_over_one_package_each():
    port, session = trap_session()
    with session.live() as live:
        live.send("add TRA\\t41\\t5")
        taken(live, 1)
        trap(port, ".1.3.6.1.4.1.99999.3.1", "s", "first", ".1.3.6.1.4.1.99999.3.2", "i", "-42",
             ".1.3.6.1.4.1.99999.3.3", "a", "10.1.2.3")
        live.send("wait-data 5 20000", "get")
        run = live.wait(lambda r: len(r.results) == 1)
        uptime_and_oid, bindings = packages(run)[:2], packages(run)[2:]
        assert [p[7] for p in uptime_and_oid] == ["1.3.6.1.2.1.1.3.0", "1.3.6.1.6.3.1.1.4.1.0"]
        assert bindings == [
            (41, 5, 8, 1, 0, SENDER, "tol23traps", "1.3.6.1.4.1.99999.3.1", "first", TRAP_NOTICE),
            (41, 5, 9, 1, 0, SENDER, "tol23traps", "1.3.6.1.4.1.99999.3.2", "-42", TRAP_NOTICE),
            (41, 5, 16, 1, 0, SENDER, "tol23traps", "1.3.6.1.4.1.99999.3.3", "10.1.2.3", TRAP_NOTICE)]
        assert run.texts() == [NEW_DATA] * 5  # each package with its own notice

        # A second TRA (whatever its ids) and a TRD of another id change nothing.
        live.send("add TRA\\t77\\t1", "add TRD\\t77\\t0", "add TRM\\t41\\t9")
        taken(live, 4)
        start = time.monotonic()
        send("snmpinform", "-v", "2c", "-c", "tol23informs", "-t", "5", "-r", "3", f"{HOST}:{port}", "",
             ".1.3.6.1.4.1.99999.0.2", ".1.3.6.1.4.1.99999.3.4", "u", "99")
        assert time.monotonic() - start < 5  # answered before its first time-out: never repeated
        send("snmptrap", "-v", "1", "-c", "tol23v1", f"{HOST}:{port}", ".1.3.6.1.4.1.99999", SENDER,
             "6", "17", "555", ".1.3.6.1.4.1.99999.3.5", "i", "7")
        live.send("wait-data 11 20000", "get")
        run = live.wait(lambda r: len(r.results) == 2)
    informed, v1 = packages(run)[5:8], packages(run)[8:]
    assert len(packages(run)) == 11  # the inform once
    assert {p[:7] for p in informed} == {(41, 5, p[2], 2, 0, SENDER, "tol23informs") for p in informed}
    assert {p[9] for p in informed} == {INFORM_NOTICE}
    assert informed[-1][7:9] == ("1.3.6.1.4.1.99999.3.4", "99")
    assert [p[7:9] for p in v1] == [("1.3.6.1.2.1.1.3.0", "555"),
                                    ("1.3.6.1.6.3.1.1.4.1.0", "1.3.6.1.4.1.99999.0.17"),
                                    ("1.3.6.1.4.1.99999.3.5", "7")]
    assert {(p[0], p[3], p[6]) for p in v1} == {(41, 1, "tol23v1")}


def test_a_stopped_listener_starts_again():
    port, session = trap_session()
    with session.live() as live:
        live.send("add TRA\\t41\\t5")
        taken(live, 1)
        trap(port, ".1.3.6.1.4.1.99999.3.1", "s", "before")
        live.send("wait-data 3 20000", "add TRD\\t41\\t0")
        taken(live, 2)
        trap(port, ".1.3.6.1.4.1.99999.3.1", "s", "while-stopped")  # nobody listens
        live.send("add TRA\\t42\\t7")
        taken(live, 3)
        trap(port, ".1.3.6.1.4.1.99999.3.1", "s", "after")
        live.send("wait-data 6 20000", "get")
        run = live.wait(lambda r: len(r.results) == 1)
    assert [(p[0], p[1], p[8]) for p in packages(run) if p[8] in ("before", "while-stopped", "after")] == [
        (41, 5, "before"), (42, 7, "after")]


def test_release_while_requests_and_the_listener_run(silent):
    """The release cancels the waiting request (its 60-s wait is not waited out), stops the
    listener while traps arrive, and posts nothing afterwards; the trap port is free again."""
    port, session = trap_session()
    with session.live() as live:
        live.send("add TRA\\t41\\t5", spa(1, [SYS_NAME], silent.getsockname()[1], timeout=30, retries=1))
        deadline = time.monotonic() + 30
        while not snmp_datagrams.waiting(silent):
            assert time.monotonic() < deadline, "the request was never sent"
        sender = subprocess.Popen([sys.executable, "-c", SENDER_LOOP, HOST, str(port)])
        try:
            live.wait(lambda r: len(r.events) >= 3)
            start = time.monotonic()
            live.send("release")
            live.wait(lambda r: r.entries("release"))
            released = time.monotonic() - start
            events_at_release = len(live.now().events)
            time.sleep(0.5)
            assert len(live.now().events) == events_at_release
        finally:
            sender.terminate()
            sender.wait()
    assert released < 30
    assert live.run.returncode == 0, live.run.stderr
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as again:
        again.bind(("0.0.0.0", port))


SENDER_LOOP = """
import socket, sys, time
sys.path.insert(0, %r)
import snmp_datagrams
message = snmp_datagrams.message(0xA7, 1, snmp_datagrams.ber(0x30, snmp_datagrams.oid("1.3.6.1.2.1.1.3.0")
                                  + bytes([0x43, 1, 5])), b"tol23flood")
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind((%r, 0))
while True:
    s.sendto(message, (sys.argv[1], int(sys.argv[2])))
    time.sleep(0.002)
""" % (os.path.dirname(os.path.abspath(__file__)), SENDER)


# ---- A trap flood ---------------------------------------------------------------------------

FLOOD_BINDINGS = 40       # packages a trap of the flood gives
FLOOD_POSTED = 120000     # packages posted before the first Get: some 18 MB, twice what the store keeps
MEMORY_BOUND = 48 << 20   # what the host's memory may grow by under the flood
STORE_DROPPED = "results ("  # the store's drop line: "tol_snmp: <n> results (<bytes> bytes) dropped, ..."


def memory(run):
    """The host's memory at each "memory" command: its private bytes where the system counts
    them, else its working set (Wine reports private bytes of 0)."""
    figures = [[int(n) for n in detail.split()] for hr, detail in run.entries("memory") if hr == plugin_host.S_OK]
    return [f[0] or f[2] for f in figures]


def trap_packages(stream):
    """The RESULT_SNMP_TRAP records of a hand-over (their type is their first UI32 value)."""
    return sum(struct.unpack_from("<I", blob, 32)[0] == 61 for blob in plugin_host.split_stream(stream))


def test_a_trap_flood_is_bounded_and_every_drop_is_said():
    """A sender floods the listener with traps of 40 bindings while the host fetches nothing: the
    host's memory grows by less than MEMORY_BOUND although far more packages are posted
    than the pending store keeps. Every package posted either comes with a Get or is counted
    by the one drop line (level 1) that the next Get says; the listener's own full queue says
    its drops the same way."""
    port, session = trap_session()
    with session.live(timeout=300) as live:
        live.send("add TRA\\t41\\t5")
        taken(live, 1)
        live.send("memory")
        sender = subprocess.Popen([sys.executable, snmp_datagrams.__file__, "flood", SENDER, HOST, str(port),
                                   str(FLOOD_BINDINGS)], stdout=subprocess.PIPE, text=True)
        try:
            live.send("wait-data %d 240000" % FLOOD_POSTED, "memory", "get", "memory")
            live.wait(lambda r: len(r.entries("memory")) == 3, timeout=300)
        finally:
            sender.terminate()
            sent = int(sender.communicate(timeout=30)[0].split()[1])
        # Once the listener has stopped nothing more is posted: the last Get takes the rest.
        live.send("add TRD\\t41\\t0", "get")
        run = live.wait(lambda r: len(r.entries("get")) == 2, timeout=120)
    before, flooded, fetched = memory(run)
    assert sent * FLOOD_BINDINGS > FLOOD_POSTED
    assert flooded - before < MEMORY_BOUND, (before, flooded)
    assert fetched - before < MEMORY_BOUND

    logs = [e for e in run.events if e.kind == "I4"]
    assert logs and all(e.value == -1 and e.text.startswith("tol_snmp: ") for e in logs), logs[:3]
    said = [e.text for e in logs if STORE_DROPPED in e.text]
    assert len(said) <= 2  # at most once a Get
    dropped = sum(int(text.split()[1]) for text in said)
    handed_over = sum(trap_packages(stream) for stream in run.results)
    posted = len(run.texts("UI4"))
    assert posted >= FLOOD_POSTED and dropped > 0
    assert handed_over + dropped == posted  # nothing dropped unsaid
    # The store keeps the newest results, up to its bound.
    assert len(run.results[0]) <= (8 << 20) + 4096
    assert len([e for e in logs if "trap packages dropped" in e.text]) == len(logs) - len(said)
