"""The memory plug-in tol_mem.dll driven through plugin_host.exe as the agent would: its lines,
local memory compared with what the host reports, and remote memory and load averages from
Debian's snmpd on 127.0.15.x:161 compared with snmpget of the same rows while the plug-in asks.

The SNMP API is bound and started in the host's process (snmp-start), as tol_ndis or tol_snmp
would in the agent; without it a remote test reports status 11."""
import math

import pytest

import plugin_host
from agent_install import Installation
from figure_watch import FigureWatch
from host_records import records
from host_snmpd import HostAgent, SilentHost
from plugin_host import add

from refserver import RefServer
from result_records import named_fields

CLSID = "{85DE5A01-418E-4421-8747-17B559DAF1C6}"
APPID = "{E73660C6-735F-4A84-9182-9E1903FE87FD}"
LIBID = "{6E88DF9A-C791-48AA-92A8-D356857C0C65}"
INCORRECT = "tol_mem: Incorrect test format!"
FULL, SILENT, DESCR_ONLY, PARTIAL = "127.0.15.1", "127.0.15.2", "127.0.15.3", "127.0.15.4"
MB = 1048576.0
STORAGE = "1.3.6.1.2.1.25.2.3.1"
# Debian's snmpd on Linux: the storage rows of these kinds and the figures they give.
ROWS = {"Physical memory": 1, "Virtual memory": 3, "Memory buffers": 6, "Cached memory": 7,
        "Swap space": 10}
LOAD = ["1.3.6.1.4.1.2021.10.1.3.%d" % n for n in (1, 2, 3)]
PAGE = 4096  # Wine counts physical memory in whole pages


def session(snmp=True, period=300):
    return plugin_host.Session("tol_mem.dll", CLSID, snmp=snmp, period=period)


def last_by_test(run, type_name):
    """{test id: fields of its last record}."""
    return {r.test_id: dict(named_fields(r)) for r in records(run, type_name)}


@pytest.fixture(scope="module")
def full():
    with HostAgent(FULL) as agent:
        yield agent


@pytest.fixture(scope="module")
def limited():
    """A host whose view shows the storage descriptions alone (no sizes, no UCD tables), and one
    that shows the physical and virtual memory rows alone."""
    descr = HostAgent(DESCR_ONLY, views=["." + STORAGE + ".3"])
    try:
        partial = HostAgent(PARTIAL, views=[".%s.%d.%d" % (STORAGE, column, row)
                                            for column in range(1, 8) for row in (1, 3)])
    except Exception:
        descr.stop()
        raise
    yield descr, partial
    partial.stop()
    descr.stop()


class StorageWatch(FigureWatch):
    """snmpget of every storage row the plug-in reads, over and over on a thread of its own
    while the plug-in runs: the lowest and highest bytes (size × units, free) each row showed."""

    def __init__(self, agent):
        super().__init__()
        self.agent = agent
        self.seen = {}  # (kind, "total" | "free" ) -> [low, high]
        self.units = {}

    def _sample(self):
        oids = ["%s.%d.%d" % (STORAGE, column, row) for row in ROWS.values() for column in (4, 5, 6)]
        answer = self.agent.get(*oids)
        for kind, row in ROWS.items():
            units, size, used = (int(answer["%s.%d.%d" % (STORAGE, c, row)][1]) for c in (4, 5, 6))
            self.units[kind] = units
            for name, value in (("total", size * units), ("free", (size - used) * units)):
                low_high = self.seen.setdefault((kind, name), [value, value])
                low_high[0], low_high[1] = min(low_high[0], value), max(low_high[1], value)

    def check(self, kind, name, megabytes):
        low, high = self.seen[(kind, name)]
        unit = self.units[kind]
        assert low - unit <= megabytes * MB <= high + unit, (kind, name, megabytes * MB, low, high)


def test_registration_names_the_memory_plug_in():
    plugin_host.check_registration("tol_mem", "MEMmonitoring", CLSID, APPID, LIBID,
                                   "Memory monitoring")


def test_lines_through_the_host():
    refused = [
        "MMA\t1\t1\t-1\t-1\t-1\t-1",               # 7 fields
        "MMA\t2\t1\t-1\t-1",                       # 5
        "MMA\t3\t1\t-1\t-1\t-1\t-1\t-1\th\tx",     # 10
        "mma\t5\t1\t-1\t-1\t-1",                   # codes are case-sensitive
        "LAA\t6\t1\t1\t1\t1",                      # 6 fields
        "\t\t\t\t\t",                              # only TABs
        "MMD\t7",                                   # deletes of 2 and 4 fields
        "MMD\t7\t0\t0",
    ]
    dropped = ["MMA\t0\t1\t-1\t-1\t-1", "MMA\t-4\t1\t-1\t-1\t-1", "LAD\t0\t0"]  # ids below 1
    # Each memory test added starts a pass that measures every test; each wait sees it end.
    steps = [
        add("MMM\t99\t1\t-1\t-1\t-1"),                  # modify of a test nobody has
        add("MMA\t7\t1\t-1\t0\t-5"), "wait-data 1 20000",  # limits -1, 0 and -5
        add("MMA\t7\t1\t1000000\t-1\t-1"),               # duplicate: the first stays
        add("MMA\t8\t1\t1000000\t-1\t-1\t-1\t-1\t" + "h" * 3000), "wait-data 3 20000",
        add("MMA\t9\t1\t-1\t-1\t-1\t-1\t-1\t127.0.15.\xe4"), "wait-data 6 20000",
        add("LAA\t10\t1\t-1\t-1\t-1\t" + FULL),          # waits for a timer pass
        add("MMD\t9\t0"), add("LAD\t10\t0"),
        add("MMA\t11\t1\t-1\t-1\t-1"), "wait-data 9 20000", "get"]
    run = session(snmp=False).run([add(line) for line in refused + dropped] + steps)
    assert run.returncode == 0, run.log
    assert run.entries("init") == [(plugin_host.S_OK, "MMAMMMMMDLAALAMLAD")]
    assert [hr for hr, _ in run.entries("add")] == [plugin_host.S_OK] * (len(refused) + len(dropped) + 9)
    texts = run.texts("I4")
    for line in refused + dropped:
        assert "tol_mem: processing test: '%s'" % line in texts
    assert texts.count(INCORRECT) == len(refused)
    assert not [t for t in texts if t.startswith(("tol_mem: adding", "tol_mem: removing")) and
                ("tid:0" in t or "tid:-4" in t)]
    assert texts.count("tol_mem: found duplicated test. skipping...") == 1
    assert ("tol_mem: modifing test... tid:99, lid:1, mem_min:-1, page_min:-1, vsize_min:-1, "
            "buffered_min:-1, cached_min:-1, hostAddr:") in texts
    measured = [r.test_id for r in records(run)]
    assert sorted(measured) == [7] * 4 + [8] * 3 + [9] + [11]
    by_test = last_by_test(run, "RESULT_MEMORY")
    # Limits of 0 and -5 on free page and virtual memory are kept; -1 is not tested.
    assert (by_test[7]["status"], by_test[7]["text"]) == (0, "Memory usage is within acceptable limits\n")
    # Without the SNMP API in the process the walk cannot be set up, so nothing is asked: 10.
    for tid in (8, 9):
        assert by_test[tid]["status"] == 10
        assert [by_test[tid][k] for k in ("free_phys", "total_phys", "free_virt")] == [-1.0] * 3
    assert "tol_mem: remote test: GetOIDValuesFromHost failed: retVal: -1" in texts


def test_local_memory_is_what_the_host_reports():
    with open("/proc/meminfo") as f:
        total_bytes = int(next(l for l in f if l.startswith("MemTotal:")).split()[1]) * 1024
    run = session(snmp=False).run([add("MMA\t1\t4\t-1\t-1\t-1"), "wait-data 1 20000",
                                   add("MMA\t2\t4\t1000000\t-1\t-1"), "wait-data 3 20000", "get"])
    assert run.returncode == 0, run.log
    by_test = last_by_test(run, "RESULT_MEMORY")
    within, short = by_test[1], by_test[2]
    assert abs(within["total_phys"] * MB - total_bytes) <= PAGE
    assert 0 < within["free_phys"] <= within["total_phys"]
    assert 0 < within["free_virt"] <= within["total_virt"]
    assert (within["buffered"], within["cached"]) == (-1.0, -1.0)
    assert (within["location_id"], within["status"]) == (4, 0)
    assert within["text"] == "Memory usage is within acceptable limits\n"
    assert short["status"] == 2
    assert short["text"] == "Physical memory free size: %.2f / Min value: 1000000\n" % short["free_phys"]
    assert plugin_host.Event("UI4", 3, "tol_mem: New data is available.") in run.events


def test_remote_memory_and_load_are_what_snmpget_reads(full):
    before = full.get(*LOAD)
    loads = [float(before[oid][1]) for oid in LOAD]
    below = math.floor(loads[0]) - 1
    below = -2 if below == -1 else below  # -1 would be no limit
    with StorageWatch(full) as watch:
        run = session().run([add("LAA\t21\t6\t-1\t-1\t-1\t" + FULL),
                             add("LAA\t22\t6\t%d\t-1\t-1\t%s" % (below, FULL)),
                             add("MMA\t23\t6\t-1\t-1\t-1\t-1\t-1\t" + FULL),
                             "wait-data 3 30000", "get"])
    after = full.get(*LOAD)
    assert run.returncode == 0, run.log
    assert run.entries("snmp-start") == [(plugin_host.S_OK, "")]
    memory = last_by_test(run, "RESULT_MEMORY")[23]
    assert memory["status"] == 0, memory
    for kind, names in (("Physical memory", ("total_phys", "free_phys")),
                        ("Virtual memory", ("total_virt", "free_virt")),
                        ("Swap space", ("total_page", "free_page"))):
        watch.check(kind, "total", memory[names[0]])
        watch.check(kind, "free", memory[names[1]])
    watch.check("Memory buffers", "total", memory["buffered"])
    watch.check("Cached memory", "total", memory["cached"])

    loads = last_by_test(run, "RESULT_LOAD_AVERAGE")
    for n, oid in enumerate(LOAD):
        seen = sorted({float(before[oid][1]), float(after[oid][1])})
        assert seen[0] <= loads[21]["lav%s" % (1, 5, 15)[n]] <= seen[-1]
    assert (loads[21]["status"], loads[21]["text"]) == (0, "Load Average values are within acceptable limits\n")
    assert loads[22]["status"] == 2
    assert loads[22]["text"] == "Load Average 1 min value: %.2f / Max value: %d\n" % (loads[22]["lav1"], below)
    assert plugin_host.Event("UI4", 3, "tol_mem (LA): New data is available.") in run.events


def test_hosts_that_give_no_figures(limited):
    with SilentHost(SILENT):
        run = session().run([
            add("MMA\t31\t1\t0\t0\t0\t0\t0\t" + DESCR_ONLY), "wait-data 1 20000",
            add("MMA\t32\t1\t0\t0\t0\t0\t0\t" + PARTIAL), "wait-data 3 20000",
            add("LAA\t33\t1\t0\t0\t0\t" + DESCR_ONLY), add("LAA\t34\t1\t0\t0\t0\t" + SILENT),
            add("MMA\t35\t1\t0\t0\t0\t0\t0\t" + SILENT),  # one pass: the walk waits 10 s
            "wait-data 8 60000", "get"])
    assert run.returncode == 0, run.log
    memory, load = last_by_test(run, "RESULT_MEMORY"), last_by_test(run, "RESULT_LOAD_AVERAGE")
    unmeasured = ["free_phys", "total_phys", "free_page", "total_page", "buffered", "cached",
                  "free_virt", "total_virt"]
    # Descriptions without sizes: the GET succeeds but gives no figure.
    described = memory[31]
    assert described["status"] == 10
    assert [described[k] for k in unmeasured] == [-1.0] * 8
    assert described["text"] == ("tol_mem: tid: 31, lid: 1, total_phys: -1.00, free_phys: -1.00, "
                                 "total_page: -1.00, free_page: -1.00, total_virt: -1.00, free_virt: -1.00")
    # Physical and virtual rows alone: their figures, the others -1 and not tested.
    partial = memory[32]
    assert partial["status"] == 0, partial
    assert partial["total_phys"] > 0 and partial["total_virt"] > 0
    assert [partial[k] for k in ("free_page", "total_page", "buffered", "cached")] == [-1.0] * 4
    # No UCD table: answers that are no texts.
    assert (load[33]["status"], load[33]["text"]) == (
        10, "tol_mem: remote load average: GetOIDValuesFromHost succeeded")
    assert [load[33]["lav%d" % n] for n in (1, 5, 15)] == [-1.0] * 3
    # A silent host: the walk gets no answer (nothing asked, 10), the GET waits 3 s (13).
    assert memory[35]["status"] == 10
    assert [memory[35][k] for k in unmeasured] == [-1.0] * 8
    assert (load[34]["status"], load[34]["text"]) == (
        13, "tol_mem: remote load average: GetOIDValuesFromHost failed: retVal: 3")
    texts = run.texts("I4")
    assert "tol_mem: remote test: GetOIDValuesFromHost failed: retVal: -1" in texts


def test_installed_agent_sends_memory_results():
    account = ("ops@example.com", "tol15-host")
    with open("/proc/meminfo") as f:
        total_bytes = int(next(l for l in f if l.startswith("MemTotal:")).split()[1]) * 1024
    with RefServer(accounts=[account], tls=True) as server:
        server.queue_lines(["POL\t0\t1", "CHK\t0\t2", "MMA\t41\t5\t-1\t-1\t-1",
                            "MMA\t42\t5\t1000000\t-1\t-1", "MMA\t43\t5\t-1\t-1\t-1\t-1\t-1\t" + FULL,
                            "LAA\t44\t5\t-1\t-1\t-1\t" + FULL], kind="login")
        with Installation(server.url, registration=account, plugins=["tol_mem.dll"]) as agent:
            agent.start()

            def arrived(_):
                tests = {(r.type_name, r.test_id) for r in server.records}
                return tests >= {("RESULT_MEMORY", 41), ("RESULT_MEMORY", 42), ("RESULT_MEMORY", 43),
                                 ("RESULT_LOAD_AVERAGE", 44)}
            assert server.wait_for(arrived, 60)
    assert server.violations == []
    by_test = {r.test_id: dict(named_fields(r)) for r in server.records if r.type_name == "RESULT_MEMORY"}
    assert (by_test[41]["location_id"], by_test[41]["status"], by_test[42]["status"]) == (5, 0, 2)
    assert abs(by_test[41]["total_phys"] * MB - total_bytes) <= PAGE
    # No plug-in of this agent binds the SNMP API: the walk cannot be set up (nothing is
    # asked: 10), nor the load-average GET (11).
    assert by_test[43]["status"] == 10
    load = [dict(named_fields(r)) for r in server.records if r.type_name == "RESULT_LOAD_AVERAGE"]
    assert {(r["test_id"], r["status"]) for r in load} == {(44, 11)}
