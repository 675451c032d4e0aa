"""Driving a plug-in DLL through tools/plugin_host (plugin_host.exe), as the agent would.

    session = plugin_host.Session("tol_fwtest.dll", CLSID)
    run = session.run(["add TSA\\t1\\t1", "wait-data 1 10000", "get"])
    run.entries("get")      -> [("0x00000000", "66 result_1.bin")]
    run.results             -> [b"..."]  the ResultStreams Get handed over, in order
    run.events              -> [Event("UI4", 3, "tol_fwtest: New data is available."), ...]

Session.run wraps the given commands in the agent's steps: load and register the DLL, create
the object, the handshake, the source id and check period, the event sink; afterwards the sink
is unadvised, the object released and the DLL unregistered. Commands are those of
tools/plugin_host/host_script.h; "\\t" in an add line stands for TAB.
"""
import collections
import pathlib
import re
import struct
import subprocess
import tempfile

import winhost

E_PENDING = "0x8000000A"
E_FAIL = "0x80004005"
S_OK = "0x00000000"

Event = collections.namedtuple("Event", "kind value text")


class Run:
    """What one run of plugin_host left behind."""

    def __init__(self, folder, completed):
        self.returncode = completed.returncode
        self.stderr = completed.stderr
        self.log = _lines(folder / "log.txt")
        self.events = [_event(line) for line in _lines(folder / "events.txt")]
        self.results = []
        for line in self.log:
            words = line.split()
            if words[0] == "get" and len(words) == 4:
                self.results.append((folder / words[3]).read_bytes())

    def entries(self, command):
        """(result, detail) of every log line of the command, in order."""
        out = []
        for line in self.log:
            name, _, rest = line.partition(" ")
            if name == command:
                hr, _, detail = rest.partition(" ")
                out.append((hr, detail))
        return out

    def texts(self, kind=None):
        return [e.text for e in self.events if kind is None or e.kind == kind]


class Session:
    """One plug-in DLL of the build folder and its class identifier."""

    def __init__(self, dll, clsid, source_id=3, period=300, snmp=False):
        self.dll = dll
        self.clsid = clsid
        self.source_id = source_id
        self.period = period
        self.snmp = snmp  # the SNMP API bound and started in the process, as another plug-in would

    def prologue(self):
        return (["snmp-start"] if self.snmp else []) + [
            "load " + self.dll, "register", "create " + self.clsid, "init",
            "set 2 i4 %d" % self.source_id, "set 1 i4 %d" % self.period, "advise"]

    def epilogue(self):
        return ["release"] + (["snmp-stop"] if self.snmp else []) + ["unregister", "unload"]

    def run(self, commands, wrap=True, timeout=120):
        script = (self.prologue() + list(commands) + self.epilogue()) if wrap else list(commands)
        return run_script(script, timeout=timeout)


def run_script(commands, timeout=120):
    """Runs plugin_host.exe with the commands; returns the Run."""
    with tempfile.TemporaryDirectory(prefix="plugin_host_") as temp:
        folder = pathlib.Path(temp)
        script = folder / "script.txt"
        script.write_text("\n".join(commands) + "\n", encoding="utf-8")
        out = folder / "out"
        completed = winhost.run("plugin_host.exe", windows_path(script), windows_path(out),
                                timeout=timeout)
        return Run(out, completed)


class LiveRun:
    """plugin_host.exe running a script in the background: its events as they come, then its
    Run. `folder` is where the script and the output live (files the script waits for too)."""

    def __init__(self, commands, folder):
        self.folder = pathlib.Path(folder)
        script = self.folder / "script.txt"
        script.write_text("\n".join(commands) + "\n", encoding="utf-8")
        self.out = self.folder / "out"
        self.process = winhost.start("plugin_host.exe", windows_path(script), windows_path(self.out))

    def events(self):
        """The events written so far (a line still being written is left for later)."""
        path = self.out / "events.txt"
        text = path.read_text(encoding="utf-8", errors="replace") if path.exists() else ""
        return [_event(line) for line in text.split("\n")[:-1]]

    def finish(self, timeout=120):
        stdout, stderr = self.process.communicate(timeout=timeout)
        return Run(self.out, subprocess.CompletedProcess(self.process.args, self.process.returncode,
                                                         stdout, stderr))


def windows_path(path):
    """The Wine path of a Unix path (through the Z: drive)."""
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def split_stream(stream):
    """The ResultBlobs of a ResultStream, each as bytes."""
    records = []
    at = 0
    while at < len(stream):
        (size,) = struct.unpack_from("<I", stream, at)
        assert size >= 32 and at + size <= len(stream), "broken stream at %d" % at
        records.append(stream[at:at + size])
        at += size
    return records


Record = collections.namedtuple("Record", "header i32 ui32 i64 ui64 d64 texts nested")


def parse_record(blob):
    """A ResultBlob's header, its five fixed sections, its texts and its nested records."""
    header = struct.unpack_from("<8I", blob, 0)
    _, n_i32, n_ui32, n_i64, n_ui64, n_d64, n_text, n_nested = header
    at = 32
    sections = []
    for count, fmt, width in ((n_i32, "i", 4), (n_ui32, "I", 4), (n_i64, "q", 8),
                              (n_ui64, "Q", 8), (n_d64, "d", 8)):
        sections.append(list(struct.unpack_from("<%d%s" % (count, fmt), blob, at)))
        at += count * width
    texts = []
    for _ in range(n_text):
        end = blob.index(b"\0", at)
        texts.append(blob[at:end].decode("utf-8", "replace"))
        at = end + 1
    nested = []
    for _ in range(n_nested):
        (size,) = struct.unpack_from("<I", blob, at)
        nested.append(blob[at:at + size])
        at += size
    return Record(header, *sections, texts, nested)


def _lines(path):
    if not path.exists():
        return []
    text = path.read_text(encoding="utf-8", errors="replace")
    return text.split("\n")[:-1] if text.endswith("\n") else text.split("\n")


_ESCAPES = {"\\\\": "\\", "\\n": "\n", "\\r": "\r"}


def _event(line):
    source, _, text = line.partition("\t")
    kind, _, value = source.partition(" ")
    text = re.sub(r"\\[\\nr]", lambda m: _ESCAPES[m.group(0)], text)
    return Event(kind, int(value) if value else None, text)


PLUG_INS_KEY = r"HKLM\SOFTWARE\TolvaneCorp\Tolvane\Plug-Ins"


def registration_values(file, coclass, clsid, appid, libid, description):
    """{(key, value name): data} that registering a plug-in writes (None: the default value)."""
    progid = "Tolvane.PlugIns." + coclass
    clsid_key = r"HKCR\CLSID" "\\" + clsid
    plugin_key = PLUG_INS_KEY + "\\" + clsid
    return {
        ("HKCR\\" + progid + ".1", None): coclass + " Class",
        ("HKCR\\" + progid + r".1\CLSID", None): clsid,
        ("HKCR\\" + progid + r"\CLSID", None): clsid,
        ("HKCR\\" + progid + r"\CurVer", None): progid + ".1",
        (clsid_key, None): coclass + " Class",
        (clsid_key, "AppID"): appid,
        (clsid_key + r"\ProgID", None): progid + ".1",
        (clsid_key + r"\VersionIndependentProgID", None): progid,
        (clsid_key + r"\InprocServer32", "ThreadingModel"): "Free",
        (clsid_key + r"\TypeLib", None): libid,
        (r"HKCR\AppID" "\\" + appid, None): file,
        (r"HKCR\AppID" "\\" + file + ".DLL", "AppID"): appid,
        (plugin_key, "Name"): file,
        (plugin_key, "Vendor"): "Tolvane Inc.",
        (plugin_key, "Description"): description,
    }
