"""A Debian nginx serving fixed files and locations for the HTTP plug-in's tests, on the
loopback addresses 127.0.22.1 to 127.0.22.4 with ports the system picks.

    with NginxSite() as site:
        site.url("/marker.html")                 -> "http://127.0.22.1:PORT/marker.html"
        site.url("/marker.html", "expired")      -> "https://127.0.22.2:PORT/marker.html"
        site.access_log()                        -> [AccessLine(...), ...]

Everything it writes (configuration, content, certificates made with openssl, pid and logs)
lies in a folder of its own, by default under the build folder; stop() ends the one nginx
process it started. Served over HTTP on 127.0.22.1 and over HTTPS on every address:

    /marker.html          200, a page holding MARKER
    /missing.html         404
    /private/             401 without the Basic credentials USER / PASSWORD
    /forbidden            403
    /redirect             302 to /marker.html
    /post                 200, "accepted <method> <content length>"
    /nul.bin              200, a body with NUL bytes, AFTER_NUL after them
    /large.bin            200, LARGE_SIZE bytes ending in LARGE_END
    /slow-body.bin        200, SLOW_BODY_SIZE bytes sent at 2 KiB a second
    /slow-head            200 never: the upstream answers nothing and nginx gives up with 504
                          after SLOW_HEAD_SECONDS

HTTPS certificates: "good" self-signed for 127.0.22.1, "expired" self-signed for 127.0.22.2
(valid in January 2020 only), "wrong_name" self-signed for another name on 127.0.22.3, and
"ca_signed" for 127.0.22.4 issued by a certificate authority of its own.
"""
import collections
import os
import pathlib
import shutil
import socket
import subprocess
import tempfile
import time

ADDRESSES = {"plain": "127.0.22.1", "good": "127.0.22.1", "expired": "127.0.22.2",
             "wrong_name": "127.0.22.3", "ca_signed": "127.0.22.4"}
MARKER = "TOLVANE-MARKER-22"
AFTER_NUL = "TOLVANE-AFTER-NUL"
NUL_BODY = b"head\0\0\0" + AFTER_NUL.encode() + b"\0tail\n"
LARGE_END = "TOLVANE-LARGE-END"
LARGE_SIZE = 3 * 1024 * 1024
SLOW_BODY_SIZE = 64 * 1024
SLOW_HEAD_SECONDS = 6
USER, PASSWORD = "admin", "s3cret"
MARKER_PAGE = "<html><body><p>tol_http test page: %s</p></body></html>\n" % MARKER

AccessLine = collections.namedtuple("AccessLine", "server method uri status user agent")

_CA_CONFIG = """[ca]
default_ca = tol
[tol]
dir = .
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = anything
copy_extensions = copy
unique_subject = no
[anything]
commonName = supplied
[ca_ext]
basicConstraints = critical,CA:true
keyUsage = critical,keyCertSign,cRLSign
"""

_LOCATIONS = """
        location = /forbidden { return 403; }
        location = /redirect { return 302 /marker.html; }
        location = /post { return 200 "accepted $request_method $content_length\\n"; }
        location /private/ {
            auth_basic "tol_http";
            auth_basic_user_file %(folder)s/htpasswd;
        }
        location = /slow-body.bin { limit_rate 2k; }
        location = /slow-head {
            proxy_pass http://127.0.22.1:%(blackhole)d;
            proxy_read_timeout %(slow_head)ds;
        }
"""


def _free_port(addresses):
    """A TCP port free on every one of the addresses."""
    for _ in range(50):
        with socket.socket() as probe:
            probe.bind((addresses[0], 0))
            port = probe.getsockname()[1]
        try:
            for address in addresses[1:]:
                with socket.socket() as other:
                    other.bind((address, port))
            return port
        except OSError:
            continue
    raise RuntimeError("no port free on %s" % ", ".join(addresses))


def _openssl(folder, *args):
    subprocess.run(["openssl", *args], cwd=folder, check=True, capture_output=True,
                   stdin=subprocess.DEVNULL)


class NginxSite:
    def __init__(self, folder=None):
        base = os.environ.get("TOL_BUILD_DIR")
        self.folder = pathlib.Path(folder or tempfile.mkdtemp(prefix="tol22_nginx_", dir=base))
        self._own_folder = folder is None
        self._process = None
        self._blackhole = None
        self.http_port = self.https_port = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # -- addresses ----------------------------------------------------------------------------
    def host(self, server="plain"):
        return ADDRESSES[server]

    def port(self, server="plain"):
        return self.http_port if server == "plain" else self.https_port

    def url(self, path, server="plain"):
        scheme = "http" if server == "plain" else "https"
        return "%s://%s:%d%s" % (scheme, ADDRESSES[server], self.port(server), path)

    # -- life cycle ---------------------------------------------------------------------------
    def start(self):
        self.folder.mkdir(parents=True, exist_ok=True)
        for sub in ("www/private", "tmp", "certs"):
            (self.folder / sub).mkdir(parents=True, exist_ok=True)
        self._write_content()
        self._make_certificates()
        self._blackhole = socket.socket()
        self._blackhole.bind(("127.0.22.1", 0))
        self._blackhole.listen(64)
        self.http_port = _free_port(["127.0.22.1"])
        self.https_port = _free_port(sorted(set(ADDRESSES.values())))
        (self.folder / "nginx.conf").write_text(self._config())
        self._process = subprocess.Popen(
            ["nginx", "-p", str(self.folder), "-c", str(self.folder / "nginx.conf"),
             "-g", "daemon off; master_process off;"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self._wait_listening()
        return self

    def stop(self):
        if self._process:
            self._process.terminate()
            try:
                self._process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
            self._process.stderr.close()
            self._process = None
        if self._blackhole:
            self._blackhole.close()
            self._blackhole = None
        if self._own_folder:
            shutil.rmtree(self.folder, ignore_errors=True)

    def access_log(self):
        """The requests nginx served, in order."""
        lines = []
        path = self.folder / "access.log"
        if path.exists():
            for line in path.read_text(errors="replace").splitlines():
                server, method, uri, status, user, agent = line.split("\t")
                lines.append(AccessLine(server, method, uri, int(status), user, agent))
        return lines

    # -- set-up -------------------------------------------------------------------------------
    def _wait_listening(self):
        end = time.monotonic() + 15
        targets = [("127.0.22.1", self.http_port)] + [
            (address, self.https_port) for address in sorted(set(ADDRESSES.values()))]
        while targets:
            if self._process.poll() is not None:
                raise RuntimeError("nginx ended: %s" % self._process.stderr.read().decode())
            try:
                socket.create_connection(targets[0], timeout=1).close()
                targets.pop(0)
            except OSError:
                if time.monotonic() > end:
                    raise RuntimeError("nginx does not listen on %s:%d" % targets[0])
                time.sleep(0.05)

    def _write_content(self):
        www = self.folder / "www"
        (www / "marker.html").write_text(MARKER_PAGE)
        (www / "private" / "index.html").write_text("private page " + MARKER + "\n")
        (www / "nul.bin").write_bytes(NUL_BODY)
        block = bytes(range(256)) * 4
        large = block * (LARGE_SIZE // len(block))
        (www / "large.bin").write_bytes(large[:LARGE_SIZE - len(LARGE_END)] + LARGE_END.encode())
        (www / "slow-body.bin").write_bytes(b"s" * SLOW_BODY_SIZE)
        hashed = subprocess.run(["openssl", "passwd", "-apr1", PASSWORD], check=True,
                                capture_output=True, text=True).stdout.strip()
        (self.folder / "htpasswd").write_text("%s:%s\n" % (USER, hashed))

    def _make_certificates(self):
        certs = self.folder / "certs"
        (certs / "ca.cnf").write_text(_CA_CONFIG)
        (certs / "index.txt").write_text("")
        (certs / "serial").write_text("01\n")
        self._certificate("good", "127.0.22.1", "IP:127.0.22.1")
        self._certificate("expired", "127.0.22.2", "IP:127.0.22.2",
                          dates=("200101000000Z", "200201000000Z"))
        self._certificate("wrong_name", "wrong.tol22.invalid", "DNS:wrong.tol22.invalid")
        self._certificate("authority", "tol22 test authority", None, extensions="ca_ext")
        self._certificate("ca_signed", "127.0.22.4", "IP:127.0.22.4", issuer="authority")

    def _certificate(self, name, common_name, alt_names, dates=None, issuer=None,
                     extensions=None):
        certs = self.folder / "certs"
        request = ["req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key",
                   "-subj", "/CN=" + common_name, "-out", name + ".csr"]
        if alt_names:
            request += ["-addext", "subjectAltName=" + alt_names]
        _openssl(certs, *request)
        sign = ["ca", "-batch", "-config", "ca.cnf", "-in", name + ".csr", "-out", name + ".crt"]
        if issuer:
            sign += ["-cert", issuer + ".crt", "-keyfile", issuer + ".key"]
        else:
            sign += ["-selfsign", "-keyfile", name + ".key"]
        sign += ["-startdate", dates[0], "-enddate", dates[1]] if dates else ["-days", "30"]
        if extensions:
            sign += ["-extensions", extensions]
        _openssl(certs, *sign)

    def _config(self):
        folder = str(self.folder)
        locations = _LOCATIONS % {"folder": folder, "blackhole": self._blackhole.getsockname()[1],
                                  "slow_head": SLOW_HEAD_SECONDS}
        servers = ["    server {\n        listen 127.0.22.1:%d;\n        root %s/www;\n%s    }\n"
                   % (self.http_port, folder, locations)]
        for name in ("good", "expired", "wrong_name", "ca_signed"):
            servers.append(
                "    server {\n        listen %s:%d ssl;\n        root %s/www;\n"
                "        ssl_certificate %s/certs/%s.crt;\n"
                "        ssl_certificate_key %s/certs/%s.key;\n%s    }\n"
                % (ADDRESSES[name], self.https_port, folder, folder, name, folder, name,
                   locations))
        temp = "\n".join("    %s_temp_path %s/tmp/%s;" % (kind, folder, kind)
                         for kind in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
        return """error_log %(folder)s/error.log warn;
pid %(folder)s/nginx.pid;
events { worker_connections 1024; }
http {
    log_format tol "$server_addr:$server_port\\t$request_method\\t$request_uri\\t$status\\t$remote_user\\t$http_user_agent";
    access_log %(folder)s/access.log tol;
%(temp)s
    types { text/html html; }
    default_type application/octet-stream;
    keepalive_timeout 5;
%(servers)s}
""" % {"folder": folder, "temp": temp, "servers": "".join(servers)}


def curl(url, *options):
    """(status code, bytes downloaded) as curl reports them for the URL."""
    out = subprocess.run(["curl", "-s", "-k", "-o", "/dev/null", "-w",
                          "%{http_code} %{size_download}", *options, url],
                         capture_output=True, text=True, timeout=60).stdout.split()
    return int(out[0]), int(out[1])
