"""Range scans of tol_ndis.dll for real, inside a network namespace made here with the whole
Wine session in it: the loopback has only 127.0.0.1 and the live addresses below up, every other
address of 127.0.20.0/24 stays silent, and Debian's snmpd answers SNMP on one live host. The scan
is compared with fping and snmpget run in the same namespace."""
import os

import pytest

import netns
import plugin_host
import winhost
from ndis_peer import (CLSID, OBJECT_VALUE, SCAN_NEW_DATA, SYS_DESCR, SYS_NAME, SYS_OBJECT_ID,
                       SnmpAgent, fping, records_of, scan_namespace)

LIVE = ["127.0.20.1", "127.0.20.3", "127.0.20.7", "127.0.20.200"]
SNMP_HOST = "127.0.20.7"
SESSION = plugin_host.Session("tol_ndis.dll", CLSID)
SYS_UPTIME = "1.3.6.1.2.1.1.3.0"
SYS_CONTACT = "1.3.6.1.2.1.1.4.0"


@pytest.fixture(scope="module")
def net():
    if not winhost.available():
        pytest.skip("needs the Wine session of tools/wine_session.sh")
    with scan_namespace("tol20_scan_%d" % os.getpid(), LIVE) as name:
        with SnmpAgent([SNMP_HOST], namespace=name) as agent:
            with netns.wine_session(name, prefix_name="tol20_prefix_") as wine:
                yield name, agent, wine


def scan(wine, lines, tail=()):
    commands = SESSION.prologue() + ["add " + line.replace("\t", "\\t") for line in lines]
    return wine.run_script(commands + list(tail) + SESSION.epilogue(), timeout=180)


def by_test(records, test_id):
    return [r for r in records if r.test_id == test_id]


def test_scan_finds_the_hosts_fping_finds_and_what_snmp_says(net):
    name, agent, wine = net
    alive, _ = fping("127.0.20.1", "127.0.20.254", namespace=name)
    assert alive == set(LIVE)
    run = scan(wine, ["DCA\t21\t4\t127.0.20.1\t127.0.20.255\t%s;%s" % (SYS_UPTIME, SYS_CONTACT)],
               ["wait-data %d 120000" % (len(LIVE) + 1), "sleep 300", "get"])
    assert run.returncode == 0, run.log
    records = records_of(run)
    assert [r.texts for r in records].count(["finished"]) == 1
    assert records[-1].texts == ["finished"]
    assert all((r.type_name, r.test_id, r.location_id) == ("RESULT_SCAN", 21, 4) for r in records)
    hosts = {r.texts[0]: r for r in records[:-1]}
    assert set(hosts) == alive
    # The SNMP texts of the agent's host, as snmpget reads them at the same moment.
    identified = hosts.pop(SNMP_HOST)
    assert identified.texts[1:] == [agent.get(SNMP_HOST, "1.3.6.1.2.1.1.5.0"),
                                    agent.get(SNMP_HOST, "1.3.6.1.2.1.1.1.0"),
                                    agent.get(SNMP_HOST, SYS_OBJECT_ID),
                                    agent.get(SNMP_HOST, "1.3.6.1.2.1.1.2.0")]
    assert identified.texts[1:] == [SYS_NAME, SYS_DESCR, OBJECT_VALUE, SYS_OBJECT_ID]
    uptime, contact = identified.nested
    assert uptime.texts[0] == SYS_UPTIME and contact.texts[0] == SYS_CONTACT
    assert contact.texts[1] == agent.get(SNMP_HOST, SYS_CONTACT)
    assert uptime.texts[1].isdigit()
    # Hosts without an agent: every SNMP text empty, every listed OID without a value.
    for host, record in hosts.items():
        assert record.texts[1:] == ["N/A"] * 4, host
        assert [child.texts for child in record.nested] == [[SYS_UPTIME, "N/A"],
                                                            [SYS_CONTACT, "N/A"]]
    assert set(run.events) == {plugin_host.Event("UI4", 3, SCAN_NEW_DATA)}


def test_two_scans_at_once_keep_their_replies_apart(net):
    # The threads of both scans ping with the same identifiers (their indexes) and sequence
    # numbers; every raw socket sees every echo reply of the namespace. The silent range must
    # still report no host.
    _, _, wine = net
    run = scan(wine, ["DCA\t31\t1\t127.0.20.1\t127.0.20.7", "DCA\t32\t1\t127.0.20.100\t127.0.20.130"],
               ["wait-data 4 60000", "sleep 4000", "get"])
    assert run.returncode == 0, run.log
    records = records_of(run)
    assert [r.texts for r in by_test(records, 32)] == [["finished"]]
    live = by_test(records, 31)
    assert sorted(r.texts[0] for r in live[:-1]) == ["127.0.20.1", "127.0.20.3"]
    assert live[-1].texts == ["finished"]


def test_modify_and_delete_while_running_close_each_run_once(net):
    # Each run covers a live host without an agent at the head of a thread's slice, so a stop
    # that comes 1.5 s after the start finds that thread inside its SNMP requests.
    _, _, wine = net
    run = scan(wine, ["DCA\t41\t2\t127.0.20.150\t127.0.20.205",
                      "DCA\t42\t2\t127.0.20.150\t127.0.20.205"],
               ["sleep 1500",
                "add DCM\\t41\\t127.0.20.1\\t127.0.20.3",
                "add DCD\\t42",
                "sleep 7000", "get"])
    assert run.returncode == 0, run.log
    assert [detail for _, detail in run.entries("add")] == ["true"] * 4
    records = records_of(run)
    modified = [r.texts[0] for r in by_test(records, 41)]
    first = modified.index("finished")
    assert all(text.startswith("127.0.20.") and int(text.split(".")[3]) >= 150
               for text in modified[:first]), modified
    assert modified[first + 1:-1] == ["127.0.20.1"]
    assert modified[-1] == "finished" and modified.count("finished") == 2
    deleted = [r.texts[0] for r in by_test(records, 42)]
    assert deleted[-1] == "finished" and deleted.count("finished") == 1, deleted
    assert all(int(text.split(".")[3]) >= 150 for text in deleted[:-1]), deleted
