"""The processor plug-in tol_cpu.dll driven through plugin_host.exe as the agent would: its lines;
local usage while busy loops (one native, one under Wine) hold processors of their own, compared
with /proc/stat (which Wine reads) over the same interval; remote usage from Debian's snmpd on
127.0.16.x:161, compared with snmpget and snmpwalk of the same counters.

One snmpd serves the whole module: net-snmp fills hrProcessorLoad only about a minute after it
starts, so the processor-load test comes last and waits for what is left of that minute."""
import contextlib
import os
import subprocess
import sys
import threading
import time

import pytest

import plugin_host
import winhost
from agent_install import Installation
from host_records import records
from host_snmpd import HostAgent, SilentHost
from plugin_host import add

from refserver import RefServer
from result_records import named_fields

CLSID = "{5910CF6F-7C90-4356-980C-0C04F0BBC6CC}"
APPID = "{7B3575B0-1798-4484-92C4-5A0A9190768D}"
LIBID = "{A86751FB-FC3F-40AD-BF04-7CC096A43B41}"
INCORRECT = "tol_cpu: Incorrect test format!"
FULL, SILENT, BARE = "127.0.16.1", "127.0.16.2", "127.0.16.3"
UCD = ["1.3.6.1.4.1.2021.11.%d.0" % n for n in range(50, 57)]
LOAD_COLUMN = "1.3.6.1.2.1.25.3.3.1.2"
FIGURES = ["cpu_usage", "krn_usage", "nice", "idle", "iowait"]
# How far a figure may stand outside the band of /proc/stat readings: the texts' rounding, and
# the microseconds between Wine's reading of the processor lines and of the whole system's.
SLACK = 0.5


def session(snmp=True):
    return plugin_host.Session("tol_cpu.dll", CLSID, snmp=snmp)


def cpu_records(run):
    return records(run, "RESULT_CPU")


def last_by_test(run):
    return {r.test_id: r for r in cpu_records(run)}


def fields(record):
    return dict(named_fields(record))


@pytest.fixture(scope="module")
def full():
    """Started first, so that its processor load column fills while the other tests run."""
    with HostAgent(FULL, prefix="tol16_snmpd_") as agent:
        yield agent


@pytest.fixture(scope="module")
def bare():
    """An agent that shows its system group alone: no UCD counters, no processor table."""
    with HostAgent(BARE, views=[], prefix="tol16_snmpd_") as agent:
        yield agent


def test_registration_names_the_processor_plug_in(full):
    plugin_host.check_registration("tol_cpu", "CPUmonitoring", CLSID, APPID, LIBID,
                                   "CPU monitoring")


def test_lines_through_the_host():
    refused = [
        "CUA\t1\t1\t-1\t-1\t-1",                        # 6 fields
        "CUA\t2\t1\t-1\t-1\t-1\t-1\t-1\th\tlinux\tx",   # 11
        "cua\t3\t1\t-1\t-1\t-1\t-1\t-1",                # codes are case-sensitive
        "CUD",                                          # a delete without its id
        "\t\t\t\t\t\t\t",                               # only TABs
    ]
    dropped = ["CUA\t0\t1\t-1\t-1\t-1\t-1\t-1", "CUA\t-3\t1\t-1\t-1\t-1\t-1\t-1", "CUD\t0"]
    steps = [
        add("CUM\t99\t1\t-1\t-1\t-1\t-1\t-1"),                 # modify of a test nobody has
        add("CUA\t7\t2\t9\t9\t90\t20"), "wait-data 1 20000",     # 7 fields: fields 6 and 7
        add("CUA\t7\t2\t1\t1\t1\t1\t1"),                       # duplicate: the first stays
        add("CUA\t8\t2\t-1\t-1\t-1\t-1\t-1\t" + "h" * 3000 + "\tlinux"), "wait-data 3 20000",
        add("CUD\t8"), add("CUA\t9\t2\t-1\t0\t-1\t-1\t-1"), "wait-data 5 20000", "get"]
    run = session(snmp=False).run([add(line) for line in refused + dropped] + steps)
    assert run.returncode == 0, run.log
    assert run.entries("init") == [(plugin_host.S_OK, "CUACUMCUD")]
    assert [hr for hr, _ in run.entries("add")] == [plugin_host.S_OK] * (len(refused) + len(dropped) + 6)
    texts = run.texts("I4")
    for line in refused + dropped:
        assert "tol_cpu: processing test: '%s'" % line in texts
    assert texts.count(INCORRECT) == len(refused)
    assert not [t for t in texts if t.startswith(("tol_cpu: adding", "tol_cpu: removing")) and
                ("tid:0" in t or "tid:-3" in t)]
    assert texts.count("tol_cpu: found duplicated test. skipping...") == 1
    assert ("tol_cpu: adding test... tid:7, lid:2, user_max:90.00, kernel_max:20.00, nice_max:-1.00, "
            "idle_min:-1.00, iowait_max:-1.00, hostAddr: , system ") in texts
    records = cpu_records(run)
    assert sorted(r.test_id for r in records) == [7, 7, 7, 8, 9]
    # Without the SNMP API in the process the remote request cannot be set up.
    (eight,) = [fields(r) for r in records if r.test_id == 8]
    assert (eight["status"], eight["text"], [eight[f] for f in FIGURES]) == (11, "N/A", [-1.0] * 5)
    assert "tol_cpu: remote test: GetOIDValuesFromHost failed: retVal: 1" in texts


class ProcStat:
    """/proc/stat read over and over on a thread of its own: (time, {"cpu": [...], "cpu0": ...})."""

    def __init__(self):
        self.samples = []
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    @staticmethod
    def read():
        lines = {}
        with open("/proc/stat") as f:
            for line in f:
                if line.startswith("cpu"):
                    name, *values = line.split()
                    lines[name] = [int(v) for v in values]
        return lines

    def _run(self):
        while not self._stop.is_set():
            self.samples.append((time.monotonic(), self.read()))
            time.sleep(0.002)

    def __enter__(self):
        self.samples.append((time.monotonic(), self.read()))
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()

    def before(self, moment):
        return [s for t, s in self.samples if t <= moment][-1]

    def after(self, moment):
        return [s for t, s in self.samples if t >= moment][0]


def busy_and_total(values):
    """As Wine counts /proc/stat: user, nice, system, idle, iowait, irq, softirq; idle apart."""
    user, nice, system, idle, iowait, irq, softirq = values[:7]
    total = user + nice + system + idle + iowait + irq + softirq
    return total - idle, system + iowait + irq + softirq, total


def band(first_lo, first_hi, second_lo, second_hi, name):
    """The least and most a processor (or "cpu", all) can have been busy, and busy in kernel
    mode, in percent, between two moments each known to lie between two readings."""
    inner = [b - a for a, b in zip(busy_and_total(first_hi[name]), busy_and_total(second_lo[name]))]
    outer = [b - a for a, b in zip(busy_and_total(first_lo[name]), busy_and_total(second_hi[name]))]
    usage = (100.0 * inner[0] / outer[2], 100.0 * outer[0] / inner[2])
    kernel = (100.0 * inner[1] / outer[2], 100.0 * outer[1] / inner[2])
    return usage, kernel


def within(value, limits):
    return limits[0] - SLACK <= value <= limits[1] + SLACK


class BusyLoop:
    """A process that spins on one processor: python natively, or cmd.exe under Wine."""

    def __init__(self, cpu, wine):
        command = ([winhost.WINE, "cmd", "/c", "for /l %i in (1,0,2) do @rem"] if wine
                   else [sys.executable, "-c", "while True: pass"])
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, preexec_fn=lambda: os.sched_setaffinity(0, {cpu}))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        winhost.end_process(self.process)


def test_local_usage_follows_proc_stat_while_processors_are_busy():
    cpus = sorted(os.sched_getaffinity(0))
    native_cpu, wine_cpu = cpus[-1], cpus[-2] if len(cpus) > 1 else None
    lines = [add("CUA\t1\t3\t-1\t-1\t-1\t-1\t-1"), add("CUA\t2\t3\t0\t-1\t-1\t-1\t-1")]
    moments = []  # (before the line was sent, after its pass had begun)
    with ProcStat() as stat, BusyLoop(native_cpu, wine=False), \
            BusyLoop(wine_cpu, wine=True) if wine_cpu is not None else contextlib.nullcontext():
        with session(snmp=False).live() as live:
            live.wait(lambda run: run.entries("advise"))
            for n, line in enumerate(lines, 1):
                time.sleep(0.5 if n == 1 else 3.0)
                sent = time.monotonic()
                live.send(line)
                live.wait(lambda run: sum(t.startswith("tol_cpu: begin checking") for t in run.texts()) >= n)
                moments.append((sent, time.monotonic()))
            live.send("wait-data 3 20000", "get")
        run = live.run
    assert run.returncode == 0, run.log
    (first_lo, first_hi), (second_lo, second_hi) = [(stat.before(a), stat.after(b)) for a, b in moments]
    by_test = last_by_test(run)
    system = fields(by_test[1])
    usage, kernel = band(first_lo, first_hi, second_lo, second_hi, "cpu")
    assert within(system["cpu_usage"], usage), (system["cpu_usage"], usage)
    assert within(system["krn_usage"], kernel), (system["krn_usage"], kernel)
    assert [system[f] for f in ("nice", "idle", "iowait")] == [-1.0] * 3
    assert (system["location_id"], system["status"]) == (3, 0)

    nested = by_test[1].nested
    assert len(nested) == len(cpus) == int(subprocess.run(["nproc"], capture_output=True, text=True).stdout)
    for cpu in (native_cpu, wine_cpu):
        if cpu is None:
            continue
        processor_usage, _ = band(first_lo, first_hi, second_lo, second_hi, "cpu%d" % cpu)
        busy = nested[cpu].d64[0]
        assert within(busy, processor_usage), (cpu, busy, processor_usage)
        assert busy >= 90, (cpu, busy)  # its busy loop alone keeps it busy
        assert nested[cpu].texts == ["CPU%d usage is within acceptable limits\n" % cpu]

    limited = fields(by_test[2])
    assert limited["status"] == 2
    assert limited["text"] == "Current CPU Usage(%%): %d | Threshold set: 0\n" % int(limited["cpu_usage"] + 0.5)
    busy_cpu = by_test[2].nested[native_cpu]
    assert busy_cpu.ui32 == [2]
    assert busy_cpu.texts == ["Current CPU%d usage(%%): %d | Threshold set: 0\n"
                              % (native_cpu, int(busy_cpu.d64[0] + 0.5))]


def ucd_shares(answer):
    counts = [int(answer[oid][1]) for oid in UCD]
    return counts, sum(counts)


def test_remote_usage_is_what_snmpget_reads(full, bare):
    deadline = time.monotonic() + 30  # the counters are filled some seconds after the start
    while int(full.get(UCD[3]).get(UCD[3], ("", "0"))[1]) == 0:
        assert time.monotonic() < deadline
        time.sleep(0.2)
    before = full.get(*UCD)
    with SilentHost(SILENT):
        run = session().run([
            add("CUA\t1\t4\t-1\t-1\t-1\t-1\t-1\t%s\tlinux" % BARE), "wait-data 1 20000",
            add("CUA\t2\t4\t-1\t-1\t-1\t-1\t-1\t%s" % BARE), "wait-data 3 20000",
            add("CUA\t3\t4\t0\t-1\t-1\t-1\t-1\t%s\tLinux" % FULL), "wait-data 6 20000",
            add("CUA\t4\t4\t-1\t-1\t-1\t-1\t-1\t%s\tlinux" % SILENT),  # the GET waits 10 s
            "wait-data 10 60000", "get"])
    after = full.get(*UCD)
    assert run.returncode == 0, run.log
    by_test = {tid: fields(r) for tid, r in last_by_test(run).items()}
    (low, low_sum), (high, high_sum) = ucd_shares(before), ucd_shares(after)
    measured = by_test[3]
    for name, index in (("cpu_usage", 0), ("nice", 1), ("idle", 3), ("iowait", 4), ("krn_usage", 5)):
        assert 0 <= measured[name] <= 100
        assert 100.0 * low[index] / high_sum - 1e-9 <= measured[name] <= 100.0 * high[index] / low_sum + 1e-9
    assert measured["status"] == (2 if measured["cpu_usage"] > 0 else 0)
    assert not last_by_test(run)[3].nested
    # No UCD counters, no processor rows: no figures (10). A silent host: no answer in time (13).
    for tid, status in ((1, 10), (2, 10), (4, 13)):
        assert (by_test[tid]["status"], by_test[tid]["text"]) == (status, "N/A")
        assert [by_test[tid][f] for f in FIGURES] == [-1.0] * 5
    assert "tol_cpu: remote test: GetOIDValuesFromHost failed: retVal: 3" in run.texts("I4")


def test_installed_agent_sends_processor_usage():
    account = ("ops@example.com", "tol16-host")
    with RefServer(accounts=[account], tls=True) as server:
        server.queue_lines(["POL\t0\t1", "CUA\t51\t5\t-1\t-1\t-1\t-1\t-1", "CUA\t52\t5\t0\t-1\t-1\t-1\t-1"],
                           kind="login")
        with Installation(server.url, registration=account, plugins=["tol_cpu.dll"]) as agent:
            agent.start()

            def arrived(_):
                return {r.test_id for r in server.records if r.type_name == "RESULT_CPU"} >= {51, 52}
            assert server.wait_for(arrived, 60)
    assert server.violations == []
    by_test = {r.test_id: r for r in server.records if r.type_name == "RESULT_CPU"}
    within_limits = fields(by_test[51])
    assert (within_limits["location_id"], within_limits["status"]) == (5, 0)
    assert 0 <= within_limits["cpu_usage"] <= 100
    assert len(by_test[51].nested) == len(os.sched_getaffinity(0))
    # Any work in the interval fails a limit of 0.
    assert fields(by_test[52])["status"] == (2 if fields(by_test[52])["cpu_usage"] > 0 else 0)


def test_remote_processor_load_is_what_snmpwalk_reads(full):
    # The column fills about a minute after snmpd started; the tests above used most of it.
    def loads():
        return [int(value) for kind, value in full.walk(LOAD_COLUMN).values() if kind == "INTEGER"]
    deadline = time.monotonic() + 120
    while not loads():
        assert time.monotonic() < deadline, "snmpd filled no hrProcessorLoad"
        time.sleep(1)
    before = loads()
    run = session().run([add("CUA\t6\t4\t-1\t-1\t-1\t-1\t-1\t" + FULL), "wait-data 1 30000", "get"])
    after = loads()
    assert run.returncode == 0, run.log
    averages = [sum(walk) / len(walk) for walk in (before, after)]
    (record,) = cpu_records(run)
    usage = fields(record)["cpu_usage"]
    assert 0 <= usage <= 100
    assert min(averages) <= usage <= max(averages), (usage, averages)
    assert "tol_cpu: remote test: GetOIDValuesFromHost for non-linux succeeded." in run.texts("I4")
