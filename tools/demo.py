#!/usr/bin/env python3
"""make demo: the agent installed into a private Wine prefix and running as the Windows
service "Tolvane Quorin Agent" against the local reference monitoring server.

It copies the program, the plug-in library and the plug-ins into C:\\Program Files\\Tolvane of
the prefix, registers them, points the Host setting at a reference server on 127.0.0.1,
registers a demo account through the automation object and starts the service; then it shows
the exchange live: logins, the test lines the server hands out, and the result records as
they arrive, decoded. Ctrl-C (or DEMO_SECONDS) stops the service and removes the installation.
"""
import contextlib
import http.server
import os
import pathlib
import shutil
import signal
import sys
import threading
import time

source = pathlib.Path(__file__).resolve().parent.parent
build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
install_dir = pathlib.Path(os.environ["WINEPREFIX"]) / "drive_c" / "Program Files" / "Tolvane"
os.environ["TOL_BIN_DIR"] = str(install_dir)
os.environ["TOL_SOURCE_DIR"] = str(source)
sys.path.insert(0, str(source / "system_tests"))
sys.path.insert(0, str(source / "tools" / "refserver"))
sys.path.insert(0, str(source / "platform" / "wsnmp32" / "tests"))

import agent_install  # noqa: E402
import ndis_peer  # noqa: E402
import netns  # noqa: E402
import netsnmp_peer  # noqa: E402
from refserver import RefServer  # noqa: E402
from result_records import named_fields, nested_names  # noqa: E402

agent_install.CLIENT_EXE = build / "testbed" / "agent_client.exe"

ACCOUNT = ("demo@example.com", "demo-host")
PROGRAM_FILES = ["Tolvane.exe", "zlibwapi.dll", "Tolvane.PlugIns.dll", "tol_utils.dll",
                 "Updater.exe"]
# The Windows SNMP API of the test bed (Wine has none), beside the plug-ins that use it.
TESTBED_FILES = ["wsnmp32.dll"]
# bin/ holds the deliverables alone: every plug-in found there ships.
PLUGINS = sorted(p.name for p in (build / "bin").glob("tol_*.dll") if p.name != "tol_utils.dll")
# What the server hands out at login: a poll period, a check interval, the ping tests, a
# free-space test of drive C: (every send also carries the disk plug-in's drive list).
TEST_LINES = ["POL\t0\t5", "CHK\t0\t10",
              "PGA\t1\t1\t127.0.0.1\t32\t3\t1000\t-1",
              "PGA\t2\t1\tlocalhost\t64\t2\t1000\t1",
              "PGA\t3\t1\t%s.invalid\t32\t1\t1000\t-1" % ("x" * 70),
              "DKA\t11\t1\tC\t1",
              # Wine keeps no event log: the local log opens and stays empty, a remote host's
              # log cannot be reached (its status 2 result shows the system's text).
              "LEA\t21\t1\t\tApplication\t0,1,2,4,8,16",
              "LEA\t22\t1\t127.0.19.1\tSystem\t1,2",
              # Processes: the agent itself, one over a 1 MB working-set limit, one absent.
              "PRA\t31\t1\t-1\t-1\t-1\tTolvane.exe",
              "PRA\t32\t1\t-1\t1\t-1\tservices.exe",
              "PRA\t33\t1\t-1\t-1\t-1\tnotepad.exe"]
# The adapter counters of the first link of this host that is up (its name is the adapter's).
TEST_LINES += ["NTA\t4\t1\t%s" % (netns.links_up() or ["eth0"])[0]]
# A range scan of four loopback addresses; the demo's snmpd answers on the first.
SNMP_HOST = "127.0.20.1"
TEST_LINES += ["DCA\t31\t1\t127.0.20.1\t127.0.20.5\t1.3.6.1.2.1.1.3.0"]
# Local memory: free physical, page-file and virtual memory, within the limits and below one.
TEST_LINES += ["MMA\t12\t1\t-1\t-1\t-1", "MMA\t13\t1\t1000000\t-1\t-1"]
# Local processor usage, the whole system and each processor (nested).
TEST_LINES += ["CUA\t14\t1\t-1\t-1\t-1\t-1\t-1"]


# The page of the demo's own web server on 127.0.0.1, which the HTTP plug-in checks.
DEMO_PAGE = b"<html><body>Tolvane demo page</body></html>\n"


def http_test_lines(port):
    """HTTP tests against the demo's web server: the page with its text, a missing page."""
    return ["HPA\t4\t1\t127.0.0.1\t/\t%d\tTolvane demo page\t\t\t\t10\t0\t0\t1\t1\t0" % port,
            "HPA\t5\t1\t127.0.0.1\t/missing\t%d\t\t\t\t\t10\t0\t0\t0\t1\t0" % port]


class DemoPage(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        found = self.path == "/"
        body = DEMO_PAGE if found else b"not here\n"
        self.send_response(200 if found else 404)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def say(text):
    print(text, flush=True)


def copy_files(agent):
    install_dir.mkdir(parents=True, exist_ok=True)
    for name in PROGRAM_FILES + PLUGINS:
        shutil.copy2(build / "bin" / name, install_dir / name)
    for name in TESTBED_FILES:
        shutil.copy2(build / "testbed" / name, install_dir / name)
    say("installed into C:\\Program Files\\Tolvane: %s" % ", ".join(PROGRAM_FILES + PLUGINS + TESTBED_FILES))


def register_account(agent):
    for line in agent_install.client([
            "create", "call\tRegister\ts:%s\ts:%s\ts:demo-password" % ACCOUNT,
            "call\tStartWork", "call\tGetStatus", "release"]):
        say("automation: " + line)


def delete_files(agent):
    shutil.rmtree(install_dir, ignore_errors=True)


Installation = agent_install.Installation
# The installation and its removal, step by step as the README's "Installing on a Windows
# host" numbers them (system_tests/test_install_steps.py holds these names to the README's).
INSTALL_STEPS = [
    ("Copy the files", copy_files),
    ("Register the plug-in library and the plug-ins", Installation.register_plugins),
    ("Write the settings", Installation.write_settings),
    ("Register the service", Installation.register_service),
    ("Start the service", Installation.start),
    ("Register the account", register_account),
]
REMOVAL_STEPS = [
    ("Stop the service", Installation.stop_service),
    ("Forget the registration", Installation.forget_registration),
    ("Unregister the service", Installation.unregister_service),
    ("Unregister the plug-ins", Installation.unregister_plugins),
    ("Delete the settings", Installation.delete_settings),
    ("Delete the files", delete_files),
]


def run_steps(title, steps, agent):
    for number, (name, step) in enumerate(steps, 1):
        say("%s step %d: %s" % (title, number, name))
        step(agent)


def values_text(fields):
    values = []
    for name, value in fields:
        if name in ("type", "test_id", "location_id", "timestamp"):
            continue
        if isinstance(value, float):
            value = "%.2f" % value
        elif isinstance(value, str):
            value = repr(value)
        values.append("%s: %s" % (name, value))
    return ", ".join(values)


def record_line(record):
    return "      %s test %s (location %s): %s" % (
        record.type_name or "type %s" % record.type, record.test_id, record.location_id,
        values_text(named_fields(record)))


def nested_lines(record):
    names = nested_names(record)
    for child in record.nested:
        yield "        " + values_text(named_fields(child, names))


def show(exchange):
    stamp = time.strftime("%H:%M:%S", time.localtime(exchange.time))
    if exchange.kind == "login":
        session = dict(exchange.reply_headers).get("Tol-SessionID", "-")
        say("[%s] login  %s / %s  -> session %s" % (stamp, exchange.header("Tol-EMail"),
                                                   exchange.header("Tol-AName"), session))
    elif exchange.kind == "session":
        records = exchange.records or []
        say("[%s] send   %d bytes (Tol-Compression %s, Tol-CheckSum %s), %d result record(s)"
            % (stamp, len(exchange.body_raw), exchange.header("Tol-Compression"),
               exchange.header("Tol-CheckSum"), len(records)))
        for record in records:
            say(record_line(record))
            for line in nested_lines(record):
                say(line)
    else:
        say("[%s] REJECTED: %s" % (stamp, "; ".join(exchange.violations)))
    for line in exchange.reply_body.decode("utf-8", "replace").split("\n"):
        if line:
            say("         test line to the agent: %s" % line.replace("\t", " "))


def snmp_test_lines(agent):
    """SNMP GETs of the demo's own snmpd: its name, uptime and interface count (limited to 1..16)
    as v2c, and the same through a wrong community, which times out."""
    oids = "1.3.6.1.2.1.1.5.0;1.3.6.1.2.1.1.3.0;1.3.6.1.2.1.2.1.0"
    line = "SPA\t%d\t1\t127.0.0.1\t%d\t2\t%s\t%s\t\t\t\t\t\t%d\t1\t%s"
    # Without limits the last field is empty: the line ends in two TABs.
    return [line % (41, agent.port, oids, netsnmp_peer.COMMUNITY, 2, ";;1,16"),
            line % (42, agent.port, oids, "not-the-community", 1, "\t")]


def watch(server, stop):
    shown = 0
    while not stop.is_set():
        exchanges = server.exchanges
        for exchange in exchanges[shown:]:
            show(exchange)
        shown = len(exchanges)
        stop.wait(0.5)


def main():
    stop = threading.Event()
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    web = http.server.ThreadingHTTPServer(("127.0.0.1", 0), DemoPage)
    threading.Thread(target=web.serve_forever, daemon=True).start()
    snmpd = netsnmp_peer.Agent(prefix="tol_demo_snmpd_")
    with RefServer(accounts=[ACCOUNT], tls=True) as server, contextlib.ExitStack() as peers:
        try:
            peers.enter_context(ndis_peer.SnmpAgent([SNMP_HOST]))
            say("snmpd answers on %s:161 (community %s)" % (SNMP_HOST, ndis_peer.COMMUNITY))
        except (RuntimeError, OSError) as error:
            say("no snmpd on %s:161 (%s): the scan reports its hosts without SNMP texts"
                % (SNMP_HOST, error))
        server.queue_lines(TEST_LINES + http_test_lines(web.server_address[1]) + snmp_test_lines(snmpd),
                           kind="login")
        say("reference server: %s (account %s / %s)" % (server.url, *ACCOUNT))
        say("demo web server for the HTTP tests: http://127.0.0.1:%d/" % web.server_address[1])
        say("demo snmpd for the SNMP tests: udp:%s" % snmpd.address)
        agent = Installation(server.url, plugins=PLUGINS)
        agent.clear_leftovers()
        try:
            run_steps("install", INSTALL_STEPS, agent)
            say("service \"%s\" is %s" % (agent_install.SERVICE, agent_install.service_state()))
            say("watching the exchange; Ctrl-C stops the demo")
            seconds = float(os.environ.get("DEMO_SECONDS", "0"))
            if seconds:
                threading.Timer(seconds, stop.set).start()
            watch(server, stop)
        finally:
            run_steps("removal", REMOVAL_STEPS, agent)
        say("service removed; %d exchange(s), %d protocol violation(s)"
            % (len(server.exchanges), len(server.violations)))
    web.shutdown()
    web.server_close()
    snmpd.stop()
    return 1 if server.violations else 0


if __name__ == "__main__":
    sys.exit(main())
