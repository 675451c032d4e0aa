"""The remote walks of the memory and processor plug-ins (tol_mem's storage table, tol_cpu's
processor load column) against an SNMP agent that answers every GETNEXT inside the subtree for
ever (endless_snmp_agent.py on 127.0.47.x:161), driven through plugin_host.exe with the SNMP
API bound and started in its process.

The pass that walks holds the test list: a line added meanwhile waits for it. The walk is given
up one row past its cap and the test reports status 10 (its walk could not be made); the line
that waited is then taken; and releasing the plug-in while the next pass walks again ends that
walk at its next step."""
import pytest

import plugin_host
from endless_snmp_agent import EndlessAgent
from host_records import records
from plugin_host import add

from result_records import named_fields

MAX_ROWS = 10000  # the walk's cap (README)
WAIT_S = 900      # a bound for a wedged host, not a figure: a capped walk is 10,001 requests

PLUG_INS = [
    pytest.param("tol_mem.dll", "{85DE5A01-418E-4421-8747-17B559DAF1C6}", "127.0.47.1",
                 "1.3.6.1.2.1.25.2.3.1.3", "MMA\t1\t1\t-1\t-1\t-1\t-1\t-1\t%s", "MMA\t2\t1\t-1\t-1\t-1",
                 "RESULT_MEMORY", "tol_mem: remote test: GetOIDValuesFromHost failed: retVal: -1",
                 id="tol_mem"),
    pytest.param("tol_cpu.dll", "{5910CF6F-7C90-4356-980C-0C04F0BBC6CC}", "127.0.47.2",
                 "1.3.6.1.2.1.25.3.3.1.2", "CUA\t1\t1\t-1\t-1\t-1\t-1\t-1\t%s", "CUA\t2\t1\t-1\t-1\t-1\t-1\t-1",
                 "RESULT_CPU", "tol_cpu: remote test: GetOIDValuesFromHost failed: retVal: 4",
                 id="tol_cpu"),
]


@pytest.mark.parametrize("dll, clsid, host, root, remote, local, type_name, failed", PLUG_INS)
def test_an_endless_walk_is_given_up_and_stop_ends_it(dll, clsid, host, root, remote, local,
                                                       type_name, failed):
    with EndlessAgent(host, root) as agent:
        session = plugin_host.Session(dll, clsid, snmp=True)
        with session.live(timeout=WAIT_S) as live:
            live.send(add(remote % host))
            # The check-now pass walks and holds the test list: the next line waits for it.
            live.wait(lambda run: agent.walks, timeout=WAIT_S)
            live.send(add(local))
            live.wait(lambda run: len(run.entries("add")) == 2, timeout=WAIT_S)
            live.send("get")
            live.wait(lambda run: run.entries("get"), timeout=WAIT_S)
            # Released while the next check-now pass walks again.
            live.wait(lambda run: len(agent.walks) > 1 and agent.walks[1] > 10, timeout=WAIT_S)
        walks = list(agent.walks)
    run = live.run
    assert run.returncode == 0, run.log
    assert run.entries("add") == [(plugin_host.S_OK, "true")] * 2
    assert run.entries("release") == [(plugin_host.S_OK, "")]
    # The first walk went one row past the cap, and not a step further.
    assert walks[0] == MAX_ROWS + 1
    results = records(run, type_name)
    assert results and results[0].test_id == 1
    for record in results:
        if record.test_id == 1:
            assert dict(named_fields(record))["status"] == 10, dict(named_fields(record))
    assert failed in run.texts("I4")
