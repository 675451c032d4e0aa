"""The disk plug-in tol_disk.dll driven through plugin_host.exe as the agent would: its lines,
its drive list, and free space compared with what the host's file system reports for the
prefix's drive_c at the same moment.

Wine does not answer the disk performance control code, so a read/write-count test reports its
drive as not found here; the rates themselves are shown through the worker's counter seam in
plugins/tol_disk/tests."""
import os
import pathlib

import plugin_host
from agent_install import Installation
from figure_watch import FigureWatch
from plugin_host import add

from refserver import RefServer
from result_records import decode_stream, named_fields

CLSID = "{52E791B1-22B8-4188-ACB7-AAB693E4B0C5}"
APPID = "{4B206900-956E-49B9-B89B-A6DE6A82E0F5}"
LIBID = "{A69F22B0-C98F-4418-AA11-8FDA099F33C7}"
NEW_DATA = "tol_disk: New data is available."
INCORRECT = "tol_disk: Incorrect test format!"
SESSION = plugin_host.Session("tol_disk.dll", CLSID)
GB = float(1 << 30)


def streams(run):
    return [decode_stream(stream) for stream in run.results]


def disk_records(run):
    return [r for stream in streams(run) for r in stream if r.type_name == "RESULT_DISK"]


def drive_c():
    return pathlib.Path(os.environ["WINEPREFIX"]) / "drive_c"


def missing_letter():
    """A drive letter the prefix does not map."""
    mapped = {p.name[0].upper() for p in (pathlib.Path(os.environ["WINEPREFIX"]) /
                                           "dosdevices").iterdir() if p.name.endswith(":")}
    return next(c for c in "QRSTUVWXY" if c not in mapped)


class FreeSpaceWatch(FigureWatch):
    """Samples statvfs of a folder on a thread of its own while the block runs: the lowest and
    highest free byte counts seen, the total and the allocation unit."""

    period = 0.002

    def __init__(self, folder):
        super().__init__()
        self.folder = str(folder)
        self.low = self.high = None

    def _sample(self):
        st = os.statvfs(self.folder)
        # Wine gives the blocks available to unprivileged users as the volume's free bytes.
        free = st.f_bavail * st.f_frsize
        self.total = st.f_blocks * st.f_frsize
        # Wine counts free space in allocation units of 4096 bytes (2048 on optical media).
        self.unit = max(st.f_frsize, 4096)
        self.low = free if self.low is None else min(self.low, free)
        self.high = free if self.high is None else max(self.high, free)


def test_registration_names_the_disk_plug_in():
    plugin_host.check_registration("tol_disk", "DiskVolumeMonitoring", CLSID, APPID, LIBID,
                                   "Disk volumes monitoring")


def test_every_get_hands_over_the_drive_list_first():
    run = SESSION.run(["get", "get", add("DKA\t4\t2\tC\t0"), "wait-data 1 20000", "get", "get"])
    assert run.returncode == 0, run.log
    assert run.entries("init") == [(plugin_host.S_OK, "DKADKMDKDDIADIMDID")]
    assert [hr for hr, _ in run.entries("get")] == [plugin_host.S_OK] * 4
    got = streams(run)
    assert [[r.type_name for r in stream] for stream in got] == [
        ["RESULT_DISK_LIST"], ["RESULT_DISK_LIST"], ["RESULT_DISK_LIST", "RESULT_DISK"],
        ["RESULT_DISK_LIST"]]
    drive_list = got[0][0]
    assert (drive_list.test_id, drive_list.location_id) == (0, 0)
    (letters,) = drive_list.texts
    assert letters.endswith("\t") and "C" in letters.split("\t")
    assert letters.split("\t")[:-1] == sorted(set(letters.split("\t")[:-1]))
    assert dict(named_fields(drive_list))["drives"] == letters
    list_line = plugin_host.Event("I4", -5, "tol_disk: get disks list: " + letters)
    assert run.events.count(list_line) == 4
    assert plugin_host.Event("UI4", 3, NEW_DATA) in run.events


def test_free_space_of_c_is_what_the_file_system_reports():
    lost = missing_letter()
    with FreeSpaceWatch(drive_c()) as watch:
        run = SESSION.run([add("DKA\t1\t7\tC\t1"), add("DKA\t2\t7\tC\t1000000"),
                           add("DKA\t3\t7\t%s\t1" % lost), "wait-data 3 20000", "get"])
    assert run.returncode == 0, run.log
    by_test = {r.test_id: r for r in disk_records(run)}
    assert sorted(by_test) == [1, 2, 3]

    within, below, missing = by_test[1], by_test[2], by_test[3]
    fields = dict(named_fields(within))
    free, total = round(fields["free_gb"] * GB), round(fields["total_gb"] * GB)
    assert abs(total - watch.total) <= watch.unit
    assert watch.low - watch.unit <= free <= watch.high + watch.unit, (free, watch.low, watch.high)
    assert (within.location_id, fields["status"]) == (7, 0)
    assert fields["text"] == "Drive: C free space is within acceptable limits.\n"

    assert below.ui32[3] == 2
    assert below.texts == ["Drive: C free space: %.2f / Min value: 1000000.\n" % below.d64[0]]
    assert abs(below.d64[1] - within.d64[1]) * GB <= watch.unit

    assert (missing.ui32[3], missing.d64) == (3, [0.0, 0.0])
    assert missing.texts == ["Drive: %s not found.\n" % lost]


def test_read_write_count_test_without_the_control_code():
    # Wine fails IOCTL_DISK_PERFORMANCE (error 50): the drive reports as not found, every pass.
    run = SESSION.run([add("DIA\t9\t1\tC"), "wait-data 1 20000", add("DIM\t9\t2\tc"),
                       "wait-data 2 20000", "get"])
    assert run.returncode == 0, run.log
    records = disk_records(run)
    assert [(r.test_id, r.location_id, r.ui32[3], r.texts[0]) for r in records] == [
        (9, 1, 3, "Drive: C not found.\n"), (9, 2, 3, "Drive: c not found.\n")]


def test_lines_through_the_host():
    # Every line is taken (S_OK) and logged as it is processed; only the last three add tests.
    lines = [
        "DKA\t1\t1\tC",                     # 4 fields
        "DIA\t2\t1\tC\t5",                  # 5 fields
        "DKA\t3\t1\t\t5",                   # no drive letter
        "DIA\t4\t1\t\xc4",                  # not a drive letter
        "DKA\t0\t1\tC\t5",                  # test id 0
        "dka\t5\t1\tC\t5",                  # codes are case-sensitive
        "\t\t\t\t",                         # only TABs
        "DKA\t6\t1\t" + "C" * 4000 + "\t5",  # a long drive field: its first letter
        "DKA\t7\t1\tC\t5",
        "DKA\t8\t1\tC\t5",
    ]
    run = SESSION.run([add(line) for line in lines] + [
        "wait-data 3 20000",
        add("DKD\t7"),                         # 2 fields: not a delete
        add("DKD\t8\t0\t0"),                   # 4 fields: not a delete
        add("DID\t6\t0"),
        "set 1 i4 1", "wait-data 5 20000", "get"])  # a timer pass at the 1-second interval
    assert run.returncode == 0, run.log
    assert [hr for hr, _ in run.entries("add")] == [plugin_host.S_OK] * (len(lines) + 3)
    texts = run.texts("I4")
    for line in lines:
        if line.isascii():  # the plug-in widens its log lines with the ANSI code page
            assert "tol_disk: processing test: '%s'" % line in texts
    assert texts.count(INCORRECT) == 8
    checked = [r.test_id for r in disk_records(run)]
    assert sorted(set(checked)) == [6, 7, 8]
    assert checked.count(6) == 1  # deleted before the timer pass
    assert checked.count(7) >= 2 and checked.count(8) >= 2


def test_installed_agent_sends_the_drive_list_and_free_space():
    account = ("ops@example.com", "tol18-host")
    with RefServer(accounts=[account], tls=True) as server, FreeSpaceWatch(drive_c()) as watch:
        server.queue_lines(["POL\t0\t1", "DKA\t21\t5\tC\t0", "DKA\t22\t5\tC\t1000000"],
                           kind="login")
        with Installation(server.url, registration=account, plugins=["tol_disk.dll"]) as agent:
            agent.start()

            def arrived(_):
                tests = {r.test_id for r in server.records if r.type_name == "RESULT_DISK"}
                return tests >= {21, 22}
            assert server.wait_for(arrived, 60)
    assert server.violations == []
    records = server.records
    lists = [r for r in records if r.type_name == "RESULT_DISK_LIST"]
    assert lists and all("C" in r.texts[0].split("\t") for r in lists)
    by_test = {r.test_id: dict(named_fields(r)) for r in records if r.type_name == "RESULT_DISK"}
    within, below = by_test[21], by_test[22]
    assert (within["location_id"], within["status"], below["status"]) == (5, 0, 2)
    assert abs(round(within["total_gb"] * GB) - watch.total) <= watch.unit
    assert watch.low - watch.unit <= round(within["free_gb"] * GB) <= watch.high + watch.unit
    # Every send led with the drive list: each body's first record is one.
    for exchange in server.exchanges:
        if exchange.records:
            assert exchange.records[0].type_name == "RESULT_DISK_LIST"
