"""The event-log plug-in in the installed agent: the reference server hands out LEA lines and
the records come back decoded. Wine keeps no event log of its own: the local Application log
opens and stays empty, and a remote host's log cannot be reached (the RPC server is
unavailable), which comes back as a status 2 result with the system's text."""
from agent_install import Installation

ACCOUNT = ("ops@example.com", "host-19")


def event_log_records(server):
    return [r for r in server.records if r.type_name == "RESULT_EVENT_LOG"]


def test_event_log_lines_come_back_as_event_log_results(server):
    server.queue_lines(["POL\t0\t1",
                        "LEA\t11\t2\t\tApplication\t1,2,4",
                        "LEA\t12\t2\t127.0.19.1\tSystem\t1,2"], kind="login")
    with Installation(server.url, registration=ACCOUNT, plugins=["tol_eventlog.dll"]) as agent:
        agent.start()
        assert server.wait_for(lambda _: any(r.test_id == 12 for r in event_log_records(server)),
                               60)
        # Some more exchanges: the local test, added and read, reports nothing.
        sessions = len(server.exchanges)
        assert server.wait_for(lambda _: len(server.exchanges) >= sessions + 3, 30)
    assert server.violations == []
    (remote,) = event_log_records(server)
    assert (remote.test_id, remote.location_id, remote.ui32[3], remote.nested) == (12, 2, 2, [])
    (text,) = remote.texts
    assert text.startswith("Failed with error 1722: "), text
    assert "Unknown Error." not in text
