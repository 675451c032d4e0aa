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


def free_udp_port(host="127.0.0.1"):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind((host, 0))
        return s.getsockname()[1]


def tool(name, *args, timeout=30):
    """Runs a net-snmp tool; returns the completed process."""
    return subprocess.run([name, *NO_MIBS, *args], capture_output=True, text=True, timeout=timeout,
                          stdin=subprocess.DEVNULL)


class Agent:
    """An snmpd of its own, on a loopback address (127.0.0.1 unless given) and a free port;
    `extra_conf` lines are read after the project's configuration. Its configuration and
    persistent files go to a fresh folder in `parent` (the system's temporary folder unless
    given)."""

    def __init__(self, host="127.0.0.1", extra_conf=(), prefix="tol_snmpd_", parent=None):
        if parent:
            os.makedirs(parent, exist_ok=True)
        self.dir = tempfile.TemporaryDirectory(prefix=prefix, dir=parent)
        self.host = host
        self.port = free_udp_port(host)
        conf = str(CONF)
        if extra_conf:
            extra = os.path.join(self.dir.name, "extra.conf")
            with open(extra, "w") as f:
                f.write("\n".join(extra_conf) + "\n")
            conf += "," + extra
        self.log = open(os.path.join(self.dir.name, "snmpd.log"), "w")
        env = dict(os.environ, SNMP_PERSISTENT_DIR=self.dir.name)
        self.process = subprocess.Popen(
            ["/usr/sbin/snmpd", "-f", "-Lo", "-C", "-c", conf, *NO_MIBS,
             "-p", os.path.join(self.dir.name, "snmpd.pid"), f"udp:{host}:{self.port}"],
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
        return f"{self.host}:{self.port}"

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
