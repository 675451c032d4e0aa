#!/usr/bin/env python3
"""Benchmark of the event-log plug-in: one check pass over 10,000 new records of a scripted
event log (plugin_host.exe points the real tol_eventlog.dll's reading calls at it), read,
formatted and recorded, and the same pass over 100,000 records with the ratio of the two
(10 for a pass that grows linearly with the records). The message file is
evt_messages_test.dll through the registry, the account lookup Wine's own. Prints figures;
judges nothing.

    eventlog_bench.py <build dir>      (inside the build's Wine session)
"""
import os
import pathlib
import sys

build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
source = pathlib.Path(__file__).resolve().parents[3]
os.environ.setdefault("TOL_BIN_DIR", str(build / "testbed"))
os.environ.setdefault("TOL_SOURCE_DIR", str(source))
sys.path.insert(0, str(source / "system_tests"))

import plugin_host  # noqa: E402
import winhost  # noqa: E402
from agent_install import reg_add, windows_path  # noqa: E402

CLSID = "{9979D694-31BD-4307-A1E5-F625EC1B5933}"
LOG = "Tol19Bench"
SOURCE = "Tol19BenchSource"
LOG_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog" "\\" + LOG
RECORDS = 10000
MANY_RECORDS = 100000


def one_pass(title, source, types, sid="S-1-5-18", records=RECORDS):
    record = "\\t".join(["-", LOG, "4", "1000", source, "BENCH-HOST", sid, "now", "0a0b0c0d",
                         "svc-%d" % records, "bench-host", "the third insert"])
    script = [
        "load tol_eventlog.dll", "evlog-hook", "register", "create " + CLSID, "init",
        "set 2 i4 3", "set 1 i4 300", "advise",
        "evlog-log -\\t" + LOG, "add LEA\\t1\\t1\\t\\t%s\\t%s" % (LOG, types),
        "evlog-wait -\\t%s\\t2\\t60000" % LOG,
        "evlog-fill %d\\t%s" % (records, record),
        "set 1 i4 1", "evlog-wait -\\t%s\\t3\\t600000" % LOG, "set 1 i4 300",
        "evlog-stats -\\t" + LOG, "get", "release", "unregister", "unload"]
    run = plugin_host.run_script(script, timeout=900)
    stats = dict(item.split("=") for item in run.entries("evlog-stats")[0][1].split())
    ms = float(stats["pass-ms"])
    gets = run.entries("get")
    size = gets[0][1].split()[0] if gets and gets[0][0] == plugin_host.S_OK else "0"
    print("  %-66s %9.1f ms  %9.0f records/s  result %s bytes"
          % ("%s records: %s" % (format(records, ","), title), ms, records / (ms / 1000.0), size),
          flush=True)
    return ms


def main():
    if not winhost.available():
        print("needs the Wine session of tools/wine_session.sh")
        return 1
    reg_add(LOG_KEY + "\\" + SOURCE, "EventMessageFile", windows_path("evt_messages_test.dll"),
            kind="REG_EXPAND_SZ")
    try:
        print("one check pass over the new records of one log (open to close of the log):")
        formatted = "read, formatted through the message file, recorded"
        few = one_pass(formatted, SOURCE, "4")
        one_pass("read, strings joined (no message file), recorded", "Tol19NoFile", "4")
        one_pass("read and decoded only (type not listed)", SOURCE, "1")
        many = one_pass(formatted, SOURCE, "4", records=MANY_RECORDS)
        print("event-log pass %s / %s records: %.1f"
              % (format(MANY_RECORDS, ","), format(RECORDS, ","), many / few), flush=True)
    finally:
        winhost.reg("delete", LOG_KEY, "/f")
    return 0


if __name__ == "__main__":
    sys.exit(main())
