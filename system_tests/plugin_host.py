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

Session.live() gives the commands one at a time, so a test can act between them:

    with SESSION.live() as live:
        live.send("add PRA\\t1\\t1\\t-1\\t-1\\t-1\\tx.exe", "wait-data 1 10000", "get")
        run = live.wait(lambda run: len(run.results) == 1)
    live.run                -> the Run once the host has ended
"""
import collections
import pathlib
import re
import struct
import subprocess
import tempfile
import time

import winhost
from agent_install import reg_value

E_PENDING = "0x8000000A"
E_FAIL = "0x80004005"
S_OK = "0x00000000"

Event = collections.namedtuple("Event", "kind value text")


class Run:
    """What one run of plugin_host left behind."""

    def __init__(self, folder, completed, complete_only=False):
        self.returncode = completed.returncode
        self.stderr = completed.stderr
        self.log = _lines(folder / "log.txt", complete_only)
        self.events = [_event(line) for line in _lines(folder / "events.txt", complete_only)]
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

    def __init__(self, dll, clsid, source_id=3, period=300, env=None, snmp=False):
        self.dll = dll
        self.clsid = clsid
        self.source_id = source_id
        self.period = period
        self.env = env  # more environment variables for the host
        self.snmp = snmp  # the SNMP API bound and started in the process, as another plug-in would

    def prologue(self):
        return (["snmp-start"] if self.snmp else []) + [
            "load " + self.dll, "register", "create " + self.clsid, "init",
            "set 2 i4 %d" % self.source_id, "set 1 i4 %d" % self.period, "advise"]

    def epilogue(self):
        return ["release"] + (["snmp-stop"] if self.snmp else []) + ["unregister", "unload"]

    def run(self, commands, wrap=True, timeout=120):
        script = (self.prologue() + list(commands) + self.epilogue()) if wrap else list(commands)
        return run_script(script, timeout=timeout, env=self.env)

    def live(self, timeout=120):
        return LiveRun(self.prologue(), self.epilogue(), timeout, env=self.env)


def add(line):
    """The host command that adds the test line (its TABs written as \\t)."""
    return "add " + line.replace("\t", "\\t")


def run_script(commands, timeout=120, env=None, program="plugin_host.exe"):
    """Runs plugin_host.exe (or another copy of it) with the commands; returns the Run."""
    with tempfile.TemporaryDirectory(prefix="plugin_host_") as temp:
        folder = pathlib.Path(temp)
        script = folder / "script.txt"
        script.write_text("\n".join(commands) + "\n", encoding="utf-8")
        out = folder / "out"
        completed = winhost.run(program, windows_path(script), windows_path(out),
                                timeout=timeout, env=env)
        return Run(out, completed)


class LiveRun:
    """plugin_host.exe reading its script from standard input: the prologue at once, then
    what the test sends; leaving the block sends the epilogue and waits for the host's end."""

    def __init__(self, prologue, epilogue, timeout, env=None):
        self._epilogue = epilogue
        self._timeout = timeout
        self._temp = tempfile.TemporaryDirectory(prefix="plugin_host_")
        self.folder = pathlib.Path(self._temp.name) / "out"
        self.run = None
        self.process = winhost.start("plugin_host.exe", "-", windows_path(self.folder),
                                     stdin=subprocess.PIPE, env=env)
        self.send(*prologue)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        try:
            try:
                self.send(*self._epilogue)
            except OSError:
                pass  # the host has ended already: its log says why
            _, stderr = self.process.communicate(timeout=self._timeout)
            self.run = Run(self.folder, _Completed(self.process.returncode, stderr))
        finally:
            if self.process.poll() is None:
                self.process.kill()
                self.process.wait()
            self._temp.cleanup()
        return False

    def send(self, *commands):
        for command in commands:
            self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def now(self):
        """What the host has written so far, in whole lines."""
        return Run(self.folder, _Completed(None, ""), complete_only=True)

    def wait(self, condition, timeout=60):
        """Polls until condition(run) holds; returns that run (fails after timeout)."""
        end = time.monotonic() + timeout
        while True:
            run = self.now()
            if condition(run):
                return run
            assert time.monotonic() < end, "host log: %s" % run.log[-5:]
            assert self.process.poll() is None, "the host ended: %s" % run.log[-5:]
            time.sleep(0.05)


_Completed = collections.namedtuple("_Completed", "returncode stderr")


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


def _lines(path, complete_only=False):
    """The file's lines; with complete_only, a last line still being written is left out."""
    if not path.exists():
        return []
    lines = path.read_text(encoding="utf-8", errors="replace").split("\n")
    last = lines.pop()
    return lines if complete_only or not last else lines + [last]


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


def check_registration(file, coclass, clsid, appid, libid, description, init_codes=None):
    """Registers the plug-in DLL <file>.dll and checks every value registration_values names;
    with init_codes it also creates the object and checks the command codes its handshake
    answers. The DLL is unregistered afterwards, whatever the checks found."""
    dll = file + ".dll"
    steps = ["create " + clsid, "init", "release"] if init_codes is not None else []
    run = run_script(["load " + dll, "register"] + steps)
    try:
        assert run.entries("DllRegisterServer") == [(S_OK, "")]
        if init_codes is not None:
            assert run.entries("init") == [(S_OK, init_codes)]
        expected = registration_values(file, coclass, clsid, appid, libid, description)
        for (key, name), value in expected.items():
            assert reg_value(key, name) == value, (key, name)
    finally:
        run_script(["load " + dll, "unregister"])
