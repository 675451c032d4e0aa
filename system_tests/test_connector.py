"""Nexolink.dll, the browser connector, as a page script would use it: created by its ProgID
in the client's process, driving the installed agent's automation object through IDispatch and
passing the agent's status events on."""
import re

import pytest

import winhost
from agent_install import Installation, LiveClient, client, reg_value, windows_path

CONNECTOR = "Nexolink.dll"
PROGID = "Tolvane.IEConnecter"
CLSID = "{1FEDCC5E-D7DD-4656-BD5D-E3B7C02DDA24}"
LIBID = "{74E61E86-D70A-464B-89A4-AA16465FB483}"
APPID = "{0FA01E62-0618-4CB7-8A39-F333E919182D}"
ACCOUNT = ("ops@example.com", "host-01")
PROXY_CHANGED = "event 6 bstr:New Proxy Server will be used for HTTP connections."
METHODS = ["StartWork", "StopWork", "GetStatus", "GetCurrentTestsList\ti:0",
           "Register\ts:a@b.c\ts:n\ts:p", "GetRegisteredEMail", "GetRegisteredName",
           "UnRegister", "SetProxy\ts:", "GetProxy", "IsTraceOn", "SetTrace\tb:0"]


def regsvr32(*switches):
    done = winhost.run("regsvr32", "/s", *switches, windows_path(CONNECTOR), timeout=60)
    assert done.returncode == 0, done.stderr


@pytest.fixture
def connector():
    regsvr32()
    yield
    regsvr32("/u")


@pytest.fixture
def agent(server, connector):
    server.queue_lines(["POL\t0\t1"], kind="login")
    with Installation(server.url, registration=ACCOUNT) as installation:
        installation.start()
        yield installation


def without_error_object(line):
    return re.sub(r" source=.*", "", line)


def through(progid, calls, timeout=90):
    """Output lines of one client that creates progid, makes the calls and releases it."""
    return client(["create\t" + progid] + ["call\t" + c for c in calls] + ["release"],
                  timeout=timeout)


def test_registration_writes_the_class_and_unregistration_removes_it(connector):
    clsid_key = r"HKCR\CLSID" "\\" + CLSID
    assert reg_value(r"HKCR\Tolvane.IEConnecter.1") == "IEConnecter Class"
    assert reg_value(r"HKCR\Tolvane.IEConnecter.1\CLSID") == CLSID
    assert reg_value(r"HKCR\Tolvane.IEConnecter\CLSID") == CLSID
    assert reg_value(r"HKCR\Tolvane.IEConnecter\CurVer") == "Tolvane.IEConnecter.1"
    assert reg_value(clsid_key) == "IEConnecter Class"
    assert reg_value(clsid_key + r"\ProgID") == "Tolvane.IEConnecter.1"
    assert reg_value(clsid_key + r"\VersionIndependentProgID") == PROGID
    assert winhost.reg("query", clsid_key + r"\Programmable").returncode == 0
    assert reg_value(clsid_key + r"\InprocServer32").lower().endswith("nexolink.dll")
    assert reg_value(clsid_key + r"\InprocServer32", "ThreadingModel") == "Free"
    assert reg_value(clsid_key, "AppID") == APPID
    assert reg_value(clsid_key + r"\TypeLib") == LIBID
    assert reg_value(r"HKCR\AppID" "\\" + APPID) == "Nexolink"
    assert reg_value(r"HKCR\AppID\Nexolink.DLL", "AppID") == APPID
    assert reg_value(r"HKCR\TypeLib" "\\" + LIBID + r"\1.0") == "Nexolink 1.0 Type Library"

    regsvr32("/u")
    for key in [r"HKCR\Tolvane.IEConnecter", r"HKCR\Tolvane.IEConnecter.1", clsid_key,
                r"HKCR\AppID" "\\" + APPID, r"HKCR\TypeLib" "\\" + LIBID]:
        assert winhost.reg("query", key).returncode != 0, key
    regsvr32()   # for the fixture's own unregistration


def test_without_the_agent_the_connector_exists_and_every_method_fails(connector):
    lines = through(PROGID, METHODS)
    assert lines[0] == "create hr=0x00000000"
    # E_FAIL with no error object: no source, no description.
    assert lines[1:] == ["call %s hr=0x80004005 source= desc=" % m.split("\t")[0]
                         for m in METHODS]


def test_each_method_answers_as_the_agent_itself_does(agent):
    # A round that leaves the agent as it found it: running, no proxy, trace off.
    calls = ["StartWork", "GetRegisteredEMail", "GetRegisteredName", "GetCurrentTestsList\ti:1",
             "Register\tx:257\ts:host-01\ts:pw", "Register\ts:ops@example.com\ti:5\ts:pw",
             "SetProxy\ti:3128", "SetProxy\ts:127.0.24.9:3128", "GetProxy", "SetProxy\ts:",
             "GetProxy", "SetTrace\tb:-1", "IsTraceOn", "SetTrace\tb:0", "IsTraceOn",
             "StopWork", "StopWork", "GetStatus", "StartWork", "StartWork"]
    direct = through("Tolvane.QuorinAgent", calls)
    forwarded = through(PROGID, calls)
    # Results, values and HRESULTs are the agent's own. Its error object (source and
    # description) reaches the connector's caller on Windows through the COM channel; Wine's
    # channel does not carry error objects between processes, so here they are not compared.
    assert [without_error_object(line) for line in forwarded] == \
        [without_error_object(line) for line in direct]
    assert "source=Tolvane.QuorinAgent.1 desc=Tolvane Agent is already running." in direct[1]
    assert direct[-1].endswith("desc=Tolvane Agent is already running.")
    assert "call StopWork hr=0x00000000" in direct
    assert any("desc=Agent is already stopped." in line for line in direct)


def test_two_connectors_each_hear_every_status_once(agent):
    count = 12
    listeners = [LiveClient(), LiveClient()]
    for live in listeners:
        live.send("create\t" + PROGID, "advise")
        assert live.read_until("advise") == "advise hr=0x00000000"
    direct = LiveClient()
    direct.send("create", "advise")
    assert direct.read_until("advise") == "advise hr=0x00000000"
    direct.send(*["call\tSetProxy\ts:" for _ in range(count)])
    waits = ["wait\t6\t20000"] * count + ["sleep\t1000", "release"]
    for live in listeners + [direct]:
        live.send(*waits)
    heard = [live.finish() for live in [direct] + listeners]
    for lines in heard:
        assert "wait 6 timeout" not in lines
        assert [line for line in lines if line.startswith("event 6 ")] == [PROXY_CHANGED] * count


def test_a_handler_that_calls_the_connector_back_does_not_hang(agent):
    lines = client(["create\t" + PROGID, "advise", "reenter\tGetStatus",
                    "call\tSetProxy\ts:", "wait\t6\t20000", "call\tGetProxy", "release"],
                   timeout=60)
    assert "wait 6 ok" in lines
    assert any(re.match(r"handler 6 GetStatus hr=0x00000000 value=i4:\d+$", line)
               for line in lines)
    assert lines[-1] == "call GetProxy hr=0x00000000 value=bstr:"


def test_a_connector_dropped_during_a_burst_hears_nothing_after(agent):
    burst = LiveClient()
    burst.send("create")
    assert burst.read_until("create") == "create hr=0x00000000"
    listeners = [LiveClient() for _ in range(3)]
    for live in listeners:
        live.send("create\t" + PROGID, "advise")
        assert live.read_until("advise") == "advise hr=0x00000000"
    burst.send(*["call\tSetProxy\ts:" for _ in range(150)], "release")
    for live in listeners:
        live.send("wait\t6\t20000", "drop", "sleep\t2000")
    for live in listeners:
        lines = live.finish()
        assert live.process.returncode == 0, lines
        assert "drop done" in lines, lines
        after = lines[lines.index("drop done") + 1:]
        assert [line for line in after if line.startswith("event")] == []
    assert burst.finish()[-1].startswith("call SetProxy hr=0x00000000")
