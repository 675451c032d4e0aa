"""Controller.exe on a real desktop: Xvfb, a Wine desktop whose shell (Wine's explorer) hosts
the taskbar and the notification area, and desktop_probe.exe, which launches Controller into
that desktop and drives and observes it. Screenshots of each state are kept in
<build>/test_artefacts/controller.

Wine ships no HTML engine here: its web-browser control never makes a document. The product
keeps the real control; for the page contract these tests register the stand-in browser
(browser_standin.dll, a test-bed piece) in the prefix under the control's class identifier,
and one test runs with Wine's own control.
"""
import pathlib
import shutil

import pytest

import winhost
from agent_install import Installation, service_state, wait_until
from desktop import Desktop, artefact_dir, windows_path

TITLE = "Tolvane Quorin Agent"
WEB_BROWSER_SERVER = r"HKCR\CLSID\{8856F961-340A-11D0-A96B-00C04FD705A2}\InprocServer32"
HTTPS_OPEN = r"HKCR\https\shell\open\command"
SERVICE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\Tolvane Quorin Agent"
PAGE = winhost.SOURCE_DIR / "system_tests" / "controller_page.htm"
HELP_PAGE = "https://www.tolvane.com/help/quorin-agent/"

AMBER = (0xFF, 0xB0, 0x00)
GREEN = (0x22, 0xB1, 0x4C)
RED = (0xE0, 0x1E, 0x1E)
ICON_PIXELS = 40   # a 16-pixel disc has well over this many pixels of its colour

WM_NULL = 0x0000
WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_TRAYNOTIFY = 0x8064
WM_RBUTTONDOWN = 0x0204
ID_HELP, ID_SHOW, ID_HIDE, ID_EXIT = 32772, 32773, 32774, 32775
ID_TRAY_ICON = 32771
VK_RETURN, VK_ESCAPE = 13, 27
TERMINATED = "WM_TOLCONTROLLER_TERMINATED"


@pytest.fixture(scope="module")
def desktop():
    with Desktop("tol26") as d:
        d.command("listen", TERMINATED)
        yield d


@pytest.fixture(scope="module")
def browsers(desktop):
    """Switches the web-browser class between Wine's control and the stand-in; Wine's control
    is registered again at the end."""
    original = desktop.reg_read(WEB_BROWSER_SERVER)
    assert original, "the web-browser control is registered in the prefix"
    switch = Browsers(desktop, original)
    yield switch
    switch.use_wine()


class Browsers:
    def __init__(self, desktop, original):
        self.desktop = desktop
        self.original = original

    def use_standin(self):
        self.desktop.reg_write(WEB_BROWSER_SERVER, None,
                               windows_path(winhost.BIN_DIR / "browser_standin.dll"))

    def use_wine(self):
        self.desktop.reg_write(WEB_BROWSER_SERVER, None, self.original)


@pytest.fixture(scope="module")
def artefacts():
    return artefact_dir("controller")


@pytest.fixture
def folder(request):
    """An installation folder of its own: Controller.exe and res\\_main (the test page)."""
    base = winhost.BIN_DIR.parent / "tol26_controller" / request.node.name
    shutil.rmtree(base, ignore_errors=True)
    (base / "res").mkdir(parents=True)
    shutil.copy(winhost.BIN_DIR / "Controller.exe", base)
    shutil.copy(PAGE, base / "res" / "_main")
    yield base
    shutil.rmtree(base, ignore_errors=True)


@pytest.fixture
def controllers(desktop):
    """Starts Controller runs; any still running at the end of the test is ended."""
    started = []

    def start(folder, program="Controller.exe"):
        run = ControllerRun(desktop, folder, program)
        started.append(run)
        return run

    yield start
    for run in started:
        if desktop.exit_code(run.pid, 0) is None:
            desktop.command("kill", run.pid)
            desktop.exit_code(run.pid, 5000)


class ControllerRun:
    """One Controller.exe in the test desktop, with the stand-in browser's log of its page."""

    def __init__(self, desktop, folder, program):
        self.desktop = desktop
        self.log = folder / "standin.log"
        if self.log.exists():
            self.log.unlink()
        desktop.command("env", "BROWSER_STANDIN_LOG", windows_path(self.log))
        self.pid = desktop.launch(folder / program)
        self.window = desktop.find(self.pid, "#32770", TITLE)
        assert self.window, "Controller's window"
        self._browser = None

    def browser(self):
        if not self._browser:
            self._browser = self.desktop.child(self.window, "TolBrowserStandIn")
            assert self._browser, "the stand-in browser in Controller's window"
        return self._browser

    def page(self, command):
        answer = self.desktop.command("page", self.browser(), command)
        assert answer.startswith("page ") and answer != "page timeout", answer
        return int(answer.split()[1])

    def log_lines(self):
        return self.log.read_text(encoding="utf-8").splitlines() if self.log.exists() else []

    def wait_log(self, prefix, count=1, timeout=15):
        """Waits until `count` log lines start with prefix; returns the log."""
        assert wait_until(lambda: sum(line.startswith(prefix) for line in self.log_lines()) >= count,
                          timeout), (prefix, self.log_lines())
        return self.log_lines()

    def host_icon(self):
        """The colour at the centre of the window's small icon."""
        value = self.page("hosticon")
        assert value & 0x01000000, "the window has a small icon"
        return ((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)

    def state(self):
        return self.desktop.state(self.window)

    def command(self, command_id):
        self.desktop.send(self.window, WM_COMMAND, command_id)

    def exit_code(self, timeout_ms=15000):
        return self.desktop.exit_code(self.pid, timeout_ms)


def tray_shows(desktop, wanted, absent=()):
    """A condition on a screenshot: the tray holds each wanted colour's icon and none of the
    absent ones."""
    tray = desktop.tray_rect()

    def condition(picture):
        return (all(picture.count(c, tray) >= ICON_PIXELS for c in wanted)
                and all(picture.count(c, tray) < ICON_PIXELS for c in absent))
    return condition


def assert_tray(desktop, wanted, absent, path):
    condition = tray_shows(desktop, wanted, absent)
    assert condition(desktop.wait_for_picture(condition, path=path)), path.name


def heard_terminated(desktop, count):
    return int(desktop.command("heard", TERMINATED, count, 10000).split()[-1])


def test_wine_control_without_agent_service_still_comes_up(desktop, browsers, folder, controllers,
                                                          artefacts):
    browsers.use_wine()
    assert desktop.reg_read(SERVICE_KEY, "ImagePath") is None, "no agent service registered"
    run = controllers(folder)
    assert wait_until(lambda: run.state()["visible"], 15)
    assert_tray(desktop, [AMBER], [GREEN, RED], artefacts / "wine_control_start_amber.png")
    # The page is copied although Wine's control never shows it.
    copy = folder / "res" / "_main.htm"
    assert wait_until(copy.exists, 10)
    assert copy.read_bytes() == PAGE.read_bytes()
    assert run.log_lines() == []
    run.command(ID_EXIT)
    assert run.exit_code() == 0
    assert_tray(desktop, [], [AMBER], artefacts / "wine_control_exit.png")


def test_agent_service_started_and_page_copied_at_every_start(desktop, browsers, folder,
                                                              controllers):
    browsers.use_standin()
    source = folder / "res" / "_main"
    copy = folder / "res" / "_main.htm"
    copy.write_bytes(b"an older, longer copy\n" * 1000)
    # The agent as an administrator installs it, without an account: its service runs idle.
    with Installation("https://127.0.26.1:9/fcgi-bin/agentgateway"):
        assert service_state() == "STOPPED"
        run = controllers(folder)
        run.wait_log("document 1 ")   # the page is shown once the service start is over
        assert service_state() == "RUNNING"
        assert copy.read_bytes() == source.read_bytes()

        before = heard_terminated(desktop, 0)
        desktop.post(run.window, "@WM_TOLCONTROLLER_EXIT")
        assert run.exit_code() == 0
        assert heard_terminated(desktop, before + 1) == before + 1

        # A changed page is copied again at the next start; a running service is left running.
        source.write_bytes(b"<html><body><div id=\"statusOK\">short</div></body></html>")
        again = controllers(folder)
        again.wait_log("document 1 ")
        assert copy.read_bytes() == source.read_bytes()
        assert service_state() == "RUNNING"
        again.command(ID_EXIT)
        assert again.exit_code() == 0


def test_tray_icon_follows_the_page_status_elements(desktop, browsers, folder, controllers,
                                                    artefacts):
    browsers.use_standin()
    run = controllers(folder)
    run.wait_log("document 1 ")
    assert_tray(desktop, [AMBER], [GREEN, RED], artefacts / "tray_1_start_amber.png")
    assert run.host_icon() == AMBER
    steps = [("statusOK", GREEN, "tray_2_statusOK_green.png"),
             ("statusNOK", RED, "tray_3_statusNOK_red.png"),
             ("statusUND", AMBER, "tray_4_statusUND_amber.png")]
    for element, colour, picture in steps:
        run.page("click " + element)
        run.wait_log("event onclick %s sinks=1 " % element)
        others = [c for c in (AMBER, GREEN, RED) if c != colour]
        assert_tray(desktop, [colour], others, artefacts / picture)
        assert run.host_icon() == colour, element

    # A second copy of Controller adds an icon of its own.
    run.page("click statusOK")
    second = controllers(folder)
    assert_tray(desktop, [GREEN, AMBER], [RED], artefacts / "tray_5_two_copies.png")
    second.command(ID_EXIT)
    assert second.exit_code() == 0
    assert_tray(desktop, [GREEN], [AMBER, RED], artefacts / "tray_6_second_copy_gone.png")
    run.command(ID_EXIT)
    assert run.exit_code() == 0


def test_tray_icon_comes_back_in_its_state_when_the_shell_restarts(desktop, browsers, folder,
                                                                  controllers, artefacts):
    # A restarted shell starts with an empty notification area and tells every top-level
    # window with its registered message "TaskbarCreated".
    browsers.use_standin()
    run = controllers(folder)
    run.wait_log("document 1 ")
    run.page("click statusNOK")
    run.wait_log("event onclick statusNOK sinks=1 ")
    assert_tray(desktop, [RED], [AMBER, GREEN], artefacts / "shell_restart_1_red.png")
    assert desktop.command("untray", run.window, ID_TRAY_ICON) == "untrayed 1"
    assert_tray(desktop, [], [AMBER, GREEN, RED], artefacts / "shell_restart_2_icon_lost.png")
    desktop.post("broadcast", "@TaskbarCreated")
    assert_tray(desktop, [RED], [AMBER, GREEN], artefacts / "shell_restart_3_red_again.png")
    # It is Controller's own icon again: Exit removes it.
    run.command(ID_EXIT)
    assert run.exit_code() == 0
    assert_tray(desktop, [], [AMBER, GREEN, RED], artefacts / "shell_restart_4_exit.png")


def test_page_contract(desktop, browsers, folder, controllers, artefacts):
    browsers.use_standin()
    run = controllers(folder)
    log = run.wait_log("event onclick runButton ")
    # runButton is clicked once, after the first load, and never again.
    assert log.index("click runButton") > [i for i, l in enumerate(log) if l.startswith("document 1 ")][0]
    run.page("reload")
    log = run.wait_log("document 2 ")
    assert log.count("click runButton") == 1
    desktop.screenshot(artefacts / "page_shown.png")

    # Neither the page's OK and Cancel nor the Enter and Escape keys close the window; keys
    # reach the browser control first.
    for element in ("ButtonOK", "ButtonCancel"):
        run.page("click " + element)
        run.wait_log("event onclick %s sinks=1 " % element)
    for key in (VK_RETURN, VK_ESCAPE):
        desktop.command("key", run.window, key)
        run.wait_log("key %d" % key)
    desktop.send(run.window, WM_NULL)   # answered once the keys are handled
    assert run.state()["visible"]

    # The host answers the context menu itself: the control shows none.
    run.page("contextmenu TController")
    assert "contextmenu hr=0x00000000" in run.wait_log("contextmenu ")

    # A mouse press on TController drags the window.
    before = run.state()["rect"]
    spot = run.page("locate TController")
    x, y = desktop.command("clientpos", run.browser(), spot & 0xFFFF, spot >> 16).split()[1].split(",")
    x, y = int(x), int(y)
    desktop.command("mouse", x, y, "down")
    assert wait_until(lambda: desktop.command("moving", run.window) == "moving 1", 10)
    desktop.command("mouse", x + 30, y + 20, "move")
    desktop.command("mouse", x + 60, y + 40, "move")
    desktop.command("mouse", x + 60, y + 40, "up")
    assert wait_until(lambda: run.state()["rect"] == (before[0] + 60, before[1] + 40,
                                                      before[2] + 60, before[3] + 40), 10)
    desktop.screenshot(artefacts / "page_dragged.png")

    # HideButton hides the window, a click on the tray icon shows it again, MinimizeButton
    # minimises it.
    run.page("click HideButton")
    assert wait_until(lambda: not run.state()["visible"], 10)
    icon = desktop.screenshot().centre_of(AMBER, desktop.tray_rect())
    assert icon, "the tray icon"
    desktop.command("mouse", icon[0], icon[1], "down")
    desktop.command("mouse", icon[0], icon[1], "up")
    assert wait_until(lambda: run.state()["visible"], 10)
    run.page("click MinimizeButton")
    assert wait_until(lambda: run.state()["iconic"], 10)
    desktop.screenshot(artefacts / "page_minimised.png")
    run.command(ID_EXIT)
    assert run.exit_code() == 0

    # A page without runButton: nothing is clicked.
    page = folder / "res" / "_main"
    page.write_text(PAGE.read_text().replace('id="runButton"', 'id="otherButton"'))
    bare = controllers(folder)
    bare.wait_log("document 1 ")
    desktop.send(bare.window, WM_NULL)   # answered once the document's handlers are over
    assert not [line for line in bare.log_lines() if line.startswith("click ")]
    bare.command(ID_EXIT)
    assert bare.exit_code() == 0


def test_tray_menu_and_commands(desktop, browsers, folder, controllers, artefacts):
    browsers.use_standin()
    run = controllers(folder)
    run.wait_log("document 1 ")

    # The right button on the tray icon opens the menu "Agent" at the cursor.
    desktop.post(run.window, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN)
    menu = desktop.find(run.pid, "#32768", "*", 10000)
    assert menu, "the tray menu"
    assert wait_until(lambda: desktop.state(menu)["visible"], 10)
    desktop.screenshot(artefacts / "tray_menu.png")
    desktop.command("key", run.window, VK_ESCAPE)
    assert wait_until(lambda: desktop.find(run.pid, "#32768", "*", 0) is None, 10)

    run.command(ID_HIDE)
    assert not run.state()["visible"]
    run.command(ID_SHOW)
    assert run.state()["visible"]

    # Help opens the help page with the shell, maximised (here in a recording handler).
    record = folder / "help.txt"
    handler = desktop.reg_read(HTTPS_OPEN)
    desktop.reg_write(HTTPS_OPEN, None, '"%s" record "%s" "%%1"' % (
        windows_path(winhost.BIN_DIR / "desktop_probe.exe"), windows_path(record)))
    try:
        run.command(ID_HELP)
        assert wait_until(record.exists, 15)
    finally:
        desktop.reg_write(HTTPS_OPEN, None, handler)
    assert wait_until(lambda: record.read_text(encoding="utf-8-sig").strip() != "", 5)
    assert record.read_text(encoding="utf-8-sig").strip() == "show=3 args=" + HELP_PAGE

    # WM_CLOSE removes the tray icon and ends the program; the window's end is announced.
    before = heard_terminated(desktop, 0)
    desktop.post(run.window, WM_CLOSE)
    assert run.exit_code() == 0
    assert heard_terminated(desktop, before + 1) == before + 1
    assert_tray(desktop, [], [AMBER, GREEN, RED], artefacts / "tray_after_close.png")


def test_missing_page_and_foreign_program_name(desktop, browsers, folder, controllers, artefacts):
    browsers.use_standin()
    (folder / "res" / "_main").unlink()
    run = controllers(folder)
    assert desktop.find(run.pid, "#32770", "Error Information", 15000), "the error box"
    desktop.screenshot(artefacts / "error_information.png")
    text = desktop.command("msgbox", "Error Information", 5000)
    assert text.startswith("msgbox Failed with error 2: "), text
    assert text.endswith(windows_path(folder / "res" / "_main")), text
    # The window comes up without a page.
    assert wait_until(lambda: run.state()["visible"], 15)
    run.wait_log("activate")
    assert not [line for line in run.log_lines() if line.startswith("navigate")]
    run.command(ID_EXIT)
    assert run.exit_code() == 0

    # A program not named Controller.exe (the name is matched case-sensitively) shows no page
    # and no message.
    (folder / "res" / "_main").write_bytes(PAGE.read_bytes())
    (folder / "Controller.exe").rename(folder / "controller.exe")
    other = controllers(folder, "controller.exe")
    assert wait_until(lambda: other.state()["visible"], 15)
    other.wait_log("activate")
    assert desktop.find(other.pid, "#32770", "Error Information", 500) is None
    assert not (folder / "res" / "_main.htm").exists()
    assert not [line for line in other.log_lines() if line.startswith("navigate")]
    other.command(ID_EXIT)
    assert other.exit_code() == 0
