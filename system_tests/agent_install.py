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


def reg_add(key, name, value, kind="REG_SZ"):
    done = winhost.reg("add", key, "/v", name, "/t", kind, "/d", str(value), "/f")
    assert done.returncode == 0, done.stderr


def reg_value(key, name=None):
    """The data of a registry value (the default value when name is None); None when missing."""
    out = winhost.reg("query", key, *(["/v", name] if name else ["/ve"]))
    if out.returncode != 0:
        return None
    for line in out.stdout.splitlines():
        parts = line.split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
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
        # A service an earlier run deleted while its process was still ending stays listed
        # until that process is gone; registering over it would keep the old entry.
        assert wait_until(lambda: service_state() is None and not agent_processes(), 60), \
            leftover_report()
        winhost.reg("delete", ROOT_KEY, "/f")
        for dll in [PLUGIN_LIBRARY] + self.plugins:
            done = winhost.run("regsvr32", "/s", windows_path(dll), timeout=60)
            assert done.returncode == 0, (dll, done.stderr)
        reg_add(SETTINGS_KEY, "Host", self.host_url)
        if self.proxy:
            reg_add(SETTINGS_KEY, "Proxy", self.proxy)
        if self.registration:
            reg_add(AGENT_KEY, "E-Mail", self.registration[0])
            reg_add(AGENT_KEY, "Agent Name", self.registration[1])
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
        if service_state() not in (None, "STOPPED"):
            self.stop()
        wait_until(lambda: not agent_processes(), 60)
        winhost.reg("delete", AGENT_KEY, "/f")   # no work started by the run below
        agent("/UnregServer")
        for dll in reversed([PLUGIN_LIBRARY] + self.plugins):
            winhost.run("regsvr32", "/s", "/u", windows_path(dll), timeout=60)
        winhost.reg("delete", ROOT_KEY, "/f")
