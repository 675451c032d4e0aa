"""The process plug-in tol_proc.dll driven through plugin_host.exe as the agent would, against
real processes of the test's Wine session: copies of proc_probe.exe named tol17_*.exe that
keep a core busy and hold a known amount of memory.

Wine gives other processes' CPU times wrong (GetProcessTimes reads the caller's own), so CPU
usage and its limit are judged in the unit tests through the sample seam; here the memory
figures are compared with what a second program and the kernel read for the same process."""
import pathlib
import shutil
import tempfile

import pytest

import plugin_host
import winhost
from agent_install import reg_value
from plugin_host import add

from result_records import decode_stream, named_fields

CLSID = "{AC1B2E4C-D77F-4E66-88A4-56D0115CCD3F}"
APPID = "{6978E345-C712-4306-AFEB-777D476A0959}"
LIBID = "{C0639391-C420-4F89-8176-793324CAB98B}"
PLUGIN_KEY = plugin_host.PLUG_INS_KEY + "\\" + CLSID
NEW_DATA = "tol_proc: New data is available."
NOT_RUNNING = "The process is not running"
STARTED = "The process has been started.\n"
# Timer passes every 2 seconds.
SESSION = plugin_host.Session("tol_proc.dll", CLSID, period=2)
SPIN_MB = 48
# Two programs reading one steady process a moment apart agree to within this (MB).
BAND_MB = 2.0


def pra(tid, lid, name, cpu=-1, wss=-1, pfs=-1):
    return add("PRA\t%d\t%d\t%d\t%d\t%d\t%s" % (tid, lid, cpu, wss, pfs, name))


def records(stream):
    return [dict(named_fields(r)) for r in decode_stream(stream)]


def process_records(run):
    return [r for stream in run.results for r in records(stream) if r["type"] == 43]


class Spinner:
    """One running copy of proc_probe.exe: one busy thread, SPIN_MB megabytes written."""

    def __init__(self, exe):
        self.process = winhost.start(str(exe), "spin", "1", str(SPIN_MB))
        line = self.process.stdout.readline().split()
        assert line[:1] == ["pid"], "no pid line from %s" % exe.name
        self.pid = int(line[1])
        # Wine runs the program in the Unix process it was started as.
        status = pathlib.Path("/proc/%d/status" % self.process.pid).read_text()
        assert "Name:\t%s" % exe.name[:15] in status, status[:200]

    def kernel_mb(self, field):
        """A figure of /proc/<pid>/status in MB (VmRSS, RssAnon, ...)."""
        for line in pathlib.Path("/proc/%d/status" % self.process.pid).read_text().splitlines():
            if line.startswith(field + ":"):
                return int(line.split()[1]) / 1024.0
        raise AssertionError("no %s for pid %d" % (field, self.process.pid))

    def probe_mb(self):
        """Working set and page-file usage as proc_probe.exe reads them, in MB."""
        out = winhost.run("proc_probe.exe", "memory", str(self.pid)).stdout.split()
        assert out[:1] == ["wss"] and out[2:3] == ["pfs"], out
        return int(out[1]) / 2.0 ** 20, int(out[3]) / 2.0 ** 20

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


@pytest.fixture
def spin_exe():
    """proc_probe.exe copied as tol17_spin.exe into a folder of its own."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="tol17_proc_"))
    exe = folder / "tol17_spin.exe"
    shutil.copy2(winhost.BIN_DIR / "proc_probe.exe", exe)
    spinners = []
    yield lambda: spinners.append(Spinner(exe)) or spinners[-1]
    for spinner in spinners:
        spinner.kill()
    shutil.rmtree(folder, ignore_errors=True)


def next_get(live):
    """Waits for the next pass's new-data announcement, then Get; the decoded records."""
    run = live.now()
    seen = len(run.texts("UI4"))
    gets = len(run.results)
    live.send("wait-data %d 20000" % (seen + 1), "get")
    run = live.wait(lambda run: len(run.results) > gets)
    return records(run.results[-1])


def test_registration_names_the_process_plug_in():
    plugin_host.check_registration("tol_proc", "ProcessMon", CLSID, APPID, LIBID,
                                   "Process monitoring")
    assert reg_value(PLUGIN_KEY, "Name") is None


def test_get_right_after_init_is_the_process_list_alone():
    run = plugin_host.run_script([
        "load tol_proc.dll", "register", "create " + CLSID, "get", "init", "get", "get",
        "release", "unregister", "unload"])
    assert run.entries("init") == [(plugin_host.S_OK, "PRAPRMPRD")]
    (before, _, _) = run.entries("get")
    assert before[0] == plugin_host.E_FAIL
    assert before[1].endswith("Please, Initialize the class first.")
    assert len(run.results) == 2
    for stream in run.results:
        (listing,) = records(stream)
        assert (listing["type"], listing["test_id"], listing["location_id"]) == (42, 0, 0)
        names = listing["names"]
        assert names.endswith("\t")
        names = names[:-1].split("\t")
        assert names == sorted(names, key=lambda n: n.encode("utf-16-be"))
        assert len({n.lower() for n in names}) == len(names)
        assert "plugin_host.exe" in names


def test_lines_through_the_host(spin_exe):
    spinner = spin_exe()
    lines = [
        pra(1, 4, "tol17_spin.exe"),
        pra(2, 4, "tol17_spin.exe"),                 # same name: skipped
        pra(1, 5, "tol17_absent.exe"),               # same id, another name: added
        pra(0, 5, "tol17_zero.exe"),                 # id 0: refused silently
        pra(-3, 6, "tol17_negative.exe"),            # a negative id is taken on add
        add("PRD\t1"), add("PRD\t1\t0\t0"),          # two and four fields
        add("PRA\t9\t1\t-1\t-1\t-1"),                # six fields
        add("\t\t\t"),
        add("PRM\t-3\t6\t-1\t-1\t-1\tx.exe"),        # modify below 1: refused silently
        add("PRM\t1\t7\t-1\t0\t-1\ttol17_spin.exe"),  # the first test of id 1: any size fails
    ]
    with SESSION.live() as live:
        live.send(*lines)
        wanted = {(1, 7), (1, 5), (4294967293, 6)}
        seen = set()
        for _ in range(10):
            if wanted <= seen:
                break
            seen |= {(r["test_id"], r["location_id"]) for r in next_get(live) if r["type"] == 43}
        run = live.now()
    assert [hr for hr, _ in run.entries("add")] == [plugin_host.S_OK] * len(lines)
    assert [detail for _, detail in run.entries("add")] == ["true"] * len(lines)
    logs = [t for t in run.texts("I4") if not t.startswith("tol_proc: processing test:")]
    changes = [t for t in logs if "checking" not in t and "pid:" not in t
               and "not running" not in t]
    assert changes == [
        "tol_proc: adding test... pname:'tol17_spin.exe', tid:1, lid:4, max_cpu:-1, max_wss:-1, "
        "max_pfs:-1",
        "tol_proc: test added successfully...",
        "tol_proc: adding test... pname:'tol17_spin.exe', tid:2, lid:4, max_cpu:-1, max_wss:-1, "
        "max_pfs:-1",
        "tol_proc: found duplicated process. skipping...",
        "tol_proc: adding test... pname:'tol17_absent.exe', tid:1, lid:5, max_cpu:-1, "
        "max_wss:-1, max_pfs:-1",
        "tol_proc: test added successfully...",
        "tol_proc: adding test... pname:'tol17_negative.exe', tid:-3, lid:6, max_cpu:-1, "
        "max_wss:-1, max_pfs:-1",
        "tol_proc: test added successfully...",
        "tol_proc: Incorrect test format!",
        "tol_proc: Incorrect test format!",
        "tol_proc: Incorrect test format!",
        "tol_proc: Incorrect test format!",
        "tol_proc: modifing test... pname:'tol17_spin.exe', tid:1, lid:7, max_cpu:-1, "
        "max_wss:0, max_pfs:-1",
    ]
    # The level of each kind of line: 1 changes and figures, 4 per test, 5 per pass.
    levels = {e.text.split(" ")[1]: e.value for e in run.events if e.kind == "I4"}
    assert (levels["adding"], levels["checking"], levels["begin"], levels["end"]) == (-1, -4,
                                                                                    -5, -5)
    results = process_records(run)
    assert wanted <= {(r["test_id"], r["location_id"]) for r in results} <= wanted | {(1, 4)}
    assert all(r["test_id"] != 2 for r in results)
    for r in results:
        if r["location_id"] == 7:
            assert (r["pid"], r["status"]) == (spinner.pid, 2)
            assert r["text"].startswith("Current Working set size: ")
            assert r["text"].endswith(" MB / Max value: 0\n")
        elif r["test_id"] != 1 or r["location_id"] == 5:
            assert (r["pid"], r["status"], r["text"]) == (0, 3, NOT_RUNNING)


def test_processes_come_and_go(spin_exe):
    first, second = spin_exe(), spin_exe()
    with SESSION.live() as live:
        live.send(pra(11, 3, "tol17_spin.exe"), "wait-data 1 20000", "get")
        run = live.wait(lambda run: len(run.results) == 1)
        listing, *found = records(run.results[0])
        assert listing["type"] == 42
        assert "tol17_spin.exe\t" in listing["names"]
        # Two instances: a record each, with its own pid.
        assert {r["pid"] for r in found} == {first.pid, second.pid}
        for record in found:
            spinner = first if record["pid"] == first.pid else second
            assert (record["type"], record["test_id"], record["location_id"]) == (43, 11, 3)
            assert (record["status"], record["text"]) == (0, "N/A")
            assert record["cpu"] >= 0
            probe_wss, probe_pfs = spinner.probe_mb()
            assert record["wss"] >= SPIN_MB
            assert abs(record["wss"] - probe_wss) <= BAND_MB
            assert abs(record["wss"] - spinner.kernel_mb("VmRSS")) <= BAND_MB
            assert record["pfs"] >= SPIN_MB
            assert abs(record["pfs"] - probe_pfs) <= BAND_MB
            assert abs(record["pfs"] - spinner.kernel_mb("RssAnon")) <= BAND_MB
        assert plugin_host.Event("UI4", 3, NEW_DATA) in run.events

        first.kill()
        second.kill()
        # Passes until the processes are gone, then two passes: not running, each pass.
        for _ in range(10):
            if any(r.get("status") == 3 for r in next_get(live)):
                break
        stamps = []
        for _ in range(2):
            listing, *gone = next_get(live)
            assert "tol17_spin.exe\t" not in listing["names"]
            assert gone and all((r["test_id"], r["pid"], r["status"], r["text"]) ==
                                (11, 0, 3, NOT_RUNNING) for r in gone)
            stamps += [r["timestamp"] for r in gone]
        assert len(set(stamps)) == len(stamps)

        third = spin_exe()
        back = []
        for _ in range(10):
            back = [r for r in next_get(live)[1:] if r["status"] != 3]
            if back:
                break
        assert (back[0]["pid"], back[0]["status"], back[0]["text"]) == (third.pid, 0, STARTED)
        following = [r for r in next_get(live)[1:]]
        assert following and all(r["text"] == "N/A" for r in following)
    assert live.run.returncode == 0, live.run.log
