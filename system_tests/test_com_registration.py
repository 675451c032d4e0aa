"""regsvr32 registers Tolvane.PlugIns.dll and removes its registration again."""
import pytest

import winhost
from agent_install import reg_value

CLSID = "{56E5DD49-4115-48E7-9CC2-98AFE102DF4D}"
LIBID = "{EAE93A42-6B3C-4046-B9ED-2A5978A7F43D}"
APPID = "{F5931A51-DC6E-44ED-B120-2E0ECE88B133}"


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


@pytest.fixture
def registered():
    dll = windows_path(winhost.BIN_DIR / "Tolvane.PlugIns.dll")
    assert winhost.run("regsvr32", "/s", dll).returncode == 0
    yield dll
    winhost.run("regsvr32", "/s", "/u", dll)


def test_regsvr32_writes_and_removes_the_registration(registered):
    expected = [
        ("HKCR\\Tolvane.PlugIns.1", None, "TolvanePlugIn Class"),
        ("HKCR\\Tolvane.PlugIns\\CurVer", None, "Tolvane.PlugIns.1"),
        ("HKCR\\CLSID\\" + CLSID, None, "TolvanePlugIn Class"),
        ("HKCR\\CLSID\\" + CLSID, "AppID", APPID),
        ("HKCR\\CLSID\\" + CLSID + "\\InprocServer32", "ThreadingModel", "Free"),
        ("HKCR\\CLSID\\" + CLSID + "\\TypeLib", None, LIBID),
        ("HKCR\\AppID\\Tolvane.PlugIns.DLL", "AppID", APPID),
        ("HKCR\\TypeLib\\" + LIBID + "\\1.0", None, "TolvanePlugIns 1.0 Type Library"),
    ]
    for key, value, text in expected:
        assert reg_value(key, value, "REG_SZ") == text, key
    server = reg_value("HKCR\\CLSID\\" + CLSID + "\\InprocServer32", kind="REG_SZ")
    assert server.lower() == registered.lower()

    assert winhost.run("regsvr32", "/s", "/u", registered).returncode == 0
    for key, value, _ in expected:
        assert reg_value(key, value) is None, key
