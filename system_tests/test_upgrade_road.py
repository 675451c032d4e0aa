"""The whole upgrade road: the reference server hands out an upgrade it hosts itself, the agent
running as a service downloads it over HTTPS, unpacks it through the shell and starts the
Updater from it; the Updater replaces the agent, records the version and restarts the service,
whose new program logs in with the new version."""
import shutil

import pytest

import shell_standin
import winhost
from agent_install import SETTINGS_KEY, reg_add, reg_value, service_state, wait_until
from updater_bed import UPDATER, UpdaterBed, log_lines, marked_agent, zip_bytes

from refserver import RefServer

ACCOUNT = ("ops@example.com", "host-01")
HOST = "127.0.24.1"


@pytest.fixture
def server():
    with shell_standin.registered(), RefServer(accounts=[ACCOUNT], tls=True, host=HOST) as srv:
        srv.queue_lines(["POL\t0\t1"], kind="login")
        yield srv


def logged_in_with(version):
    return lambda exchanges: any(e.kind == "login" and e.header("Tol-Version") == version
                                 for e in exchanges)


def test_an_upgrade_from_the_server_reaches_the_running_service(server):
    new_agent = marked_agent("4.002")
    package = zip_bytes({"Tolvane.exe": new_agent, "Updater.exe": UPDATER.read_bytes()})
    with UpdaterBed(server.url, registration=ACCOUNT) as bed:
        reg_add(SETTINGS_KEY, "Trace", 10, kind="REG_DWORD")
        for log in bed.temp.glob("tolupdate_*.log"):
            log.unlink()
        try:
            assert server.wait_for(logged_in_with("4.001"), 60)
            server.offer_upgrade("4.002", "/upgrade/agent-4.002.zip", package, kind="session")
            assert server.wait_for(logged_in_with("4.002"), 120), log_lines(bed.temp)

            assert [(d.path, d.status, d.sent) for d in server.downloads] == [
                ("/upgrade/agent-4.002.zip", 200, len(package))]
            assert reg_value(SETTINGS_KEY, "Version") == "4.002"
            assert bed.installed_bytes("Tolvane.exe") == new_agent
            assert wait_until(lambda: service_state() == "RUNNING", 30)
            lines = log_lines(bed.temp)
            assert lines[-1] == "Tolvane agent sucessfully updated."
            temp = winhost.run("cmd", "/c", "echo %TEMP%").stdout.strip()
            assert lines[1] == "Update path: '%s\\tolupdate'" % temp
            assert server.violations == []
        finally:
            shutil.rmtree(bed.temp / "tolupdate", ignore_errors=True)
            (bed.temp / "tolupdate.zip").unlink(missing_ok=True)
