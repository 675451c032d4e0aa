"""The SNMP client CSNMPmon of tol_utils.dll, driven through snmp_client_probe.exe as the
plug-ins drive it, against Debian's snmpd on 127.0.14.1 (values of every syntax, a subtree to
walk, a proxied subtree whose silent peer makes snmpd answer genErr) and against snmptrap and
snmpinform for trap and inform reception."""
import json
import os
import shutil
import socket
import tempfile
import time

import pytest

import plugin_host
import snmp_datagrams
import winhost
from netsnmp_values import netsnmp

import netsnmp_peer
from netsnmp_peer import COMMUNITY
from result_records import decode_stream, named_fields

HOST = "127.0.14.1"
BASE = "1.3.6.1.4.1.99999.1"
STABLE = [f"{BASE}.{n}.0" for n in (1, 2, 3, 5, 6, 7, 8, 9, 10)] + ["1.3.6.1.2.1.4.20.1.1.127.0.0.1"]
COUNTER64 = "1.3.6.1.2.1.31.1.1.1.6.1"
NO_SUCH_OBJECT = "1.3.6.1.4.1.99999.2.0"
NO_SUCH_INSTANCE = "1.3.6.1.2.1.1.1.1"
PROXIED = "1.3.6.1.4.1.99998"  # before the walked subtree: no walk passes through it
NOSUCHNAME = "The requested SNMP operation identified an unknown variable."
GENERR = "An unknown error occurred during the requested SNMP operation."


@pytest.fixture(scope="module")
def silent():
    """A UDP socket on our address that never answers."""
    s = snmp_datagrams.silent_socket(HOST)
    yield s
    s.close()


@pytest.fixture(scope="module")
def agent(silent):
    a = netsnmp_peer.Agent(HOST, prefix="tol14_snmpd_", extra_conf=[
        f"rocommunity {COMMUNITY} 127.0.14.0/24",
        # Requests under this subtree go to the silent socket; its time-out makes snmpd answer genErr.
        f"proxy -v 2c -c {COMMUNITY} -t 1 -r 0 udp:{HOST}:{silent.getsockname()[1]} .{PROXIED}"])
    yield a
    a.stop()


def probe(*args, env=None, timeout=120, program="snmp_client_probe.exe"):
    """Runs the probe; returns its JSON lines after the binding line, and the binding line."""
    result = winhost.run(program, *[str(a) for a in args], env=env, timeout=timeout)
    lines = [json.loads(line) for line in result.stdout.splitlines() if line.startswith("{")]
    assert lines, result.stdout + result.stderr
    return lines[0], lines[1:]


def request(port, oids, community=COMMUNITY, version=2, limits="-", kind="get", timeout=2, retries=1,
            wait_ms=15000, host=HOST):
    binding, lines = probe("request", host, port, community, oids if isinstance(oids, str) else ";".join(oids),
                           timeout, retries, version, limits, kind, wait_ms)
    assert binding == {"bound": 1, "started": True}
    assert lines[-1] == {"cleanup": True}
    return lines[0]


def nested(entry):
    """(syntax code, status, value text, status text) of an entry's nested record."""
    record = plugin_host.parse_record(bytes.fromhex(entry["record"]))
    assert record.header[1:7] == (0, 2, 0, 0, 0, 2)
    return (*record.ui32, *record.texts)


def answered(result):
    return {e["name"]: (e["syntax"], e["value"]) for e in result["entries"] if e["name"]}


@pytest.mark.parametrize("version, tool_version", [(1, "1"), (2, "2c")])
def test_every_syntax_matches_snmpget(agent, version, tool_version):
    result = request(agent.port, STABLE, version=version)
    assert (result["init"], result["send"], result["wait"], result["error"]) == (True, True, True, None)
    assert answered(result) == netsnmp(agent, *STABLE, version=tool_version)
    assert {e["syntax"] for e in result["entries"]} == {9, 8, 11, 14, 13, 12, 16}
    assert (result["source"], result["context"]) == (HOST, COMMUNITY)
    assert result["elapsed"] > 0
    for entry in result["entries"]:
        assert entry["status"] == 0
        assert nested(entry) == (entry["syntax"], 0, entry["value"] or "N/A",
                                 f"OID: {entry['name']} the result is available.\n")


def test_counter64_and_exceptions(agent):
    result = request(agent.port, [COUNTER64, NO_SUCH_OBJECT, NO_SUCH_INSTANCE, f"{BASE}.1.0"])
    assert result["error"] is None
    theirs = netsnmp(agent, COUNTER64, NO_SUCH_OBJECT, NO_SUCH_INSTANCE, f"{BASE}.1.0")
    counter, missing_object, missing_instance, integer = result["entries"]
    assert counter["syntax"] == theirs[COUNTER64][0] == 3
    assert abs(int(counter["value"]) - int(theirs[COUNTER64][1])) < 10_000_000  # a live counter
    assert [(e["syntax"], e["value"], e["status"]) for e in (missing_object, missing_instance, integer)] == [
        (20, "no such object", 2), (21, "no such instance", 2), (9, "-5", 0)]
    assert nested(missing_object)[3] == f"OID: {NO_SUCH_OBJECT} no such object"
    assert answered(result)[NO_SUCH_INSTANCE] == theirs[NO_SUCH_INSTANCE]


@pytest.mark.parametrize("oid, limits, status, text", [
    (f"{BASE}.1.0", "-10,0", 0, None),                # INT -5
    (f"{BASE}.1.0", "0,10", 2, "Value:     -5\nMin Value: 0\nMax Value: 10\n"),
    (f"{BASE}.1.0", "-5,-5", 0, None),                # equal to both limits is inside
    (f"{BASE}.6.0", "-5,100", 0, None),               # Gauge32 77: a negative lower limit bounds nothing
    (f"{BASE}.6.0", "-5,76", 2, "Value:     77\nMin value: -5\nMax Value: 76\n"),
    (f"{BASE}.5.0", "0,-1", 0, None),                 # Counter32 4000000000: -1 reads as the top
    (f"{BASE}.5.0", "0,2147483647", 2, "Value:     4000000000\nMin value: 0\nMax Value: 2147483647\n"),
    (f"{BASE}.7.0", "12345,12345", 0, None),          # Timeticks
    (COUNTER64, "-5,10", 2, "\nMin Value: -5\nMax Value: 10\n"),
    (f"{BASE}.2.0", "0,1", 0, None),                  # an octet string is not judged
])
def test_limits_on_signed_and_unsigned_syntaxes(agent, oid, limits, status, text):
    result = request(agent.port, oid, limits=limits)
    [entry] = result["entries"]
    assert result["error"] is None
    assert entry["status"] == status
    status_text = nested(entry)[3]
    if text is None:
        assert status_text == f"OID: {oid} the result is available.\n"
    else:
        assert status_text.startswith(f"OID:       {oid}\nValue:     ") and status_text.endswith(text)


def test_limits_follow_their_identifier(agent):
    result = request(agent.port, [f"{BASE}.1.0", f"{BASE}.8.0"], limits="0,10;;")
    assert [e["status"] for e in result["entries"]] == [2, 0]
    result = request(agent.port, [f"{BASE}.1.0", f"{BASE}.8.0"], limits="0,10")
    assert (result["init"], result["error"]) == (False, "min/max specification is incorrect.")


@pytest.mark.parametrize("version, tool_version", [(1, "1"), (2, "2c")])
def test_getnext_and_walk_match_net_snmp(agent, version, tool_version):
    starts = [f"{BASE}.1.0", f"{BASE}.7", "1.3.6.1.4.1.99999"]
    result = request(agent.port, starts, version=version, kind="next")
    theirs = netsnmp(agent, *starts, version=tool_version, command="snmpgetnext")
    assert [(e["name"], e["syntax"], e["value"]) for e in result["entries"]] == [
        (name, *theirs[name]) for name in theirs]
    _, rows = probe("walk", HOST, agent.port, COMMUNITY, "1.3.6.1.4.1.99999", version)
    assert rows[-2]["walk_end"] == 9 and rows[-2]["error"] is None
    walked = [(r["name"], r["syntax"], r["value"]) for r in rows if "name" in r]
    theirs = netsnmp(agent, "1.3.6.1.4.1.99999", version=tool_version, command="snmpwalk")
    assert walked == [(name, *value) for name, value in theirs.items()]


def test_getnext_past_the_end(agent):
    result = request(agent.port, "2.9", kind="next")
    [entry] = result["entries"]
    assert (entry["syntax"], entry["value"], entry["status"], result["error"]) == (19, "end of mib", 2, None)
    assert nested(entry)[3] == f"OID: {entry['name']} end of MIB view"


def test_a_v1_nosuchname_answer_is_a_failure(agent):
    result = request(agent.port, [f"{BASE}.1.0", NO_SUCH_OBJECT], version=1)
    assert (result["wait"], result["error"]) == (True, NOSUCHNAME)
    assert [e["status"] for e in result["entries"]] == [0, 2]
    assert nested(result["entries"][1])[1:4:2] == (2, NOSUCHNAME)


def test_a_generr_answer_is_a_failure(agent):
    result = request(agent.port, [f"{BASE}.1.0", f"{PROXIED}.1.0"], timeout=5, retries=0)
    assert (result["wait"], result["error"]) == (True, GENERR)
    assert [e["status"] for e in result["entries"]] == [0, 2]


def test_wrong_community_fails_after_every_retry(agent):
    start = time.monotonic()
    result = request(agent.port, f"{BASE}.1.0", community="wrong", timeout=1, retries=1)
    assert time.monotonic() - start >= 2.0
    assert (result["wait"], result["error"]) == (True, "Request timed out")
    assert result["elapsed"] >= 1900
    assert all(e["name"] is None for e in result["entries"])


def test_a_silent_port_gets_every_retry_and_the_waiter_may_give_up_first(silent):
    port = silent.getsockname()[1]
    snmp_datagrams.waiting(silent)  # what snmpd's proxy sent here
    result = request(port, f"{BASE}.1.0", timeout=1, retries=2)
    assert (result["wait"], result["error"]) == (True, "Request timed out")
    received = snmp_datagrams.waiting(silent)
    assert len(received) == 3 and len(set(received)) == 1
    result = request(port, f"{BASE}.1.0", timeout=5, retries=0, wait_ms=300)
    assert (result["wait"], result["error"]) == (False, "Request timed out")


def test_several_identifiers_with_one_missing(agent):
    result = request(agent.port, [f"{BASE}.1.0", NO_SUCH_OBJECT, f"{BASE}.2.0"])
    assert result["error"] is None
    assert [(e["value"], e["status"]) for e in result["entries"]] == [
        ("-5", 0), ("no such object", 2), ("ab", 0)]


@pytest.mark.parametrize("args, error", [
    (("-", 161, COMMUNITY, "1.3.6"), "Host name doesn't specified"),
    ((HOST, 161, "-", "1.3.6"), "Community string doesn't specified"),
    ((HOST, 161, COMMUNITY, "-"), "Object ID doesn't specified"),
    ((HOST, 161, COMMUNITY, ""), "Object ID is incorrect"),
    ((HOST, 161, COMMUNITY, "1.3.6;1.3.x"), "Invalid OID parameter"),
    ((HOST, 0, COMMUNITY, "1.3.6"), "Input parameter invalid"),
    # A label longer than 63 characters fails to resolve without a query on the wire.
    (("a" * 70 + ".invalid", 161, COMMUNITY, "1.3.6"), "Failed with error "),
])
def test_set_up_failures_are_reported(args, error):
    _, lines = probe("request", *args, 1, 0, 2, "-", "get", 1000)
    result = lines[0]
    assert (result["init"], result["send"], result["wait"]) == (False, False, False)
    assert result["error"].startswith(error)


def isolated_probe_dir(extra_dll=None):
    """A folder with the probe and tol_utils.dll only (and the given DLL as wsnmp32.dll)."""
    folder = tempfile.mkdtemp(prefix="tol14_probe_")
    for name in ("snmp_client_probe.exe", "tol_utils.dll"):
        shutil.copy(winhost.BIN_DIR / name, folder)
    if extra_dll:
        shutil.copy(extra_dll, os.path.join(folder, "wsnmp32.dll"))
    return folder


@pytest.mark.parametrize("case", ["missing", "incomplete"])
def test_without_a_complete_api_every_request_fails_with_its_text(case):
    build = winhost.BIN_DIR.parent
    folder = isolated_probe_dir(None if case == "missing" else build / "test_dlls" / "wsnmp32_incomplete.dll")
    try:
        env = None
        if case == "missing":  # Wine's own stub stands in system32: switch the name off
            env = {"WINEDLLOVERRIDES": os.environ.get("WINEDLLOVERRIDES", "") + ";wsnmp32="}
        binding, lines = probe("request", HOST, 161, COMMUNITY, "1.3.6", 1, 0, 2, "-", "get", 1000, env=env,
                               program=os.path.join(folder, "snmp_client_probe.exe"))
        assert binding == {"bound": 0, "started": False}
        assert (lines[0]["init"], lines[0]["error"]) == (False, "SnmpStartup failed/not called")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def test_requests_destroyed_right_after_their_time_out(silent):
    _, lines = probe("expire", HOST, silent.getsockname()[1], 1000, 100, timeout=300)
    result = lines[0]
    assert result["other"] == 0
    assert result["owner_first"] + result["api_first"] == 1000
    assert result["handles_after"] - result["handles_before"] < 20
    assert result["private_after"] - result["private_before"] < 16 * 2**20


# ---- Trap and inform reception --------------------------------------------------------------

TRAP_NOTICE = "A new TRAP package is obtained."
INFORM_NOTICE = "A new INFORM package is obtained."


class Listener:
    """snmp_client_probe in listen mode (test id 7, location id 9) on a free trap port."""

    def __init__(self, packages, seconds=20):
        self.port = netsnmp_peer.free_udp_port("0.0.0.0")
        self.process = winhost.start("snmp_client_probe.exe", "listen", str(packages), str(seconds),
                                     env={"WSNMP32_TRAP_PORT": str(self.port)})
        lines = [json.loads(self.process.stdout.readline()) for _ in range(2)]
        assert lines == [{"bound": 1, "started": True}, {"listening": True, "error": None}], lines

    def finish(self):
        out, err = self.process.communicate(timeout=60)
        lines = [json.loads(line) for line in out.splitlines() if line.startswith("{")]
        assert lines[-1] == {"cleanup": True}, out + err
        packages = [bytes.fromhex(line["package"]) for line in lines if "package" in line]
        return packages, lines[-2]


def package_fields(package):
    """(syntax code, kind, status, sender, community, identifier, value, text) of a package,
    read by the reference server's decoder under its field names."""
    [record] = decode_stream(package)
    assert plugin_host.parse_record(package).header[1:7] == (0, 6, 1, 0, 0, 5)
    fields = dict(named_fields(record))
    assert (fields["type"], fields["test_id"], fields["location_id"]) == (61, 7, 9)
    assert abs(fields["timestamp"] - time.time()) < 60
    names = ("syntax", "kind", "status", "agent", "community", "oid", "value", "text")
    return tuple(fields[name] for name in names)


def send(tool, *args):
    sent = netsnmp_peer.tool(tool, *args)
    assert sent.returncode == 0, sent.stdout + sent.stderr
    return sent


def test_a_trap_gives_one_package_per_binding_in_order():
    listener = Listener(5)
    send("snmptrap", "-v", "2c", "-c", "traps", f"{HOST}:{listener.port}", "1234", ".1.3.6.1.4.1.99999.0.1",
         ".1.3.6.1.4.1.99999.3.1", "s", "hello", ".1.3.6.1.4.1.99999.3.2", "i", "-42",
         ".1.3.6.1.4.1.99999.3.3", "a", "10.1.2.3")
    packages, end = listener.finish()
    assert [package_fields(p) for p in packages] == [
        (12, 1, 0, "127.0.0.1", "traps", "1.3.6.1.2.1.1.3.0", "1234", TRAP_NOTICE),
        (11, 1, 0, "127.0.0.1", "traps", "1.3.6.1.6.3.1.1.4.1.0", "1.3.6.1.4.1.99999.0.1", TRAP_NOTICE),
        (8, 1, 0, "127.0.0.1", "traps", "1.3.6.1.4.1.99999.3.1", "hello", TRAP_NOTICE),
        (9, 1, 0, "127.0.0.1", "traps", "1.3.6.1.4.1.99999.3.2", "-42", TRAP_NOTICE),
        (16, 1, 0, "127.0.0.1", "traps", "1.3.6.1.4.1.99999.3.3", "10.1.2.3", TRAP_NOTICE),
    ]
    assert end == {"taken": 5, "late": 0, "unregistered": True, "again": False}


def test_a_v1_trap_is_queued_in_its_v2_form():
    listener = Listener(3)
    send("snmptrap", "-v", "1", "-c", "v1traps", f"{HOST}:{listener.port}", ".1.3.6.1.4.1.99999", HOST,
         "6", "17", "555", ".1.3.6.1.4.1.99999.3.1", "i", "7")
    packages, _ = listener.finish()
    assert [package_fields(p)[5:7] for p in packages] == [
        ("1.3.6.1.2.1.1.3.0", "555"), ("1.3.6.1.6.3.1.1.4.1.0", "1.3.6.1.4.1.99999.0.17"),
        ("1.3.6.1.4.1.99999.3.1", "7")]
    assert {package_fields(p)[1:5] for p in packages} == {(1, 0, "127.0.0.1", "v1traps")}


def test_snmpinform_is_answered_at_once():
    listener = Listener(3)
    start = time.monotonic()
    send("snmpinform", "-v", "2c", "-c", "informs", "-t", "5", "-r", "3", f"{HOST}:{listener.port}", "",
         ".1.3.6.1.4.1.99999.0.2", ".1.3.6.1.4.1.99999.3.1", "u", "99")
    assert time.monotonic() - start < 5  # answered before its first time-out: never repeated
    packages, end = listener.finish()
    assert [package_fields(p)[:2] for p in packages][-1] == (13, 2)
    assert {package_fields(p)[7] for p in packages} == {INFORM_NOTICE}
    assert end["taken"] == 3 and end["late"] == 0


def test_each_inform_gets_exactly_one_answer_and_a_repeat_is_queued_once():
    listener = Listener(2)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sender:
        sender.bind((HOST, 0))
        sender.settimeout(5)
        message = snmp_datagrams.inform(0x1234567)
        sender.sendto(message, (HOST, listener.port))
        answers = [sender.recvfrom(65536)]
        sender.sendto(message, (HOST, listener.port))  # as if the answer had been lost
        sender.settimeout(1)
        try:
            while True:
                answers.append(sender.recvfrom(65536))
        except socket.timeout:
            pass
    packages, end = listener.finish()
    assert len(answers) == 2, "one answer per copy, none from the layer itself"
    for data, source in answers:
        assert source[1] == listener.port
        # The same message with the response type: version, community, request id, bindings.
        assert data == message.replace(b"\xa6", b"\xa2", 1)
    assert [package_fields(p)[1] for p in packages] == [2, 2]
    assert end["taken"] == 2 and end["late"] == 0
