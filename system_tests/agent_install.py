"""The agent installed into the test session's Wine prefix as an administrator would have it:
the plug-in library and plug-ins registered with regsvr32, Tolvane.exe registered as the
service "Tolvane Quorin Agent", the Host setting pointing at a reference server; and
agent_client.exe, a scripted local client of the agent's automation object.

    with Installation(server.url, registration=("ops@example.com", "host-01")) as agent:
        agent.start()
        lines = client(["create", "call\\tGetStatus", "release"])
"""
import os
import pathlib
import subprocess
import time

import winhost

SERVICE = "Tolvane Quorin Agent"
ROOT_KEY = r"HKLM\SOFTWARE\TolvaneCorp"
SETTINGS_KEY = ROOT_KEY + r"\tolvane\Settings"
AGENT_KEY = ROOT_KEY + r"\tolvane\Agent"
AGENT_EXE = "Tolvane.exe"
PLUGIN_LIBRARY = "Tolvane.PlugIns.dll"
# The registry view the agent reads: a 32-bit agent on 64-bit Windows sees the 32-bit view
# (SOFTWARE\WOW6432Node), where a 64-bit reg.exe writes only when told so.
REG_VIEW = "/reg:64" if winhost.ARCH == "x86_64" else "/reg:32"
# The automation client, a tool of the build (not part of an installation).
CLIENT_EXE = winhost.BIN_DIR / "agent_client.exe"


def windows_path(name):
    """The Windows form of a file of the bin folder: on drive C: when the folder lies in the
    prefix, else on Wine's Z: drive."""
    path = (winhost.BIN_DIR / name).resolve()
    drive_c = (pathlib.Path(os.environ.get("WINEPREFIX", "/nonexistent")) / "drive_c").resolve()
    if drive_c in path.parents:
        return "C:\\" + str(path.relative_to(drive_c)).replace("/", "\\")
    return "Z:" + str(path).replace("/", "\\")


def reg_add(key, name, value, kind="REG_SZ", view=None):
    # Wine's reg.exe now and then fails a write on a busy machine without a word: twice more
    # before the test fails.
    for _ in range(3):
        done = winhost.reg("add", key, "/v", name, "/t", kind, "/d", str(value), "/f",
                           *([view] if view else []))
        if done.returncode == 0:
            return
        time.sleep(0.5)
    assert done.returncode == 0, (done.returncode, done.stdout, done.stderr)


def reg_value(key, name=None, kind=None):
    """The data of a registry value (the default value when name is None); None when missing,
    or when kind (say "REG_SZ") is given and the value is of another type."""
    out = winhost.reg("query", key, *(["/v", name] if name else ["/ve"]))
    if out.returncode != 0:
        return None
    for line in out.stdout.splitlines():
        parts = line.split(None, 2)
        if len(parts) >= 2 and parts[1] == (kind or parts[1]) and parts[1].startswith("REG_"):
            return parts[2].strip() if len(parts) == 3 else ""
    return None


def agent(*switches, timeout=120):
    """Runs Tolvane.exe with command-line switches; returns the completed process."""
    return winhost.run(AGENT_EXE, *switches, timeout=timeout)


def service_state():
    """"RUNNING", "STOPPED", "START_PENDING", ... or None when there is no such service."""
    out = winhost.run("sc", "query", SERVICE, timeout=30).stdout
    for line in out.splitlines():
        if "STATE" in line:
            return line.split()[-1]
    return None


def agent_processes():
    """Process ids of this build's Tolvane.exe."""
    path = windows_path(AGENT_EXE).lower()
    out = subprocess.run(["ps", "-eo", "pid=,args="], capture_output=True, text=True).stdout
    return [int(line.split(None, 1)[0]) for line in out.splitlines()
            if path in line.lower()]


def leftover_report():
    """The service's state and the agent processes, for a failed assertion."""
    return "service: %s; agent processes: %s" % (service_state(), agent_processes())


def wait_until(condition, timeout, step=0.2):
    end = time.monotonic() + timeout
    while True:
        if condition():
            return True
        if time.monotonic() > end:
            return False
        time.sleep(step)


def client(lines, timeout=90):
    """Runs agent_client.exe with a script of commands; returns its output lines."""
    done = subprocess.run([winhost.WINE, str(CLIENT_EXE)],
                          input="\n".join(lines) + "\n", capture_output=True, text=True,
                          encoding="utf-8", timeout=timeout)
    assert done.returncode == 0, done.stdout + done.stderr
    return done.stdout.splitlines()


class LiveClient:
    """agent_client.exe fed one command at a time; its output read as it comes."""

    def __init__(self):
        self.process = subprocess.Popen(
            [winhost.WINE, str(CLIENT_EXE)], stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, encoding="utf-8",
            bufsize=1)
        self.lines = []

    def send(self, *commands):
        for command in commands:
            self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def read_until(self, prefix, timeout=60):
        """Reads output lines until one starts with prefix; returns it (None at the end)."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            line = self.process.stdout.readline()
            if not line:
                return None
            self.lines.append(line.rstrip("\n"))
            if line.startswith(prefix):
                return self.lines[-1]
        return None

    def finish(self, timeout=60):
        """Ends the script and returns every output line."""
        rest, _ = self.process.communicate(timeout=timeout)
        self.lines += rest.splitlines()
        return self.lines


class Installation:
    """An installation of the bin folder's programs. Each step method is one numbered step of
    the README's "Installing on a Windows host" (tools/demo.py runs them in that order, and
    system_tests/test_install_steps.py holds the two lists to each other)."""

    def __init__(self, host_url, registration=None, plugins=(), proxy=None):
        self.host_url = host_url
        self.registration = registration
        self.plugins = list(plugins)
        self.proxy = proxy

    def __enter__(self):
        self.install()
        return self

    def __exit__(self, *exc):
        self.uninstall()

    def install(self):
        self.clear_leftovers()
        self.register_plugins()
        self.write_settings()
        self.register_service()

    def clear_leftovers(self):
        """Waits for the service and processes of an earlier run to go, then deletes its keys."""
        # A service an earlier run deleted while its process was still ending stays listed
        # until that process is gone; registering over it would keep the old entry.
        assert wait_until(lambda: service_state() is None and not agent_processes(), 60), \
            leftover_report()
        winhost.reg("delete", ROOT_KEY, "/f", REG_VIEW)

    def register_plugins(self):
        for dll in [PLUGIN_LIBRARY] + self.plugins:
            done = winhost.run("regsvr32", "/s", windows_path(dll), timeout=60)
            assert done.returncode == 0, (dll, done.stderr)

    def write_settings(self):
        reg_add(SETTINGS_KEY, "Host", self.host_url, view=REG_VIEW)
        if self.proxy:
            reg_add(SETTINGS_KEY, "Proxy", self.proxy, view=REG_VIEW)
        if self.registration:
            # An approved registration as the agent stores it, without the server's round trip.
            reg_add(AGENT_KEY, "E-Mail", self.registration[0], view=REG_VIEW)
            reg_add(AGENT_KEY, "Agent Name", self.registration[1], view=REG_VIEW)

    def register_service(self):
        done = agent("-Service")
        assert done.returncode == 0, done.stderr
        assert wait_until(lambda: service_state() == "STOPPED", 30), leftover_report()

    def start(self):
        done = winhost.run("net", "start", SERVICE, timeout=60)
        assert done.returncode == 0, done.stdout + done.stderr
        assert wait_until(lambda: service_state() == "RUNNING", 30)

    def stop(self, timeout=120):
        """net stop; returns its completed process."""
        return winhost.run("net", "stop", SERVICE, timeout=timeout)

    def uninstall(self):
        self.stop_service()
        self.forget_registration()
        self.unregister_service()
        self.unregister_plugins()
        self.delete_settings()

    def stop_service(self):
        if service_state() not in (None, "STOPPED"):
            self.stop()
        wait_until(lambda: not agent_processes(), 60)

    def forget_registration(self):
        # A run of the program with a stored registration starts work, even one that only
        # unregisters it.
        winhost.reg("delete", AGENT_KEY, "/f", REG_VIEW)

    def unregister_service(self):
        agent("/UnregServer")

    def unregister_plugins(self):
        for dll in reversed([PLUGIN_LIBRARY] + self.plugins):
            winhost.run("regsvr32", "/s", "/u", windows_path(dll), timeout=60)

    def delete_settings(self):
        winhost.reg("delete", ROOT_KEY, "/f", REG_VIEW)
