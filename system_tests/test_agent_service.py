"""Tolvane.exe as an administrator runs it: registration switches, the Windows service, local
automation clients (agent_client.exe) and the exchange with a reference server."""
import winhost
from agent_install import (AGENT_KEY, SERVICE, LiveClient, agent,
                           agent_processes, client, reg_value, service_state, wait_until,
                           windows_path)

from recording_proxy import RecordingProxy

ACCOUNT = ("ops@example.com", "host-01")
APPID = "{CBD1FEEE-5109-4B9E-9466-50CC5AC5CD5C}"
CLSID = "{5BDBCB07-9ECD-4F3A-A77E-8E491683648D}"
LIBID = "{A1266868-32A7-42E8-93FD-3815748268AF}"
SERVICE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services" "\\" + SERVICE
EVENT_SOURCE_KEY = (r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application" "\\"
                    + SERVICE)
E_FAIL = "hr=0x80004005 source=Tolvane.QuorinAgent.1 desc="


def logins(server):
    return [e for e in server.exchanges if e.kind == "login"]


def test_regserver_registers_the_server_and_unregserver_removes_it():
    try:
        assert agent("/RegServer").returncode == 0
        expected = {
            (r"HKCR\AppID" "\\" + APPID, None): "Tolvane",
            (r"HKCR\AppID\Tolvane.EXE", "AppID"): APPID,
            (r"HKCR\Tolvane.QuorinAgent\CurVer", None): "Tolvane.QuorinAgent.1",
            (r"HKCR\Tolvane.QuorinAgent.1\CLSID", None): CLSID,
            (r"HKCR\CLSID" "\\" + CLSID, None): "QuorinAgent Class",
            (r"HKCR\CLSID" "\\" + CLSID, "AppID"): APPID,
            (r"HKCR\CLSID" "\\" + CLSID + r"\LocalServer32", None):
                '"%s"' % windows_path("Tolvane.exe"),
            (r"HKCR\CLSID" "\\" + CLSID + r"\TypeLib", None): LIBID,
            (r"HKCR\TypeLib" "\\" + LIBID + r"\1.0", None): "Tolvane 1.0 Type Library",
            (EVENT_SOURCE_KEY, "EventMessageFile"): windows_path("Tolvane.exe"),
            (EVENT_SOURCE_KEY, "TypesSupported"): "0x7",
        }
        for (key, name), value in expected.items():
            assert reg_value(key, name) == value, (key, name)
        assert winhost.reg("query", r"HKCR\CLSID" "\\" + CLSID + r"\Programmable").returncode == 0
        # A plain local server: no service, no LocalService.
        assert reg_value(r"HKCR\AppID" "\\" + APPID, "LocalService") is None
        assert service_state() is None
    finally:
        assert agent("/UnregServer").returncode == 0
    for key in (r"HKCR\AppID" "\\" + APPID, r"HKCR\CLSID" "\\" + CLSID,
                r"HKCR\Tolvane.QuorinAgent", r"HKCR\TypeLib" "\\" + LIBID, EVENT_SOURCE_KEY):
        assert winhost.reg("query", key).returncode != 0, key


def test_per_user_registration_stays_in_the_users_classes():
    user_class = r"HKCU\Software\Classes\CLSID" "\\" + CLSID
    try:
        assert agent("/RegServerPerUser").returncode == 0
        assert reg_value(user_class + r"\LocalServer32", None) == '"%s"' % windows_path(
            "Tolvane.exe")
        assert reg_value(r"HKCU\Software\Classes\Tolvane.QuorinAgent\CLSID", None) == CLSID
        assert winhost.reg("query", r"HKLM\Software\Classes\CLSID" "\\" + CLSID).returncode != 0
        assert service_state() is None
    finally:
        assert agent("/UnregServerPerUser").returncode == 0
    assert winhost.reg("query", user_class).returncode != 0


def test_service_switch_installs_an_automatic_service_that_regserver_takes_back():
    try:
        assert agent("-Service").returncode == 0
        assert service_state() == "STOPPED"
        assert reg_value(SERVICE_KEY, "Start") == "0x2"
        assert reg_value(SERVICE_KEY, "Description") == "Tolvane internal monitoring tool."
        assert reg_value(SERVICE_KEY, "ImagePath") == '"%s"' % windows_path("Tolvane.exe")
        assert reg_value(r"HKCR\AppID" "\\" + APPID, "LocalService") == SERVICE
        # Registering again as a plain server removes the service.
        assert agent("/RegServer").returncode == 0
        assert service_state() is None
        assert reg_value(r"HKCR\AppID" "\\" + APPID, "LocalService") is None
    finally:
        agent("/UnregServer")
    assert service_state() is None


def test_service_logs_in_and_clients_hear_its_statuses(server, installed):
    installed.start()
    assert server.wait_for(lambda exchanges: any(e.kind == "session" for e in exchanges), 30)
    login = logins(server)[0]
    assert (login.header("Tol-EMail"), login.header("Tol-AName")) == ACCOUNT
    with RecordingProxy() as proxy:
        live = LiveClient()
        live.send("create", "advise", "call\tGetStatus", "call\tSetProxy\ts:" + proxy.address,
                  "wait\t6\t10000", "call\tGetProxy")
        assert live.read_until("call GetProxy") == ("call GetProxy hr=0x00000000 value=bstr:"
                                                    + proxy.address)
        # The kept-alive connection to the server ends; every later one goes through the proxy.
        server.queue(close=True)
        served = len(server.exchanges)
        assert server.wait_for(lambda exchanges: len(exchanges) > served, 10)
        direct = len(server.exchanges)
        live.send("call\tRegister\ts:ops@example.com\ts:host-01\ts:secret", "wait\t7\t10000",
                  "wait\t3\t20000", "call\tGetRegisteredEMail", "call\tGetRegisteredName",
                  "call\tSetProxy\ts:", "wait\t6\t10000", "call\tGetProxy", "release")
        lines = live.finish()
        assert "call GetStatus hr=0x00000000 value=i4:3" in lines
        assert ("event 7 bstr:Registration info will be set after Tolvane server approval."
                in lines)
        assert "event 3 bstr:Authorization is successfully finished." in lines
        assert "call GetRegisteredEMail hr=0x00000000 value=bstr:ops@example.com" in lines
        assert "call GetRegisteredName hr=0x00000000 value=bstr:host-01" in lines
        assert lines.count("event 6 bstr:New Proxy Server will be used for HTTP connections.") == 2
        assert lines[-2:] == ["wait 6 ok", "call GetProxy hr=0x00000000 value=bstr:"]
        relogin = [e for e in server.exchanges[direct:] if e.kind == "login"]
        assert relogin, "the new registration did not log in again"
        tunnels = [r for r in proxy.requests if r.method == "CONNECT"]
        assert tunnels and {r.target for r in tunnels} == {"127.0.0.1:%d" % server.port}
    assert reg_value(AGENT_KEY, "Password") == "5ebe2294ecd0e0f08eab7690d2a6ee69"  # md5 "secret"
    assert server.violations == []


def test_argument_checks_answer_across_processes(server, installed):
    installed.start()
    lines = client([
        "create",
        "call\tRegister\tx:256\ts:host-01\ts:pw",
        "call\tRegister\tx:257\ts:host-01\ts:pw",
        "call\tRegister\ts:ops@example.com\ti:5\ts:pw",
        "call\tRegister\ts:ops@example.com\ts:host\\r\\nX-Injected: 1\ts:pw",
        "call\tRegister\ts:ops@example.com\ts:host-01\ts:",
        "call\tSetProxy\ti:3128",
        "call\tSetProxy\tx:257",
        "call\tSetProxy\ts:",
        "call\tSetTrace\tb:1", "call\tIsTraceOn",
        "call\tSetTrace\tb:-1", "call\tIsTraceOn", "call\tSetTrace\tb:0",
        "call\tStartWork",
        "release"])
    assert lines == [
        "create hr=0x00000000",
        "call Register hr=0x00000000",
        "call Register " + E_FAIL +
        "The length of the user e-mail address cannot be 0 or more than 256 symbols.",
        "call Register " + E_FAIL + "The Agent Name should be a text.",
        "call Register " + E_FAIL +
        "The Agent Name cannot contain control characters (such as line breaks or tabs).",
        "call Register " + E_FAIL +
        "The length of the password cannot be 0 or more than 256 symbols.",
        "call SetProxy " + E_FAIL + "The Proxy Server Name should be a text.",
        "call SetProxy " + E_FAIL +
        "The length of the Proxy Server Name cannot be 0 or more than 256 symbols.",
        "call SetProxy hr=0x00000000",
        "call SetTrace hr=0x00000000", "call IsTraceOn hr=0x00000000 value=bool:0",
        "call SetTrace hr=0x00000000", "call IsTraceOn hr=0x00000000 value=bool:-1",
        "call SetTrace hr=0x00000000",
        "call StartWork " + E_FAIL + "Tolvane Agent is already running.",
    ]


def test_a_handler_that_calls_the_agent_back_does_not_hang_it(server, installed):
    installed.start()
    lines = client([
        "create", "advise", "reenter\tSetProxy\ts:",
        "call\tRegister\ts:ops@example.com\ts:host-01\ts:pw", "wait\t7\t10000",
        "reenter\tGetStatus", "wait\t6\t10000", "call\tGetStatus", "release"], timeout=60)
    assert "handler 7 SetProxy hr=0x00000000" in lines
    assert any(line.startswith("handler 6 GetStatus hr=0x00000000 value=i4:") for line in lines)
    assert lines[-1].startswith("call GetStatus hr=0x00000000")


def test_net_stop_tells_every_client_and_the_program_ends(server, installed):
    installed.start()
    assert server.wait_for(lambda exchanges: any(e.kind == "session" for e in exchanges), 30)
    clients = [LiveClient(), LiveClient()]
    for live in clients:
        live.send("create", "advise")
        assert live.read_until("advise") == "advise hr=0x00000000"
        live.send("wait\t8\t60000")
    done = installed.stop()
    assert done.returncode == 0, done.stdout
    for live in clients:
        assert live.read_until("wait 8") == "wait 8 ok"
        assert "event 8 bstr:Service is stopped." in live.finish()
    assert wait_until(lambda: not agent_processes(), 30)
    assert service_state() == "STOPPED"


def test_activation_starts_the_service(server, installed):
    assert service_state() == "STOPPED"
    lines = client(["create", "call\tGetStatus", "release"])
    assert lines[0] == "create hr=0x00000000"
    assert service_state() == "RUNNING"
    assert server.wait_for(lambda exchanges: any(e.kind == "login" for e in exchanges), 30)
