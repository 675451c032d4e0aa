"""The peers of the discovery plug-in tol_ndis in tests, the benchmark and the demo:

- a network namespace whose loopback has only chosen /32 addresses of 127.0.20.0/24 up, every
  other address of that /24 routed into the loopback without a local owner, so that pings to it
  go out and are never answered (silent hosts, not unreachable ones);
- Debian's snmpd answering SNMP v2c with the community "quovel" on port 161 of chosen addresses,
  with a known sysName, sysDescr and sysObjectID (and a value of the object it names);
- fping and snmpget as the references the scan is compared with;
- the test bed's network provider (scripted_netprovider.dll) registered in a Wine prefix with a
  scripted neighbourhood, so that the plug-in's real WNet calls walk it.

Its users put tools/refserver on the import path first (conftest.py does for the tests).
"""
import contextlib
import os
import pathlib
import shutil
import subprocess
import tempfile
import time

import host_records
import netns
import winhost

COMMUNITY = "quovel"
NET = "127.0.20."
SYS_NAME = "tol20-alpha"
SYS_DESCR = "Tolvane scan peer 20"
SYS_OBJECT_ID = "1.3.6.1.4.1.99999.20"
OBJECT_VALUE = "scan model 20"
NO_MIBS = ["-M", "/nonexistent", "-m", ""]
SCAN_NEW_DATA = "tol_ndis (network scan): New data is available."
DISCOVERY_NEW_DATA = "tol_ndis (network discovery): New data is available."

CLSID = "{7531DF21-11B4-42EF-85B9-3C22280DED8E}"
APPID = "{5E0C2B7A-8D41-4F6B-9C3E-2A7D1F0B6E95}"
LIBID = "{4EB266E7-E807-42B9-B2C4-B44191DBAA69}"


def _prefixed(namespace, command):
    return (["ip", "netns", "exec", namespace] if namespace else []) + list(command)


def configure_scan_loopback(namespace, live):
    """Only 127.0.0.1 and the `live` addresses of 127.0.20.0/24 answer in the namespace; the
    rest of the /24 is silent."""
    run = lambda *args: netns.in_namespace(namespace, "ip", *args)  # noqa: E731
    run("addr", "del", "127.0.0.1/8", "dev", "lo")
    for address in ["127.0.0.1"] + list(live):
        run("addr", "add", address + "/32", "dev", "lo")
    run("route", "add", NET + "0/24", "dev", "lo")


@contextlib.contextmanager
def scan_namespace(name, live):
    with netns.namespace(name, tools=("ip", "fping", "snmpd", "snmpget")) as ns:
        configure_scan_loopback(ns, live)
        yield ns


class SnmpAgent:
    """snmpd on port 161 (or `port`) of each of `addresses`, inside `namespace` when given."""

    def __init__(self, addresses, namespace=None, port=161):
        self.namespace = namespace
        self.addresses = list(addresses)
        self.port = port
        self.dir = tempfile.TemporaryDirectory(prefix="tol20_snmpd_")
        conf = pathlib.Path(self.dir.name) / "agent.conf"
        conf.write_text("\n".join([
            "rocommunity %s 127.0.0.0/8" % COMMUNITY,
            "sysName %s" % SYS_NAME,
            "sysDescr %s" % SYS_DESCR,
            "sysObjectID .%s" % SYS_OBJECT_ID,
            'override .%s octet_str "%s"' % (SYS_OBJECT_ID, OBJECT_VALUE),
        ]) + "\n")
        state = pathlib.Path(self.dir.name) / "state"
        state.mkdir()
        self.log = open(pathlib.Path(self.dir.name) / "snmpd.log", "w")
        endpoints = ",".join("udp:%s:%d" % (a, port) for a in self.addresses)
        self.process = subprocess.Popen(
            _prefixed(namespace, ["/usr/sbin/snmpd", "-f", "-Lo", "-C", "-c", str(conf),
                                  "-I", "-smux", *NO_MIBS,
                                  "-p", str(pathlib.Path(self.dir.name) / "snmpd.pid"),
                                  endpoints]),
            stdout=self.log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
            env=dict(os.environ, SNMP_PERSISTENT_DIR=str(state)))
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            if all(self.get(a, "1.3.6.1.2.1.1.5.0") == SYS_NAME for a in self.addresses):
                return
            time.sleep(0.2)
        self.stop()
        raise RuntimeError("snmpd did not start")

    def get(self, host, oid):
        """The value as the plug-in renders it: snmpget's text without quotes, an OID without
        its leading dot; None when there is no answer."""
        return snmpget(host, oid, namespace=self.namespace, port=self.port)

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()
        self.dir.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def snmpget(host, oid, namespace=None, port=161):
    done = subprocess.run(
        _prefixed(namespace, ["snmpget", *NO_MIBS, "-v2c", "-c", COMMUNITY, "-t", "1", "-r", "0",
                              "-On", "-Oqv", "%s:%d" % (host, port), oid]),
        capture_output=True, text=True, timeout=30, stdin=subprocess.DEVNULL)
    if done.returncode != 0:
        return None
    value = done.stdout.strip()
    if value.startswith('"') and value.endswith('"'):
        value = value[1:-1]
    return value[1:] if value.startswith(".") else value


def fping(first, last, namespace=None):
    """The addresses fping finds alive from `first` to `last` (both included), and the seconds
    it took."""
    started = time.monotonic()
    done = subprocess.run(_prefixed(namespace, ["fping", "-a", "-q", "-r", "0", "-t", "1000",
                                                "-g", first, last]),
                          capture_output=True, text=True, timeout=120, stdin=subprocess.DEVNULL)
    took = time.monotonic() - started
    return set(done.stdout.split()), took


# The test bed's network provider, registered under the provider order of the prefix.
PROVIDER = "ScriptedNet"
PROVIDER_KEY = r"HKLM\System\CurrentControlSet\Services" "\\" + PROVIDER + r"\NetworkProvider"
ORDER_KEY = r"HKLM\System\CurrentControlSet\Control\NetworkProvider\Order"


class NetworkProvider:
    """scripted_netprovider.dll of the test bed serving `tree` (provider_tree.h's lines),
    registered in the prefix of `reg` (winhost.reg unless given) while the context lasts.
    Programs started meanwhile walk that tree through the network provider router. `answers`
    names the provider's numbers of how it hands out entries ("Batch", "EmptyBelow",
    "EmptyAtEnd": scripted_provider.cpp)."""

    def __init__(self, tree, reg=None, answers=None):
        self.reg = reg or winhost.reg
        self.answers = dict(answers or {})
        self.dir = tempfile.TemporaryDirectory(prefix="tol20_tree_")
        self.tree_file = pathlib.Path(self.dir.name) / "tree.txt"
        self.write(tree)
        self.order = None

    def write(self, tree):
        """Replaces the tree; the next enumeration reads it."""
        text = "".join("\t".join(entry) + "\n" for entry in tree)
        self.tree_file.write_text(text, encoding="utf-8")

    def _add(self, key, name, value, kind="REG_SZ"):
        done = self.reg("add", key, "/v", name, "/t", kind, "/d", value, "/f")
        assert done.returncode == 0, done.stderr

    def __enter__(self):
        dll = winhost.BIN_DIR / "scripted_netprovider.dll"
        self._add(PROVIDER_KEY, "ProviderPath", _windows_path(dll))
        self._add(PROVIDER_KEY, "Name", "Scripted Network")
        self._add(PROVIDER_KEY, "TreeFile", _windows_path(self.tree_file))
        for name, number in self.answers.items():
            self._add(PROVIDER_KEY, name, str(number), "REG_DWORD")
        self.order = _query(self.reg, ORDER_KEY, "ProviderOrder")
        self._add(ORDER_KEY, "ProviderOrder", PROVIDER + ("," + self.order if self.order else ""))
        return self

    def __exit__(self, *exc):
        if self.order is None:
            self.reg("delete", ORDER_KEY, "/v", "ProviderOrder", "/f")
        else:
            self._add(ORDER_KEY, "ProviderOrder", self.order)
        self.reg("delete", r"HKLM\System\CurrentControlSet\Services" "\\" + PROVIDER, "/f")
        self.dir.cleanup()


def _windows_path(path):
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def _query(reg, key, name):
    done = reg("query", key, "/v", name)
    if done.returncode != 0:
        return None
    for line in done.stdout.splitlines():
        parts = line.split(None, 2)
        if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
            return parts[2].strip() if len(parts) == 3 else ""
    return None


def records_of(run):
    """The decoded records of every ResultStream of a plug-in host run, in order."""
    return host_records.records(run)


def have_tools(*tools):
    return all(shutil.which(t) for t in tools)
