"""The process plug-in in the installed agent: the reference server hands out process tests,
the service runs them, and the process list and process records come back decoded."""
from agent_install import Installation

from result_records import named_fields

ACCOUNT = ("ops@example.com", "host-17")


def fields(server, type_code):
    return [dict(named_fields(r)) for r in server.records if r.type == type_code]


def test_process_tests_come_back_as_process_results(server):
    server.queue_lines(["POL\t0\t1",
                        "PRA\t9\t3\t-1\t-1\t-1\tTolvane.exe",
                        "PRA\t10\t3\t-1\t-1\t-1\ttol17_absent.exe"], kind="login")
    with Installation(server.url, registration=ACCOUNT, plugins=["tol_proc.dll"]) as agent:
        agent.start()
        assert server.wait_for(
            lambda _: {r["test_id"] for r in fields(server, 43)} >= {9, 10}, 60)
    assert server.violations == []
    listings = fields(server, 42)
    assert listings and all(r["test_id"] == 0 and r["location_id"] == 0 for r in listings)
    assert "Tolvane.exe\t" in listings[-1]["names"]
    by_test = {r["test_id"]: r for r in fields(server, 43)}
    agent_record, absent = by_test[9], by_test[10]
    assert agent_record["location_id"] == 3
    assert agent_record["pid"] > 0
    assert (agent_record["status"], agent_record["text"]) == (0, "N/A")
    assert agent_record["wss"] > 1
    assert (absent["pid"], absent["status"], absent["text"]) == (0, 3,
                                                                 "The process is not running")
    # Every send begins with a process list: tol_proc's Get puts one first, every time.
    sends = [e for e in server.exchanges if e.records]
    assert sends and all(e.records[0].type == 42 for e in sends)
