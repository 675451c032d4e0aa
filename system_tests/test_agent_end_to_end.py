"""The installed agent end to end: the reference server hands out test lines, the service
gives them to its plug-ins, and the plug-ins' result records come back decoded."""
from agent_install import Installation

ACCOUNT = ("ops@example.com", "host-01")
# A label longer than 63 characters: the name fails to resolve without a query on the wire.
UNRESOLVABLE = "a" * 70 + ".invalid"


def icmp_records(server):
    return [r for r in server.records if r.type_name == "RESULT_ICMP"]


def test_ping_lines_come_back_as_ping_results(server):
    server.queue_lines(["POL\t0\t1",
                        "PGA\t5\t3\t127.0.0.1\t32\t2\t1000\t-1",
                        "PGA\t6\t3\t%s\t32\t2\t1000\t-1" % UNRESOLVABLE], kind="login")
    with Installation(server.url, registration=ACCOUNT, plugins=["tol_icmp.dll"]) as agent:
        agent.start()
        assert server.wait_for(lambda _: {r.test_id for r in icmp_records(server)} >= {5, 6}, 60)
    assert server.violations == []
    by_test = {r.test_id: r for r in icmp_records(server)}
    answered, failed = by_test[5], by_test[6]
    assert (answered.location_id, answered.ui32[3:]) == (3, [0, 0])
    assert 0 < answered.d64[0] < 1000
    assert answered.texts[0].startswith("ICMP echo results are within acceptable limits.")
    assert failed.ui32[3:] == [2, 2]
    assert failed.texts[0].startswith("Failed with error 11001: ")
    # The records travelled compressed and checksummed.
    sends = [e for e in server.exchanges if e.records]
    assert all(int(e.header("Tol-Compression")) == len(e.body) for e in sends)
