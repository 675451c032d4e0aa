"""The system description and settings as the agent reads them, under the Windows versions
that Wine can be told to report."""
import pytest

import winhost

APP_KEY = r"HKCU\Software\Wine\AppDefaults\agent_info.exe"
SETTINGS = r"HKLM\SOFTWARE\TolvaneCorp\tolvane\Settings"


def info():
    out = winhost.run("agent_info.exe", check=True).stdout
    return dict(line.split(None, 1) if " " in line.strip() else (line.strip(), "")
                for line in out.splitlines() if line.strip())


@pytest.fixture
def wine_version():
    def set_version(name):
        winhost.reg("add", APP_KEY, "/v", "Version", "/d", name, "/f")
    yield set_version
    winhost.reg("delete", APP_KEY, "/f")


@pytest.mark.parametrize("version, start", [
    ("win2k", "Microsoft Windows 2000 Professional Service Pack 4 (build 2195)"),
    ("vista", "Microsoft Windows Vista "),
    ("win2008", "Microsoft Windows Server 2008 "),
    ("win8", "Microsoft Windows 8 "),
    # Later Windows answer GetVersionExA as Windows 8 (6.2, build 9200) unless the program
    # declares itself compatible: the description takes the system's own numbers.
    ("win81", "Microsoft Windows 8.1 "),
    ("win10", "Microsoft Windows 10 "),
])
def test_system_description(wine_version, version, start):
    wine_version(version)
    system = info()["System:"]
    assert system.startswith(start), system
    if version in ("win81", "win10"):
        assert "(build 9200)" not in system, system
    if version != "win2k":
        assert system.endswith(" 64-bit" if winhost.ARCH == "x86_64" else " 32-bit")


def test_settings_are_read_from_the_registry():
    winhost.reg("add", SETTINGS, "/v", "Host", "/d", "https://127.0.0.1:8443/fcgi-bin/agentgateway", "/f")
    winhost.reg("add", SETTINGS, "/v", "Trace", "/t", "REG_DWORD", "/d", "10", "/f")
    try:
        values = info()
        assert values["Host:"] == "https://127.0.0.1:8443/fcgi-bin/agentgateway"
        assert values["Trace:"] == "10"
        assert values["E-Mail:"] == "(not set)"
    finally:
        winhost.reg("delete", SETTINGS, "/f")
