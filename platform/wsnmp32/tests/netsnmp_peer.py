"""Debian's net-snmp as the peer of the WinSNMP tests and benchmark: an snmpd on a free
loopback port with the project's configuration, and its command-line tools."""
import os
import pathlib
import socket
import subprocess
import tempfile
import time

CONF = pathlib.Path(__file__).resolve().parent / "snmpd.conf"
COMMUNITY = "tolvane"
NO_MIBS = ["-M", "/nonexistent", "-m", ""]


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def tool(name, *args, timeout=30):
    """Runs a net-snmp tool; returns the completed process."""
    return subprocess.run([name, *NO_MIBS, *args], capture_output=True, text=True, timeout=timeout,
                          stdin=subprocess.DEVNULL)


class Agent:
    """An snmpd of its own, on 127.0.0.1 and a free port."""

    def __init__(self):
        self.dir = tempfile.TemporaryDirectory(prefix="tol_snmpd_")
        self.port = free_udp_port()
        self.log = open(os.path.join(self.dir.name, "snmpd.log"), "w")
        env = dict(os.environ, SNMP_PERSISTENT_DIR=self.dir.name)
        self.process = subprocess.Popen(
            ["/usr/sbin/snmpd", "-f", "-Lo", "-C", "-c", str(CONF), *NO_MIBS,
             "-p", os.path.join(self.dir.name, "snmpd.pid"), f"udp:127.0.0.1:{self.port}"],
            stdout=self.log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, env=env)
        deadline = time.time() + 15
        while time.time() < deadline:
            if self.get("1.3.6.1.4.1.99999.1.1.0").returncode == 0:
                return
            time.sleep(0.2)
        self.stop()
        raise RuntimeError("snmpd did not start")

    @property
    def address(self):
        return f"127.0.0.1:{self.port}"

    def get(self, *oids, version="2c", command="snmpget", options=("-On", "-Ox", "-Ot", "-Oe")):
        return tool(command, "-v", version, "-c", COMMUNITY, "-t", "1", "-r", "1", *options,
                    self.address, *oids)

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()
        self.dir.cleanup()
