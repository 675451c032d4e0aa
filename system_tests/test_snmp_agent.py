"""The installed agent end to end with the SNMP plug-in: the reference server hands out SPA
lines, the service gives them to tol_snmp, whose requests go to Debian's snmpd on 127.0.23.1,
and the RESULT_SNMP records come back decoded, their values as snmpget reads them."""
import os
import tempfile

import pytest

from agent_install import Installation
from netsnmp_values import netsnmp

import netsnmp_peer
from netsnmp_peer import COMMUNITY
from result_records import named_fields, nested_names

ACCOUNT = ("ops@example.com", "host-01")
HOST = "127.0.23.1"
SYS_NAME, IF_DESCR_1, MINUS_FIVE = "1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.2.2.1.2.1", "1.3.6.1.4.1.99999.1.1.0"


@pytest.fixture
def agent():
    a = netsnmp_peer.Agent(HOST, prefix="tol23_snmpd_",
                           parent=os.path.join(os.environ.get("TOL_BUILD_DIR", tempfile.gettempdir()),
                                               "tol23_snmp"),
                           extra_conf=[f"rocommunity {COMMUNITY} 127.0.23.0/24"])
    yield a
    a.stop()


def snmp_records(server):
    return [r for r in server.records if r.type_name == "RESULT_SNMP"]


def test_spa_lines_come_back_as_snmp_results(server, agent):
    oids = [SYS_NAME, IF_DESCR_1, MINUS_FIVE]
    server.queue_lines([
        "POL\t0\t1",
        "SPA\t5\t3\t%s\t%d\t2\t%s\t%s\t\t\t\t\t\t2\t1\t;;0,10" % (HOST, agent.port, ";".join(oids), COMMUNITY),
        "SPA\t6\t3\t%s\t%d\t1\t%s\ttol23wrong\t\t\t\t\t\t1\t1\t\t" % (HOST, agent.port, SYS_NAME),
    ], kind="login")
    with Installation(server.url, registration=ACCOUNT, plugins=["tol_snmp.dll"]) as installed:
        installed.start()
        assert server.wait_for(lambda _: {r.test_id for r in snmp_records(server)} >= {5, 6}, 60)
    theirs = netsnmp(agent, *oids)
    assert server.violations == []
    by_test = {r.test_id: r for r in snmp_records(server)}
    good, bad = by_test[5], by_test[6]
    fields = dict(named_fields(good))
    assert (fields["location_id"], fields["status"], fields["answered"], fields["text"]) == (
        3, 0, 0, "New results are available.\n")
    assert fields["elapsed_ms"] > 0
    names = nested_names(good)
    entries = [dict(named_fields(child, names)) for child in good.nested]
    assert [(e["syntax"], e["value"], e["status"]) for e in entries] == [
        (*theirs[SYS_NAME], 0), (*theirs[IF_DESCR_1], 0), (9, "-5", 2)]
    assert entries[2]["status_text"] == (f"OID:       {MINUS_FIVE}\nValue:     -5\n"
                                         "Min Value: 0\nMax Value: 10\n")
    failed = dict(named_fields(bad))
    assert (failed["status"], failed["elapsed_ms"], failed["oid_count"], failed["text"]) == (
        3, 0.0, 1, "Request timed out")
