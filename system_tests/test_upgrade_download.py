"""The agent's upgrade command with its real download thread (upgrade_probe.exe): the file
fetched over HTTPS from the reference server, a zip unpacked through the shell and the Updater
started on it, an installer started silently, and when a later command is obeyed."""
import http.client
import pathlib
import shutil
import ssl
import tempfile

import pytest

import shell_standin
import winhost
from agent_install import ROOT_KEY, SETTINGS_KEY, reg_add, wait_until, windows_path
from updater_bed import log_lines, zip_bytes

from refserver import RefServer

HOST = "127.0.24.1"
PROBE = "upgrade_probe.exe"
RECORDER = winhost.BIN_DIR / "upgrade_recorder.exe"


@pytest.fixture(scope="module")
def standin():
    with shell_standin.registered():
        yield


@pytest.fixture
def server():
    recorder = RECORDER.read_bytes()
    with RefServer(tls=True, host=HOST) as srv:
        srv.files = {
            "agent.zip": zip_bytes({"Updater.exe": recorder, "notes/readme.txt": b"4.002"}),
            "setup.exe": recorder,
            "cut.zip": zip_bytes({"Updater.exe": recorder}),
            "notes.txt": b"not an installer",
        }
        for name, data in srv.files.items():
            srv.upgrades.host("/upgrade/" + name, data, cut=100 if name == "cut.zip" else None)
        # Bodies that never end: at full speed, and a trickle of a few bytes now and then.
        srv.upgrades.host("/upgrade/endless.zip", bytes(range(256)) * 256, endless=True)
        srv.upgrades.host("/upgrade/trickle.zip", b"PK" * 8, endless=True, pause=0.2)
        yield srv


@pytest.fixture
def temp():
    """The run's temporary folder, with blanks in its name as an administrator's may have."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="tol24 upgrade temp "))
    winhost.reg("delete", ROOT_KEY, "/f")
    reg_add(SETTINGS_KEY, "Trace", 10, kind="REG_DWORD")
    yield folder
    winhost.reg("delete", ROOT_KEY, "/f")
    shutil.rmtree(folder, ignore_errors=True)


def temp_text(folder):
    """The folder as GetTempPath gives it: its Windows path and a separator."""
    return windows_path(str(folder)) + "\\"


def run_probe(server, folder, *names, version="4.002", options=()):
    arguments = list(options)
    for name in names:
        arguments += [version, "%s:%d/upgrade/%s" % (HOST, server.port, name)]
    done = winhost.run(PROBE, "--temp=" + windows_path(str(folder)), *arguments, timeout=120)
    assert done.returncode == 0, done.stdout + done.stderr
    return done.stdout.splitlines()


def trace_lines(folder):
    return log_lines(folder, "tolintagent")


def recorded(path):
    assert wait_until(path.exists, 30), path
    assert wait_until(lambda: path.stat().st_size > 0, 10)
    return path.read_text(encoding="utf-8")


def test_a_zip_is_unpacked_and_its_updater_started_with_the_four_texts(standin, server, temp):
    lines = run_probe(server, temp, "agent.zip", "setup.exe")
    # The hand-over leaves the flag set: the second command starts nothing.
    assert lines == ["upd 1 started=1 busy=1", "upd 2 started=0 busy=1"]

    t = temp_text(temp)
    install = windows_path(PROBE).rsplit("\\", 1)[0]
    command = '"%stolupdate\\Updater.exe" "%stolupdate" "%s" "4.002"' % (t, t, install)
    assert recorded(temp / "tolupdate" / "Updater.exe.cmdline") == command
    assert (temp / "tolupdate" / "notes" / "readme.txt").read_bytes() == b"4.002"

    address = "%s:%d/upgrade/" % (HOST, server.port)
    trace = [line for line in trace_lines(temp) if line.startswith("(Upgrade)")]
    checks = [line for line in trace if line.startswith("(Upgrade) Checking")]
    assert checks[-2:] == ["(Upgrade) Checking '%stolupdate\\Updater.exe'..." % t,
                           "(Upgrade) Checking '%stolupdate\\notes'..." % t]
    assert [line for line in trace if line not in checks] == [
        "(Upgrade) UPD command received: '4.002' '%sagent.zip' ''" % address,
        "(Upgrade) Downloading from 'https://%sagent.zip' (version:4.002)" % address,
        "(Upgrade) Downloaded %d bytes" % len(server.files["agent.zip"]),
        "(Upgrade) Upgrading from file '%stolupdate.zip' (version:4.002)..." % t,
        "(Upgrade) Extracting to '%stolupdate'..." % t,
        "(Upgrade) Running command '%s'..." % command,
        "(Upgrade) UPD command received: '4.002' '%ssetup.exe' ''" % address]
    assert [d.path for d in server.downloads] == ["/upgrade/agent.zip"]


def test_an_installer_is_run_with_its_quoted_path_and_s(server, temp):
    assert run_probe(server, temp, "setup.exe") == ["upd 1 started=1 busy=1"]
    installer = temp_text(temp) + "tolupdate.exe"
    assert recorded(temp / "tolupdate.exe.cmdline") == '"%s" /S' % installer
    assert "(Upgrade) Running command '\"%s\" /S'..." % installer in trace_lines(temp)


def test_a_failed_or_void_download_leaves_the_next_command_free(standin, server, temp):
    lines = run_probe(server, temp, "cut.zip", "missing.zip", "notes.txt", "agent.zip")
    assert lines == ["upd 1 started=1 busy=0", "upd 2 started=1 busy=0",
                     "upd 3 started=1 busy=0", "upd 4 started=1 busy=1"]
    t = temp_text(temp)
    trace = [line for line in trace_lines(temp)
             if line.startswith("(Upgrade)") and "Checking" not in line]
    cut = trace.index("(Upgrade) Downloading from 'https://%s:%d/upgrade/cut.zip' (version:4.002)"
                      % (HOST, server.port))
    # The body broke off: nothing was written or installed.
    assert trace[cut + 1].startswith("(Upgrade) Download failed. Failed with error 12030: ")
    assert trace[cut + 2].startswith("(Upgrade) UPD command received: '4.002' ")
    assert "(Upgrade) Download Failed. Server Response code: 404" in trace
    void = trace.index("(Upgrade) Upgrading from file '%stolupdate.txt' (version:4.002)..." % t)
    assert trace[void + 1].startswith("(Upgrade) UPD command received: ")
    assert (temp / "tolupdate.txt").read_bytes() == b"not an installer"
    assert recorded(temp / "tolupdate" / "Updater.exe.cmdline").endswith('"4.002"')
    downloads = server.downloads
    assert [(d.status, d.sent < d.announced) for d in downloads] == [
        (200, True), (404, False), (200, False), (200, False)]


MiB = 1024 * 1024


def upgrade_trace(folder):
    return [line for line in trace_lines(folder)
            if line.startswith("(Upgrade)") and "Checking" not in line]


def test_a_body_that_never_ends_is_given_up_at_the_size_limit(standin, server, temp):
    lines = run_probe(server, temp, "endless.zip", "agent.zip")
    # The flag is cleared: the next command is obeyed.
    assert lines == ["upd 1 started=1 busy=0", "upd 2 started=1 busy=1"]
    trace = upgrade_trace(temp)
    start = trace.index("(Upgrade) Downloading from 'https://%s:%d/upgrade/endless.zip' "
                        "(version:4.002)" % (HOST, server.port))
    assert trace[start + 1].startswith("(Upgrade) Download failed. Failed with error 223: ")
    assert trace[start + 2].startswith("(Upgrade) UPD command received: '4.002' ")
    endless = [d for d in server.downloads if d.path == "/upgrade/endless.zip"]
    assert len(endless) == 1 and endless[0].announced is None
    assert endless[0].sent >= 64 * MiB
    assert recorded(temp / "tolupdate" / "Updater.exe.cmdline").endswith('"4.002"')


def test_a_trickling_body_is_given_up_at_the_time_limit(standin, server, temp):
    # The program's limit is minutes; the probe narrows it to a few seconds.
    lines = run_probe(server, temp, "trickle.zip", "agent.zip", options=["--max-seconds=3"])
    assert lines == ["upd 1 started=1 busy=0", "upd 2 started=1 busy=1"]
    trace = upgrade_trace(temp)
    start = trace.index("(Upgrade) Downloading from 'https://%s:%d/upgrade/trickle.zip' "
                        "(version:4.002)" % (HOST, server.port))
    assert trace[start + 1].startswith("(Upgrade) Download failed. Failed with error 12002: ")
    assert recorded(temp / "tolupdate" / "Updater.exe.cmdline").endswith('"4.002"')


def test_a_staging_folder_that_cannot_be_made_afresh_is_not_used(standin, server, temp):
    # Someone else's folder: a planted Updater and a file held open, so it cannot go.
    staging = temp / "tolupdate"
    staging.mkdir()
    (staging / "Updater.exe").write_bytes(RECORDER.read_bytes())
    held = windows_path(str(staging / "held.txt"))
    lines = run_probe(server, temp, "agent.zip", options=["--hold=" + held])
    assert lines == ["upd 1 started=1 busy=0"]
    t = temp_text(temp)
    trace = upgrade_trace(temp)
    extracting = trace.index("(Upgrade) Extracting to '%stolupdate'..." % t)
    assert trace[extracting + 1].startswith(
        "(Upgrade) Extracting to '%stolupdate' failed. Failed with error " % t)
    assert not any(line.startswith("(Upgrade) Running command") for line in trace)
    # Nothing unpacked, nothing started.
    assert not (staging / "notes").exists()
    assert not list(temp.rglob("*.cmdline"))


def test_the_reference_server_hosts_upgrade_files(server):
    context = ssl.create_default_context()
    context.check_hostname = False
    context.verify_mode = ssl.CERT_NONE

    def get(path):
        connection = http.client.HTTPSConnection(HOST, server.port, timeout=10, context=context)
        connection.request("GET", path)
        reply = connection.getresponse()
        try:
            return reply.status, reply.read()
        finally:
            connection.close()

    assert get("/upgrade/notes.txt") == (200, b"not an installer")
    assert get("/upgrade/other.zip")[0] == 404
    with pytest.raises(http.client.IncompleteRead):
        get("/upgrade/cut.zip")
    assert server.violations == []
    assert server.upgrade_line("4.002", "/upgrade/a.zip") == (
        "UPD\t4.002\t%s:%d/upgrade/a.zip" % (HOST, server.port))
