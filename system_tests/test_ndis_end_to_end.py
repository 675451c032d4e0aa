"""The installed agent end to end with the discovery plug-in: the reference server hands out a
range scan of three loopback addresses of 127.0.20.0/24 (snmpd answering on the first) and a
network-neighbourhood discovery of the test bed's scripted network; their RESULT_SCAN and
RESULT_DISCOVERY records come back through the agent's sends."""
from agent_install import Installation
from ndis_peer import (OBJECT_VALUE, SYS_DESCR, SYS_NAME, SYS_OBJECT_ID, NetworkProvider,
                       SnmpAgent)

from result_records import named_fields, nested_names

ACCOUNT = ("ops@example.com", "host-20")
SNMP_HOST = "127.0.20.1"


def test_scan_and_discovery_lines_come_back_as_their_records(server):
    server.queue_lines(["POL\t0\t1",
                        "DCA\t31\t5\t127.0.20.1\t127.0.20.3\t1.3.6.1.2.1.1.5.0",
                        "NSA\t32"], kind="login")

    def scan_finished(_):
        return any(r.type_name == "RESULT_SCAN" and r.texts == ["finished"]
                   for r in server.records) and \
            any(r.type_name == "RESULT_DISCOVERY" for r in server.records)

    with SnmpAgent([SNMP_HOST]), \
            NetworkProvider([("", "domain", "LAB20"), ("LAB20", "server", "\\\\127.0.20.14")]), \
            Installation(server.url, registration=ACCOUNT, plugins=["tol_ndis.dll"]) as agent:
        agent.start()
        assert server.wait_for(scan_finished, 90)
    assert server.violations == []
    scan = [r for r in server.records if r.type_name == "RESULT_SCAN"]
    assert [r.texts[0] for r in scan] == ["127.0.20.1", "127.0.20.2", "finished"]
    first = dict(named_fields(scan[0]))
    assert (first["test_id"], first["location_id"]) == (31, 5)
    assert [first[k] for k in ("sys_name", "sys_descr", "object_value", "sys_object_id")] == [
        SYS_NAME, SYS_DESCR, OBJECT_VALUE, SYS_OBJECT_ID]
    (oid,) = scan[0].nested
    assert dict(named_fields(oid, nested_names(scan[0]))) == {"oid": "1.3.6.1.2.1.1.5.0",
                                                               "value": SYS_NAME}
    assert dict(named_fields(scan[1]))["sys_name"] == "N/A"
    (found,) = [r for r in server.records if r.type_name == "RESULT_DISCOVERY"]
    assert dict(named_fields(found))["server"] == "127.0.20.14"
    assert (found.test_id, found.location_id, found.texts[1]) == (32, 0, "127.0.20.14")
