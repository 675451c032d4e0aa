"""Updater.exe when the shell's copy is slow, fails, or never brings every item: a slow copy is
waited for; a failed or incomplete one ends the run with 1 before the version is written, and
the service stays deleted (so the last run finds no service and no installed program)."""
import pytest

import shell_standin
from agent_install import SETTINGS_KEY, reg_add, reg_value, service_state
from updater_bed import UpdaterBed, marked_agent

from refserver import RefServer

HOST = "127.0.24.1"


@pytest.fixture(scope="module")
def bed():
    # No registration: the agent starts no work, so the server sees nothing.
    with shell_standin.registered(), RefServer(tls=True, host=HOST) as server, \
            UpdaterBed(server.url) as updater_bed:
        yield updater_bed


@pytest.fixture
def switches(bed):
    yield shell_standin.set_switches
    shell_standin.set_switches()


def test_a_slow_copy_is_waited_for(bed, switches):
    switches(delay=3000)
    update = bed.update_folder({"Tolvane.exe": marked_agent("4.002")})
    assert bed.run_updater(update, bed.install_text, "4.002") == 0
    lines = bed.log_lines()
    checks = lines.count("Checking file '%s\\Tolvane.exe'..." % bed.install_text)
    assert checks >= 2   # missing at first, there at last
    assert lines[-1] == "Tolvane agent sucessfully updated."
    assert bed.installed_bytes("Tolvane.exe") == marked_agent("4.002")
    reg_add(SETTINGS_KEY, "Version", "4.001")


@pytest.mark.parametrize("settings, last_line, checks", [
    ({"fails": True}, "ERROR. Shell CopyHere operation failed.", 0),
    ({"leave_out": 1}, "ERROR. Copy opeartion timed out.", 100),
], ids=["copy-fails", "item-never-comes"])
def test_a_copy_that_fails_or_stays_incomplete_ends_with_1(bed, switches, settings, last_line,
                                                           checks):
    switches(**settings)
    update = bed.update_folder({"Tolvane.exe": marked_agent("4.002"), "zz.txt": b"last"})
    assert bed.run_updater(update, bed.install_text, "4.002") == 1
    lines = bed.log_lines()
    assert lines[-1] == last_line
    # Each check starts with the first item.
    assert lines.count("Checking file '%s\\Tolvane.exe'..." % bed.install_text) == checks
    assert "Updating version in the registry..." not in lines
    assert reg_value(SETTINGS_KEY, "Version") == "4.001"
    assert service_state() is None
