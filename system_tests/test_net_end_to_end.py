"""The installed agent end to end with the adapter plug-in: the reference server hands out
tol_net lines, and every send carries the adapter list first and the tests' records."""
import netns
import test_net
from agent_install import Installation

ACCOUNT = ("ops@example.com", "host-21")


def test_adapter_lines_come_back_as_adapter_results(server):
    up = netns.links_up()
    adapter = up[0] if up else test_net.MISSPELT
    server.queue_lines(["POL\t0\t1", "CHK\t0\t1",
                        "NTA\t21\t3\t%s" % adapter,
                        "NTA\t22\t3\t%s" % test_net.MISSPELT], kind="login")

    def both_reported(_):
        return {r.test_id for r in server.records if r.type_name == "RESULT_NET_ADAPTER"} >= {21, 22}

    with Installation(server.url, registration=ACCOUNT, plugins=["tol_net.dll"]) as agent:
        agent.start()
        assert server.wait_for(both_reported, 60)
    assert server.violations == []
    records = [r for r in server.records if r.type_name == "RESULT_NET_ADAPTER"]
    for record in records:
        fields = dict(test_net.named_fields(record))
        assert (fields["location_id"], fields["status"]) == (3, 0)
        assert fields["text"] == test_net.within_limits(
            adapter if record.test_id == 21 else test_net.MISSPELT)
    assert all(test_net.rates(r) == test_net.ZEROS for r in records if r.test_id == 22)
    sends = [e for e in server.exchanges if e.records]
    if up:
        # Every Get leads with the adapter list, which names the adapter tested.
        assert all(e.records[0].type_name == "RESULT_ADAPTER_LIST" for e in sends)
        assert all(adapter + "\t" in e.records[0].texts[0] for e in sends)
