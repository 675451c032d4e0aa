"""wsnmp32.dll against Debian's net-snmp: requests through snmp_probe.exe (which loads the DLL
by name and binds it with GetProcAddress) compared with snmpget, snmpgetnext and snmpwalk;
time-outs with their retries; trap and inform reception from snmptrap and snmpinform; a flood
of large traps at a listener that does not receive."""
import os
import re
import socket
import struct
import time

import pytest

import snmp_datagrams
import winhost

import netsnmp_peer
from netsnmp_peer import COMMUNITY

BASE = ".1.3.6.1.4.1.99999.1"
STABLE = [f"{BASE}.1.0", f"{BASE}.2.0", f"{BASE}.3.0", f"{BASE}.5.0", f"{BASE}.6.0", f"{BASE}.7.0",
          f"{BASE}.8.0", f"{BASE}.9.0", f"{BASE}.10.0", ".1.3.6.1.2.1.4.20.1.1.127.0.0.1"]
COUNTER64 = ".1.3.6.1.2.1.31.1.1.1.6.1"
OPAQUE_FLOAT = ".1.3.6.1.4.1.2021.10.1.6.1"
NO_SUCH_OBJECT = ".1.3.6.1.4.1.99999.2.0"
NO_SUCH_INSTANCE = ".1.3.6.1.2.1.1.1.1"


@pytest.fixture(scope="module")
def agent():
    a = netsnmp_peer.Agent()
    yield a
    a.stop()


def probe(*args, timeout=60, env=None):
    result = winhost.run("snmp_probe.exe", *[str(a) for a in args], timeout=timeout, env=env)
    assert "CLEANUP OK" in result.stdout, result.stdout + result.stderr
    return result


def bindings(text):
    """{oid: (syntax, value)} of the probe's binding lines."""
    out = {}
    for line in text.splitlines():
        m = re.match(r"^(\.[0-9.]+) = (\S+) ?(.*)$", line)
        if m:
            out[m.group(1)] = (m.group(2), m.group(3).strip())
    return out


NETSNMP_SYNTAX = {"INTEGER": "INTEGER", "Hex-STRING": "OCTETS", "STRING": "OCTETS", "OID": "OID",
                  "IpAddress": "IPADDR", "Counter32": "COUNTER32", "Gauge32": "GAUGE32",
                  "Counter64": "COUNTER64", "Timeticks": "TIMETICKS", "Opaque": "OPAQUE"}
NETSNMP_EXCEPTIONS = {"No Such Object": "NOSUCHOBJECT", "No Such Instance": "NOSUCHINSTANCE",
                      "No more variables": "ENDOFMIBVIEW"}


def netsnmp_bindings(text):
    """The same form from net-snmp's -On -Ox -Ot -Oe output."""
    out = {}
    for line in text.splitlines():
        m = re.match(r"^(\.[0-9.]+) = (.*)$", line)
        if not m:
            continue
        oid, rest = m.group(1), m.group(2).strip()
        for start, name in NETSNMP_EXCEPTIONS.items():
            if rest.startswith(start):
                out[oid] = (name, "")
                break
        else:
            if rest == '""':  # an empty string is printed without its type
                out[oid] = ("OCTETS", "")
                continue
            if ":" in rest:
                kind, value = rest.split(":", 1)
                value = value.strip()
            else:  # -Ot prints time ticks as a bare number
                kind, value = "Timeticks", rest
            syntax = NETSNMP_SYNTAX[kind]
            if kind == "STRING":
                value = " ".join(f"{b:02X}" for b in value.strip('"').encode())
            elif kind == "Hex-STRING":
                value = value.upper()
            out[oid] = (syntax, value.strip())
    return out


def test_get_of_every_syntax_matches_snmpget(agent):
    for version in ("1", "2c"):
        ours = probe("get", "127.0.0.1", agent.port, version[0], COMMUNITY, 100, 1, ";".join(STABLE))
        assert f"RESPONSE 0 0" in ours.stdout, ours.stdout
        theirs = agent.get(*STABLE, version=version)
        assert theirs.returncode == 0, theirs.stderr
        assert bindings(ours.stdout) == netsnmp_bindings(theirs.stdout), version
    seen = {syntax for syntax, _ in bindings(ours.stdout).values()}
    assert seen == {"INTEGER", "OCTETS", "OID", "COUNTER32", "GAUGE32", "TIMETICKS", "IPADDR"}


def test_counter64_and_opaque_values(agent):
    ours = bindings(probe("get", "127.0.0.1", agent.port, 2, COMMUNITY, 100, 1,
                          f"{COUNTER64};{OPAQUE_FLOAT}").stdout)
    theirs = netsnmp_bindings(agent.get(COUNTER64, OPAQUE_FLOAT).stdout)
    assert ours[COUNTER64][0] == theirs[COUNTER64][0] == "COUNTER64"
    assert abs(int(ours[COUNTER64][1]) - int(theirs[COUNTER64][1])) < 10_000_000  # a live counter
    syntax, raw = ours[OPAQUE_FLOAT]
    assert syntax == "OPAQUE"
    data = bytes(int(b, 16) for b in raw.split())
    assert data[:3] == b"\x9f\x78\x04"  # an opaque-wrapped float
    ours_load = struct.unpack(">f", data[3:])[0]
    theirs_load = float(theirs[OPAQUE_FLOAT][1].replace("Float:", "").strip())
    assert abs(ours_load - theirs_load) < 1.0


def test_exceptions_and_errors_as_snmpget_reports_them(agent):
    ours = probe("get", "127.0.0.1", agent.port, 2, COMMUNITY, 100, 1,
                 f"{NO_SUCH_OBJECT};{NO_SUCH_INSTANCE};{BASE}.1.0").stdout
    assert bindings(ours) == netsnmp_bindings(agent.get(NO_SUCH_OBJECT, NO_SUCH_INSTANCE, f"{BASE}.1.0").stdout)
    assert bindings(ours)[NO_SUCH_OBJECT][0] == "NOSUCHOBJECT"
    # SNMPv1 has no exceptions: the agent answers noSuchName (2) at index 2.
    ours = probe("get", "127.0.0.1", agent.port, 1, COMMUNITY, 100, 1, f"{BASE}.1.0;{NO_SUCH_OBJECT}").stdout
    assert "RESPONSE 2 2" in ours
    assert "noSuchName" in agent.get(f"{BASE}.1.0", NO_SUCH_OBJECT, version="1").stderr


@pytest.mark.parametrize("version", ["1", "2c"])
def test_getnext_and_walk_match_net_snmp(agent, version):
    starts = [f"{BASE}.1.0", f"{BASE}.7", ".1.3.6.1.4.1.99999"]
    ours = probe("next", "127.0.0.1", agent.port, version[0], COMMUNITY, 100, 1, ";".join(starts)).stdout
    theirs = agent.get(*starts, version=version, command="snmpgetnext")
    assert list(bindings(ours).items()) == list(netsnmp_bindings(theirs.stdout).items())
    walked = probe("walk", "127.0.0.1", agent.port, version[0], COMMUNITY, 100, 1, ".1.3.6.1.4.1.99999").stdout
    assert "WALK END" in walked
    theirs = agent.get(".1.3.6.1.4.1.99999", version=version, command="snmpwalk")
    assert list(bindings(walked).items()) == list(netsnmp_bindings(theirs.stdout).items())
    assert len(bindings(walked)) == 9


def test_getnext_past_the_end_is_end_of_mib_view(agent):
    ours = bindings(probe("next", "127.0.0.1", agent.port, 2, COMMUNITY, 100, 1, ".2.9").stdout)
    assert ours == {".2.9": ("ENDOFMIBVIEW", "")}
    assert netsnmp_bindings(agent.get(".2.9", command="snmpgetnext").stdout) == ours


def test_wrong_community_times_out_after_the_retries(agent):
    start = time.monotonic()
    out = probe("get", "127.0.0.1", agent.port, 2, "wrong", 30, 2, f"{BASE}.1.0").stdout
    elapsed = time.monotonic() - start
    assert "TIMEOUT" in out and "RESPONSE" not in out
    assert elapsed >= 0.9  # three attempts of 0.3 s


def test_a_silent_port_gets_every_retry_then_the_time_out_notice():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as silent:
        silent.bind(("127.0.0.1", 0))
        silent.settimeout(0.2)
        out = probe("get", "127.0.0.1", silent.getsockname()[1], 1, COMMUNITY, 20, 3, f"{BASE}.1.0").stdout
        assert "TIMEOUT" in out
        requests = snmp_datagrams.waiting(silent)
    assert len(requests) == 4
    assert len(set(requests)) == 1  # the same message, request id included, every time


class Listener:
    """snmp_probe in listen mode on a free port."""

    def __init__(self, count, port=None, env=None, seconds=20):
        self.port = port or netsnmp_peer.free_udp_port()
        self.process = winhost.start("snmp_probe.exe", "listen", "default" if env else str(self.port),
                                     str(count), str(seconds), env=env)
        line = self.process.stdout.readline()
        assert line.strip() == "LISTENING", line + self.process.stdout.read()

    def finish(self, timeout=60):
        out, err = self.process.communicate(timeout=timeout)
        assert "CLEANUP OK" in out, out + err
        return out

    def notifications(self, out):
        """[(kind, sender, community, {oid: (syntax, value)})] in arrival order."""
        found = []
        for block in re.findall(r"NOTIFY (.*?)\nEND\n", out, re.S):
            head, _, body = block.partition("\n")
            kind, sender, community = re.match(r"(\S+) from=(\S+) community=(.*)", head).groups()
            found.append((kind, sender, community, bindings(body)))
        return found


def trap_target(port):
    return f"127.0.0.1:{port}"


def test_v2c_trap_with_several_bindings():
    listener = Listener(1)
    sent = netsnmp_peer.tool("snmptrap", "-v", "2c", "-c", "traps", trap_target(listener.port), "1234",
                             ".1.3.6.1.4.1.99999.0.1", ".1.3.6.1.4.1.99999.3.1", "s", "hello",
                             ".1.3.6.1.4.1.99999.3.2", "i", "-42", ".1.3.6.1.4.1.99999.3.3", "a", "10.1.2.3")
    assert sent.returncode == 0, sent.stderr
    [(kind, sender, community, vbs)] = listener.notifications(listener.finish())
    assert (kind, sender, community) == ("TRAP", "127.0.0.1", "traps")
    assert list(vbs.items()) == [
        (".1.3.6.1.2.1.1.3.0", ("TIMETICKS", "1234")),
        (".1.3.6.1.6.3.1.1.4.1.0", ("OID", ".1.3.6.1.4.1.99999.0.1")),
        (".1.3.6.1.4.1.99999.3.1", ("OCTETS", "68 65 6C 6C 6F")),
        (".1.3.6.1.4.1.99999.3.2", ("INTEGER", "-42")),
        (".1.3.6.1.4.1.99999.3.3", ("IPADDR", "10.1.2.3")),
    ]


@pytest.mark.parametrize("generic, specific, trap_oid, enterprise_appended", [
    ("6", "17", ".1.3.6.1.4.1.99999.0.17", False),
    ("2", "0", ".1.3.6.1.6.3.1.1.5.3", True),
])
def test_v1_traps_arrive_as_snmpv2_traps(generic, specific, trap_oid, enterprise_appended):
    listener = Listener(1)
    sent = netsnmp_peer.tool("snmptrap", "-v", "1", "-c", "v1traps", trap_target(listener.port),
                             ".1.3.6.1.4.1.99999", "127.0.0.1", generic, specific, "555",
                             ".1.3.6.1.4.1.99999.3.1", "i", "7")
    assert sent.returncode == 0, sent.stderr
    [(kind, _, community, vbs)] = listener.notifications(listener.finish())
    assert (kind, community) == ("TRAP", "v1traps")
    expected = [(".1.3.6.1.2.1.1.3.0", ("TIMETICKS", "555")),
                (".1.3.6.1.6.3.1.1.4.1.0", ("OID", trap_oid)),
                (".1.3.6.1.4.1.99999.3.1", ("INTEGER", "7"))]
    if enterprise_appended:
        expected.append((".1.3.6.1.6.3.1.1.4.3.0", ("OID", ".1.3.6.1.4.1.99999")))
    assert list(vbs.items()) == expected


def test_informs_are_answered_so_the_sender_does_not_repeat_them():
    listener = Listener(1)
    start = time.monotonic()
    sent = netsnmp_peer.tool("snmpinform", "-v", "2c", "-c", "informs", "-t", "5", "-r", "3",
                             trap_target(listener.port), "", ".1.3.6.1.4.1.99999.0.2",
                             ".1.3.6.1.4.1.99999.3.1", "u", "99")
    assert sent.returncode == 0, sent.stdout + sent.stderr
    assert time.monotonic() - start < 5  # answered before the sender's first time-out
    found = listener.notifications(listener.finish())
    assert len(found) == 1  # the listener waits a while after the first: no repetition came
    kind, _, community, vbs = found[0]
    assert (kind, community) == ("INFORM", "informs")
    assert vbs[".1.3.6.1.4.1.99999.3.1"] == ("GAUGE32", "99")


def test_junk_on_the_trap_port_is_dropped():
    listener = Listener(1)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        for junk in (b"", b"\x00", b"\x30\x84\xff\xff\xff\xff", os.urandom(512),
                     b"\x30\x0b\x02\x01\x03\x04\x01c\xa7\x03\x02\x01\x00"):
            s.sendto(junk, ("127.0.0.1", listener.port))
    time.sleep(0.3)
    sent = netsnmp_peer.tool("snmptrap", "-v", "2c", "-c", "after", trap_target(listener.port), "",
                             ".1.3.6.1.4.1.99999.0.3")
    assert sent.returncode == 0
    found = listener.notifications(listener.finish())
    assert [(kind, community) for kind, _, community, _ in found] == [("TRAP", "after")]


def test_registration_without_destination_listens_on_the_default_trap_port():
    port = netsnmp_peer.free_udp_port()
    listener = Listener(1, port=port, env={"WSNMP32_TRAP_PORT": str(port)})
    sent = netsnmp_peer.tool("snmptrap", "-v", "2c", "-c", "dflt", trap_target(port), "",
                             ".1.3.6.1.4.1.99999.0.4")
    assert sent.returncode == 0
    out = listener.finish()
    assert [n[2] for n in listener.notifications(out)] == ["dflt"]
    assert "DONE 1 unregistered" in out


def memory_kib(pid, field):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


FLOOD_HOST = "127.0.14.2"
MEMORY_LIMIT_KIB = 120 * 1024


def test_a_flood_against_a_listener_that_does_not_receive():
    """64 KiB traps of the smallest bindings, sent as fast as the receiver can be kept busy, at
    a listener whose callback never receives them: the process stays up with its memory
    bounded, and requests to a silent agent meanwhile are still repeated and time out."""
    port = netsnmp_peer.free_udp_port(FLOOD_HOST)
    datagram = snmp_datagrams.flood_trap()
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as silent, \
            socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as flood:
        silent.bind((FLOOD_HOST, 0))
        silent.settimeout(0.2)
        probe = winhost.start("snmp_probe.exe", "flood", FLOOD_HOST, str(port), FLOOD_HOST,
                              str(silent.getsockname()[1]), "12")
        assert probe.stdout.readline().strip() == "LISTENING"
        sent, peak = 0, 0
        while probe.poll() is None:
            for _ in range(20):
                flood.sendto(datagram, (FLOOD_HOST, port))
            sent += 20
            peak = max(peak, memory_kib(probe.pid, "VmRSS"))
            if peak > 4 * MEMORY_LIMIT_KIB:  # spare the host: the bound has failed already
                probe.kill()
            time.sleep(0.01)
        out, err = probe.communicate(timeout=60)
        repeated = snmp_datagrams.waiting(silent)
    assert "CLEANUP OK" in out, out + err
    counts = dict(re.findall(r"(\w+)=(\d+)", re.search(r"FLOOD (.*)", out).group(1)))
    notices, requests, timeouts = (int(counts[k]) for k in ("notices", "requests", "timeouts"))
    assert requests >= 50 and timeouts == requests, counts
    assert len(repeated) == 2 * requests  # each request repeated once before its time-out
    assert 0 < notices < sent, (notices, sent)  # what did not fit was dropped
    assert peak < MEMORY_LIMIT_KIB, peak
    assert int(counts["peak"]) < MEMORY_LIMIT_KIB * 1024, counts
