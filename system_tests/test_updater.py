"""Updater.exe end to end, on the agent installed as a running service: the update replaces the
installed program, the version is recorded and the service runs the new program; and what the
Updater does with bad arguments, a service that is not there or not running, a missing Settings
key and a service that will not start."""
import pytest

import shell_standin
import winhost
from agent_install import (AGENT_KEY, SERVICE, SETTINGS_KEY, agent_processes, reg_value,
                           service_state, wait_until)
from updater_bed import EXIT_BAD_ARGUMENTS, UpdaterBed, marked_agent, process_table

from refserver import RefServer

ACCOUNT = ("ops@example.com", "host-01")
HOST = "127.0.24.1"
RECORDER = winhost.BIN_DIR / "upgrade_recorder.exe"


@pytest.fixture(scope="module")
def server():
    with RefServer(accounts=[ACCOUNT], tls=True, host=HOST) as srv:
        srv.queue_lines(["POL\t0\t1"], kind="login")
        yield srv


@pytest.fixture(scope="module")
def bed(server):
    """One installation for the module: each test leaves the service running, or the last
    one breaks it."""
    with shell_standin.registered(), UpdaterBed(server.url, registration=ACCOUNT) as updater_bed:
        yield updater_bed


def without_searches(lines):
    """The log without the lines of processes found: whether the stopped agent was still
    there to be ended depends on timing."""
    return [line for line in lines if line != "Process found. Terminating..."]


def test_the_update_replaces_the_agent_and_the_service_runs_the_new_one(bed, server):
    new_agent = marked_agent("4.002")
    update = bed.update_folder({"Tolvane.exe": new_agent, "lib/extra.txt": b"extra"})
    install = bed.install_text
    assert bed.run_updater(update, install, "4.002") == 0

    lines = without_searches(bed.log_lines())
    assert lines[0].startswith("Starting update... Command line: '")
    checks = [line for line in lines if line.startswith("Checking file ")]
    assert checks[-2:] == ["Checking file '%s\\lib'..." % install,
                           "Checking file '%s\\Tolvane.exe'..." % install]
    assert [line for line in lines[1:] if line not in checks] == [
        "Update path: '%s'" % update,
        "Install path: '%s'" % install,
        "Version number: '4.002'",
        "Agent path: '%s\\Tolvane.exe'" % install,
        "Controller path: '%s\\Controller.exe'" % install,
        "Trying to open SC Manager...",
        "Trying to open Tolvane service...",
        "Stopping Tolvane service...",
        "Tolvane service stopped. Deleting...",
        "Searching for process 'Tolvane.exe'...",
        "Searching for process 'Controller.exe'...",
        "Deleting source items from destination folder...",
        "Deleting file '%s\\lib'..." % install,
        "Deleting file '%s\\Tolvane.exe'..." % install,
        "Copying files from '%s' to '%s'..." % (update, install),
        "Updating version in the registry...",
        "Executing '%s\\Tolvane.exe' with command line '-service'..." % install,
        "Trying to open SC Manager...",
        "Trying to open Tolvane service...",
        "Starting Tolvane service...",
        "Tolvane agent sucessfully updated."]

    assert reg_value(SETTINGS_KEY, "Version") == "4.002"
    assert bed.installed_bytes("Tolvane.exe") == new_agent
    assert bed.installed_bytes("lib/extra.txt") == b"extra"
    assert wait_until(lambda: service_state() == "RUNNING", 30)
    assert agent_processes()
    # The new program reads the new version: its login says so.
    assert server.wait_for(lambda exchanges: any(
        e.kind == "login" and e.header("Tol-Version") == "4.002" for e in exchanges), 60)
    assert server.violations == []


@pytest.mark.parametrize("arguments, last_line", [
    (["%(update)s", "%(install)s"], None),
    (["%(update)s", "Tolvane", "4.002"], "ERROR. Install path is not an absolute path."),
], ids=["two-arguments", "relative-folder"])
def test_bad_arguments_end_the_run_before_anything_is_touched(bed, arguments, last_line):
    update = bed.update_folder({"Tolvane.exe": marked_agent("4.002")})
    values = {"update": update, "install": bed.install_text}
    before = bed.installed_bytes("Tolvane.exe")
    version = reg_value(SETTINGS_KEY, "Version")
    assert bed.run_updater(*[a % values for a in arguments]) == EXIT_BAD_ARGUMENTS
    lines = bed.log_lines()
    assert lines[0].startswith("Starting update... Command line: '")
    assert len(lines) == 1 if last_line is None else lines[-1] == last_line
    assert "Trying to open SC Manager..." not in lines
    assert bed.installed_bytes("Tolvane.exe") == before
    assert service_state() == "RUNNING"
    assert reg_value(SETTINGS_KEY, "Version") == version


def stop_service(bed):
    bed.installation.stop()
    assert wait_until(lambda: service_state() == "STOPPED", 30)
    assert wait_until(lambda: not agent_processes(), 30), process_table()


def test_a_service_not_running_or_not_installed_is_registered_and_started(bed):
    stop_service(bed)
    update = bed.update_folder({"Tolvane.exe": marked_agent("4.002")})
    assert bed.run_updater(update, bed.install_text, "4.002") == 0
    lines = bed.log_lines()
    stop = lines.index("Stopping Tolvane service...")
    # 1062: the service has not been started; it is not deleted, and the update goes on.
    assert lines[stop + 1] == "ERROR. ControlService failed with code 1062."
    assert lines[stop + 2] == "Searching for process 'Tolvane.exe'..."
    assert lines[-1] == "Tolvane agent sucessfully updated."
    assert wait_until(lambda: service_state() == "RUNNING", 30)

    # The service was not deleted under the running agent by the program's registration.
    stop_service(bed)
    assert winhost.run("sc", "delete", SERVICE, timeout=30).returncode == 0
    assert wait_until(lambda: service_state() is None, 30)
    assert bed.run_updater(update, bed.install_text, "4.003") == 0
    lines = bed.log_lines()
    opened = lines.index("Trying to open Tolvane service...")
    assert lines[opened + 1] == "Searching for process 'Tolvane.exe'..."
    assert lines[-1] == "Tolvane agent sucessfully updated."
    assert wait_until(lambda: service_state() == "RUNNING", 30)
    assert reg_value(SETTINGS_KEY, "Version") == "4.003"


def test_a_service_that_will_not_start_fails_the_update(bed):
    stop_service(bed)
    assert winhost.run("sc", "delete", SERVICE, timeout=30).returncode == 0
    missing = bed.install_text + "\\gone\\Tolvane.exe"
    assert winhost.run("sc", "create", SERVICE, "binpath=", missing,
                       timeout=30).returncode == 0
    # The update's program registers nothing: the service keeps its missing program.
    update = bed.update_folder({"Tolvane.exe": RECORDER.read_bytes()})
    assert bed.run_updater(update, bed.install_text, "4.004") == 1
    lines = bed.log_lines()
    assert lines[-2] == "Starting Tolvane service..."
    assert lines[-1].startswith("ERROR. StartService failed with code ")
    assert reg_value(SETTINGS_KEY, "Version") == "4.004"


def test_a_missing_settings_key_is_left_missing(bed):
    # The service as the last test left it: installed, stopped, its program missing; the
    # update brings the program back. Without a registration the agent started at the end starts no work (and without the
    # Host setting it would go to its built-in server).
    winhost.reg("delete", AGENT_KEY, "/f")
    winhost.reg("delete", SETTINGS_KEY, "/f")
    update = bed.update_folder({"Tolvane.exe": marked_agent("4.005")})
    assert bed.run_updater(update, bed.install_text, "4.005") == 0
    lines = bed.log_lines()
    assert "Updating version in the registry..." in lines
    assert lines[-1] == "Tolvane agent sucessfully updated."
    assert winhost.reg("query", SETTINGS_KEY).returncode != 0
