"""Network namespaces that a test makes, and a Wine session run inside one.

Wine makes its sockets inside wineserver, so a test that wants the plug-ins to see a network
of its own runs a whole Wine session (a copy of the test prefix, its own wineserver) inside the
namespace:

    with netns.namespace("tol21_%d" % os.getpid()) as name:
        with netns.wine_session(name) as wine:
            run = wine.run_script(session.prologue() + [...] + session.epilogue())

Namespaces are deleted afterwards whatever happened; tests skip where they cannot be made
(no root, no iproute2).
"""
import contextlib
import os
import pathlib
import shutil
import subprocess
import tempfile

import pytest

import plugin_host
import winhost


def ip(*args, check=True):
    return subprocess.run(["ip", *args], capture_output=True, text=True, check=check,
                          stdin=subprocess.DEVNULL, timeout=30)


def in_namespace(name, *command, check=True):
    """Runs a Linux command inside the namespace."""
    return ip("netns", "exec", name, *command, check=check)


@contextlib.contextmanager
def namespace(name, tools=("ip",)):
    """A network namespace with its loopback up; deleted afterwards."""
    if os.geteuid() != 0:
        pytest.skip("a network namespace needs root")
    missing = [tool for tool in tools if shutil.which(tool) is None]
    if missing:
        pytest.skip("not installed: " + ", ".join(missing))
    made = ip("netns", "add", name, check=False)
    if made.returncode != 0:
        pytest.skip("cannot make a network namespace: " + made.stderr.strip())
    try:
        in_namespace(name, "ip", "link", "set", "lo", "up")
        yield name
    finally:
        ip("netns", "del", name, check=False)


def wineserver():
    explicit = os.environ.get("TOL_WINESERVER")
    if explicit:
        return explicit
    return "/usr/lib/wine/wineserver64" if winhost.ARCH == "x86_64" else "/usr/bin/wineserver"


class NamespaceSession:
    """A Wine session on a private copy of the test prefix, every process in the namespace."""

    def __init__(self, namespace, prefix):
        self.namespace = namespace
        self.env = dict(os.environ, WINEPREFIX=str(prefix))

    def call(self, *command, timeout=60, capture=False):
        out = subprocess.PIPE if capture else subprocess.DEVNULL
        return subprocess.run(["ip", "netns", "exec", self.namespace, *command], env=self.env,
                              stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                              timeout=timeout, encoding="utf-8", errors="replace")

    def __enter__(self):
        self.call(wineserver(), "-p")
        self.call(winhost.WINE, "wineboot", timeout=120)
        return self

    def __exit__(self, *exc):
        self.call(wineserver(), "-k")
        self.call(wineserver(), "-w")

    def run_script(self, commands, timeout=120, folder=None):
        """Runs plugin_host.exe with the commands; returns the Run. The output goes to
        `folder`/out when a folder is given (a test may watch it meanwhile)."""
        with tempfile.TemporaryDirectory(prefix="plugin_host_") as temp:
            folder = pathlib.Path(folder or temp)
            script = folder / "script.txt"
            script.write_text("\n".join(commands) + "\n", encoding="utf-8")
            out = folder / "out"
            completed = self.call(winhost.WINE, str(winhost.BIN_DIR / "plugin_host.exe"),
                                  plugin_host.windows_path(script),
                                  plugin_host.windows_path(out), timeout=timeout, capture=True)
            return plugin_host.Run(out, completed)


@contextlib.contextmanager
def wine_session(name, prefix_name="tolns_prefix_"):
    """A NamespaceSession in the namespace on a copy of the test prefix."""
    prefix_of_tests = os.environ.get("WINEPREFIX")
    if not prefix_of_tests or not pathlib.Path(prefix_of_tests, "system.reg").exists():
        pytest.skip("needs the test prefix of tools/wine_session.sh")
    with tempfile.TemporaryDirectory(prefix=prefix_name) as temp:
        prefix = pathlib.Path(temp) / "prefix"
        shutil.copytree(prefix_of_tests, prefix, symlinks=True)
        with NamespaceSession(name, prefix) as wine:
            yield wine


def links_up(ip_prefix=()):
    """The links of a network that are up (`ip -o link show up`) but the loopback, by name.
    `ip_prefix` runs `ip` elsewhere, such as ("ip", "netns", "exec", name)."""
    out = subprocess.run([*ip_prefix, "ip", "-o", "link", "show", "up"], capture_output=True,
                         text=True, check=True, stdin=subprocess.DEVNULL, timeout=30).stdout
    names = []
    for line in out.splitlines():
        _, name, rest = line.split(":", 2)
        if "link/loopback" in rest:
            continue
        names.append(name.strip().split("@", 1)[0])
    return names


def list_text(names):
    """The adapter list of tol_net for these names: byte order, each followed by a TAB."""
    return "".join(name + "\t" for name in sorted(names, key=lambda n: n.encode("utf-8")))
