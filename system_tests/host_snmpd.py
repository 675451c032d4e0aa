"""Debian's snmpd as the remote host of the memory and processor plug-ins: an agent of a test's
own on <address>:161 (the plug-ins always ask port 161 with the community "quovel"), with its own
configuration and persistent folder under the build folder, and net-snmp's tools reading the
same values. A SilentHost holds <address>:161 and never answers.

    with HostAgent("127.0.15.1") as agent:
        agent.get("1.3.6.1.2.1.25.2.3.1.5.1")  -> {"1.3.6.1.2.1.25.2.3.1.5.1": ("INTEGER", "24682260")}

`views` limit what the agent shows: a list of subtrees (with an optional mask, as snmpd.conf
writes them); other identifiers then answer "no such object"."""
import os
import socket
import subprocess
import tempfile
import time

import winhost

COMMUNITY = "quovel"
PORT = 161
NO_MIBS = ["-M", "/nonexistent", "-m", ""]


def tool(name, *args, timeout=30):
    """Runs a net-snmp tool without MIB files; returns the completed process."""
    return subprocess.run([name, *NO_MIBS, *args], capture_output=True, text=True, timeout=timeout,
                          stdin=subprocess.DEVNULL)


def parse_answer(stdout):
    """{oid: (type, value)} of -On -Oe output; type "" for an exception such as no such object."""
    found = {}
    for line in stdout.splitlines():
        oid, sep, rest = line.partition(" = ")
        if not sep:
            continue
        kind, sep, value = rest.partition(": ")
        if not sep:
            kind, value = "", rest
        found[oid.lstrip(".")] = (kind, value.strip().strip('"'))
    return found


class HostAgent:
    def __init__(self, address, views=None, prefix="tol15_snmpd_"):
        self.address = address
        build = os.environ.get("TOL_BUILD_DIR")
        self.dir = tempfile.TemporaryDirectory(prefix=prefix, dir=build if build and os.path.isdir(build) else None)
        conf = os.path.join(self.dir.name, "snmpd.conf")
        lines = ["dontLogTCPWrappersConnects yes"]
        access = f"rocommunity {COMMUNITY} {{}}"
        if views is not None:
            # The system group stays in view: the start is awaited through its sysUpTime.
            lines += [f"view tolview included {v}" for v in list(views) + [".1.3.6.1.2.1.1"]]
            access += " -V tolview"
        # Requests come from the address the kernel picks for the destination: 127.0.0.1.
        lines += [access.format("127.0.0.1"), access.format(address)]
        with open(conf, "w") as f:
            f.write("\n".join(lines) + "\n")
        self.log = open(os.path.join(self.dir.name, "snmpd.log"), "w")
        env = dict(os.environ, SNMP_PERSISTENT_DIR=self.dir.name)
        self.process = subprocess.Popen(
            ["/usr/sbin/snmpd", "-f", "-Lf", self.log.name, "-C", "-c", conf, *NO_MIBS,
             "-p", os.path.join(self.dir.name, "snmpd.pid"), f"udp:{address}:{PORT}"],
            stdout=self.log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, env=env)
        self.started = time.monotonic()
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            if self.process.poll() is None and self.get("1.3.6.1.2.1.1.3.0"):
                return
            time.sleep(0.1)
        self.stop()
        raise RuntimeError("snmpd on %s:%d did not start" % (address, PORT))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def get(self, *oids):
        """{oid: (type, value)} of one snmpget of the identifiers ({} without an answer)."""
        out = tool("snmpget", "-v", "2c", "-c", COMMUNITY, "-t", "1", "-r", "2", "-On", "-Oe",
                   "-Ot", f"{self.address}:{PORT}", *oids)
        return parse_answer(out.stdout)

    def walk(self, root):
        out = tool("snmpwalk", "-v", "2c", "-c", COMMUNITY, "-t", "1", "-r", "2", "-On", "-Oe",
                   "-Ot", f"{self.address}:{PORT}", root)
        return parse_answer(out.stdout)

    def stop(self):
        winhost.end_process(self.process)
        self.log.close()
        self.dir.cleanup()


class SilentHost:
    """Takes every datagram to <address>:161 and answers none."""

    def __init__(self, address):
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.socket.bind((address, PORT))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.socket.close()
