"""The test bed's Shell.Application: shell_standin.dll, registered in the test prefix under the
shell's class identifier while a test needs it (Wine's shell opens no zip and does not copy
through Folder::CopyHere); Wine's own registration is put back afterwards.

    with shell_standin.registered():
        shell_standin.set_switches(delay=2000)   # copies start two seconds late
"""
import contextlib

import winhost
from agent_install import reg_add, reg_value, windows_path

CLSID = "{13709620-C279-11CE-A49E-444553540000}"
SERVER_KEY = r"HKCR\CLSID" "\\" + CLSID + r"\InprocServer32"
SWITCHES_KEY = r"HKLM\SOFTWARE\TolvaneTestBed\ShellStandIn"
# Fixed when imported: tests may point BIN_DIR at an installation folder later.
DLL = (winhost.BIN_DIR / "shell_standin.dll").resolve()


def set_switches(delay=0, fails=False, leave_out=0):
    """CopyHere switches: a delay in milliseconds, a failing call, the last items left out."""
    winhost.reg("delete", SWITCHES_KEY, "/f")
    for name, value in (("CopyDelay", delay), ("CopyFails", int(fails)),
                        ("CopyLeavesOut", leave_out)):
        if value:
            reg_add(SWITCHES_KEY, name, value, kind="REG_DWORD")


@contextlib.contextmanager
def registered():
    previous = (reg_value(SERVER_KEY), reg_value(SERVER_KEY, "ThreadingModel"))
    done = winhost.run("regsvr32", "/s", windows_path(DLL), timeout=60)
    assert done.returncode == 0, done.stderr
    try:
        yield
    finally:
        set_switches()
        winhost.run("regsvr32", "/s", "/u", windows_path(DLL), timeout=60)
        if previous[0] is not None:
            winhost.reg("add", SERVER_KEY, "/ve", "/d", previous[0], "/f")
        if previous[1] is not None:
            reg_add(SERVER_KEY, "ThreadingModel", previous[1])
