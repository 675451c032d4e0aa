"""Tolvane.exe's life as a service under faults an admin meets: a stop while the server
holds a send, and a client that never returns from its event handler."""
import time

import winhost
from agent_install import LiveClient, agent_processes, service_state, wait_until
from test_agent_service import logins

ACCOUNT = ("ops@example.com", "host-01")


def test_a_stop_during_a_held_send_leaves_no_process_behind(server, installed):
    """The server holds a send for 60 s and the service is stopped meanwhile: it reports
    STOPPED once the send's 30 s (and 5 after closing) are over, and the process is gone a
    few seconds later, whatever the stuck sending thread does; a start right after gives one
    Tolvane.exe, which logs in."""
    installed.start()
    assert server.wait_for(lambda exchanges: any(e.kind == "session" for e in exchanges), 30)
    server.queue(kind="session", delay=60)
    sent = time.monotonic()
    time.sleep(3)   # the next send is held now
    stopping = installed.stop(timeout=120)
    assert stopping.returncode == 0, stopping.stdout
    assert wait_until(lambda: service_state() == "STOPPED", 90, step=0.1)
    stopped = time.monotonic()
    assert stopped - sent >= 34, stopped - sent
    assert wait_until(lambda: not agent_processes(), 30, step=0.1)
    gone = time.monotonic() - stopped
    assert gone < 8, "Tolvane.exe lived on %.1f s after STOPPED" % gone
    earlier = len(logins(server))
    installed.start()
    assert server.wait_for(
        lambda exchanges: sum(e.kind == "login" for e in exchanges) > earlier, 30)
    assert len(agent_processes()) == 1


def test_a_client_hung_in_its_handler_holds_up_nobody_and_costs_bounded_memory(server,
                                                                                installed):
    """One client never returns from StatusChanged while another client's calls fire
    thousands of statuses: a third client hears every one of them, and the agent's memory
    does not grow with what the hung client cannot take."""
    installed.start()
    hung, served, firing = LiveClient(), LiveClient(), LiveClient()
    try:
        for live in (hung, served):
            live.send("create", "advise")
            assert live.read_until("advise") == "advise hr=0x00000000"
        hung.send("hang")
        served.send("quiet")
        firing.send("create")
        assert firing.read_until("create") == "create hr=0x00000000"
        (pid,) = agent_processes()
        proxy = "s:" + "p" * 240 + ":3128"
        # More than the hung client's bound (1,024 events) first; then more.
        firing.send("repeat\t1100\tSetProxy\t" + proxy)
        assert firing.read_until("repeat", timeout=120) == "repeat SetProxy n=1100 failed=0"
        early = winhost.rss_kb(pid)
        firing.send("repeat\t600\tSetProxy\t" + proxy)
        assert firing.read_until("repeat", timeout=300) == "repeat SetProxy n=600 failed=0"
        late = winhost.rss_kb(pid)
        served.send("waitcount\t6\t1700\t60000")
        assert served.read_until("waitcount", timeout=90) == "waitcount 6 ok 1700"
        print("agent memory: %d KiB, then %d KiB" % (early, late))
        assert late - early < 1024, "the agent grew by %d KiB" % (late - early)
    finally:
        hung.process.kill()
        hung.process.wait(30)
        for live in (served, firing):
            live.send("release")
            live.finish()
