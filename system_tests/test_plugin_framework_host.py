"""The plug-in framework as the agent meets it: the test plug-in tol_fwtest.dll registered in
the prefix and driven through plugin_host.exe."""
import pytest

import plugin_host
import winhost
from agent_install import reg_value

CLSID = "{9A056451-75E0-44BE-BEA7-9F9A4100C51B}"
OTHER_CLSID = "{85DE5A01-418E-4421-8747-17B559DAF1C6}"
APPID = "{E11B3172-6D33-448F-B663-7694568A985C}"
LIBID = "{DFEDF531-8BD1-49B1-88CD-567630AACD09}"
PROGID = "Tolvane.PlugIns.TESTmonitoring.1"
PLUGINS_KEY = r"HKLM\SOFTWARE\TolvaneCorp\tolvane\Plug-Ins"
NEW_DATA = "tol_fwtest: New data is available."

SESSION = plugin_host.Session("tol_fwtest.dll", CLSID)


def key_exists(key):
    return winhost.reg("query", key).returncode == 0


@pytest.fixture
def registered():
    run = plugin_host.run_script(["load tol_fwtest.dll", "register"])
    assert run.entries("DllRegisterServer") == [(plugin_host.S_OK, "")]
    yield
    plugin_host.run_script(["load tol_fwtest.dll", "unregister"])


def test_registration_writes_the_class_and_the_plug_in_entry(registered):
    expected = {
        (r"HKCR\Tolvane.PlugIns.TESTmonitoring.1", None): "TESTmonitoring Class",
        (r"HKCR\Tolvane.PlugIns.TESTmonitoring.1\CLSID", None): CLSID,
        (r"HKCR\Tolvane.PlugIns.TESTmonitoring", None): "TESTmonitoring Class",
        (r"HKCR\Tolvane.PlugIns.TESTmonitoring\CLSID", None): CLSID,
        (r"HKCR\Tolvane.PlugIns.TESTmonitoring\CurVer", None): PROGID,
        (r"HKCR\CLSID" "\\" + CLSID, None): "TESTmonitoring Class",
        (r"HKCR\CLSID" "\\" + CLSID, "AppID"): APPID,
        (r"HKCR\CLSID" "\\" + CLSID + r"\ProgID", None): PROGID,
        (r"HKCR\CLSID" "\\" + CLSID + r"\VersionIndependentProgID", None):
            "Tolvane.PlugIns.TESTmonitoring",
        (r"HKCR\CLSID" "\\" + CLSID + r"\InprocServer32", "ThreadingModel"): "Free",
        (r"HKCR\CLSID" "\\" + CLSID + r"\TypeLib", None): LIBID,
        (r"HKCR\AppID" "\\" + APPID, None): "tol_fwtest",
        (r"HKCR\AppID\tol_fwtest.DLL", "AppID"): APPID,
        (PLUGINS_KEY + "\\" + CLSID, "Name"): "tol_fwtest",
        (PLUGINS_KEY + "\\" + CLSID, "Vendor"): "Tolvane Inc.",
        (PLUGINS_KEY + "\\" + CLSID, "Description"): "Framework test plug-in",
    }
    for (key, name), value in expected.items():
        assert reg_value(key, name) == value, (key, name)
    module = reg_value(r"HKCR\CLSID" "\\" + CLSID + r"\InprocServer32")
    assert module.lower().endswith("tol_fwtest.dll")
    assert key_exists(r"HKCR\CLSID" "\\" + CLSID + r"\Programmable")


def test_unregistration_removes_the_class_and_leaves_the_parents():
    plugin_host.run_script(["load tol_fwtest.dll", "register"])
    run = plugin_host.run_script(["load tol_fwtest.dll", "unregister"])
    assert run.entries("DllUnregisterServer") == [(plugin_host.S_OK, "")]
    for key in (PLUGINS_KEY + "\\" + CLSID, r"HKCR\CLSID" "\\" + CLSID,
                r"HKCR\Tolvane.PlugIns.TESTmonitoring.1", r"HKCR\Tolvane.PlugIns.TESTmonitoring",
                r"HKCR\AppID\tol_fwtest.DLL", r"HKCR\AppID" "\\" + APPID):
        assert not key_exists(key), key
    assert key_exists(PLUGINS_KEY)


def test_handshake_refusals_and_acceptance():
    half = CLSID[:len(CLSID) // 2]
    run = plugin_host.run_script([
        "load tol_fwtest.dll", "register", "create " + CLSID,
        "get", "init i4", "init empty", "init for " + OTHER_CLSID, "init text " + half,
        "init", "init", "release", "unregister", "unload"])
    prefix = PROGID + ": "
    refused = prefix + "The Class Initializsation failed."
    no_auth = prefix + "The string authentication is not specified."
    assert run.entries("get") == [(plugin_host.E_FAIL, "VT0 " + prefix +
                                   "Please, Initialize the class first.")]
    assert run.entries("init") == [
        (plugin_host.E_FAIL, no_auth), (plugin_host.E_FAIL, no_auth),
        (plugin_host.E_FAIL, refused), (plugin_host.E_FAIL, refused),
        (plugin_host.S_OK, "TSATSDTSP"),
        (plugin_host.E_FAIL, prefix + "The Class already initialised.")]
    assert run.returncode == 0


def test_results_travel_through_get_and_on_new_data():
    run = SESSION.run([
        "get", "add TSA\\t5\\t7", "wait-data 1 20000", "get", "get",
        "add TSA\\t6\\t8", "wait-data 3 20000", "get"])
    assert run.returncode == 0, run.log
    gets = run.entries("get")
    assert [hr for hr, _ in gets] == [plugin_host.E_PENDING, plugin_host.S_OK,
                                      plugin_host.E_PENDING, plugin_host.S_OK]
    assert gets[0][1] == "null"
    first, second = run.results
    record = plugin_host.parse_record(first)
    assert record.header[0] == len(first)
    assert record.ui32 == [99, 5, 7, 1]
    assert record.texts == ["check-now"]
    # The second pass measured both tests: two records in one stream, in posting order.
    assert [plugin_host.parse_record(r).ui32 for r in plugin_host.split_stream(second)] == \
        [[99, 5, 7, 2], [99, 6, 8, 2]]
    data = [e for e in run.events if e.text == NEW_DATA]
    assert len(data) == 3 and all(e.kind == "UI4" and e.value == 3 for e in data)
    assert plugin_host.Event("I4", -5, "tol_fwtest: pass 1 check-now") in run.events


def test_check_period_changes_are_seen_in_timer_passes():
    run = SESSION.run([
        "set 1 i4 0", "set 1 i4 -5", "set 1 i4 300",
        "set 1 i4 1", "wait-events 4 20000",
        "set 1 i4 2", "wait-events 8 20000", "set 4 empty", "set 9 i4 1"])
    assert all(hr == plugin_host.S_OK for hr, _ in run.entries("set"))
    starts = [t for t in run.texts("I4") if t.endswith(" timer")]
    assert starts[:4] == ["tol_fwtest: pass %d timer" % n for n in (1, 2, 3, 4)]


def test_release_during_a_pass_leaves_no_thread_in_the_unloaded_dll():
    # The pass ignores the stop event for 3 s; once the object is released and the DLL is
    # gone, a thread left running in it would crash the host before its last command.
    run = plugin_host.run_script(
        SESSION.prologue() +
        ["add TSP\\t3000\\t0", "add TSA\\t1\\t1", "wait-events 2 20000", "release",
         "canunload", "unregister", "unload", "sleep 4000", "canunload"])
    assert run.returncode == 0, run.log
    assert "tol_fwtest: pass 1 check-now" in run.texts()
    assert run.entries("release") == [(plugin_host.S_OK, "")]
    assert run.entries("DllCanUnloadNow")[0] == (plugin_host.S_OK, "")
    assert run.log[-1].startswith("DllCanUnloadNow")
