"""The Updater's test bed: the agent installed as a running service into an installation folder
of the test prefix, as the demo installs it (its files copied, then registered), an unpacked
update in a temporary folder, and Updater.exe run on them with its day log read back.

    with UpdaterBed(server.url) as bed:
        update = bed.update_folder({"Tolvane.exe": marked_agent("4.002")})
        assert bed.run_updater(update, bed.install_text, "4.002") == 0
        lines = bed.log_lines()

One bed serves several tests, each taking the service as the last one left it; each run of the
Updater starts a fresh day log.
"""
import io
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import zipfile

import winhost
from agent_install import (Installation, agent_processes, service_state, wait_until,
                           windows_path)

# Fixed when imported, before BIN_DIR points at the installation folder.
BUILD_BIN = winhost.BIN_DIR.resolve()
UPDATER = BUILD_BIN / "Updater.exe"
PROGRAM_FILES = ["Tolvane.exe", "zlibwapi.dll", "Tolvane.PlugIns.dll", "Updater.exe"]
INSTALL_TEXT = r"C:\Program Files\Tolvane"
LINE_PREFIX = re.compile(r"^\d\d:\d\d:\d\d \(\d+\): ")
EXIT_BAD_ARGUMENTS = 255   # -1, as Wine keeps the low 8 bits of an exit code


def install_dir():
    return pathlib.Path(os.environ["WINEPREFIX"]) / "drive_c" / "Program Files" / "Tolvane"


def log_lines(folder, stem="tolupdate"):
    """The lines of the day logs of a stem in a folder (the Updater's; "tolintagent": the
    agent's trace log), without their time and thread."""
    lines = []
    for log in sorted(folder.glob(stem + "_*.log")):
        lines += [LINE_PREFIX.sub("", line) for line in
                  log.read_text(encoding="utf-8", errors="replace").splitlines()]
    return lines


def zip_bytes(entries):
    """A zip archive of the given files (name: bytes), as an upgrade package."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in entries.items():
            archive.writestr(name, data)
    return buffer.getvalue()


def process_table():
    """The machine's processes, to show what is left running when a test fails."""
    return subprocess.run(["ps", "-eo", "pid,ppid,stat,lstart,args"], capture_output=True,
                          text=True).stdout


def marked_agent(version):
    """The agent program with a marker after its image: another build of the same code."""
    return (BUILD_BIN / "Tolvane.exe").read_bytes() + b"\0tol24 marker " + version.encode()


class UpdaterBed:
    def __init__(self, host_url, registration=None):
        self.install = install_dir()
        self.install_text = INSTALL_TEXT
        self.installation = Installation(host_url, registration=registration)
        self.temp = winhost.temp_dir()
        self._folders = []
        self._bin = None

    def __enter__(self):
        self.copy_program()
        self._bin = winhost.BIN_DIR
        winhost.BIN_DIR = self.install
        self.installation.install()
        self.installation.start()
        return self

    def __exit__(self, *exc):
        if service_state() not in (None, "STOPPED"):
            self.installation.stop()
            wait_until(lambda: service_state() in (None, "STOPPED"), 30)
        # What an update left behind is put back, so that the program unregisters itself.
        self.copy_program()
        self.installation.uninstall()
        winhost.BIN_DIR = self._bin
        shutil.rmtree(self.install, ignore_errors=True)
        for folder in self._folders:
            shutil.rmtree(folder, ignore_errors=True)

    def copy_program(self):
        self.install.mkdir(parents=True, exist_ok=True)
        for name in PROGRAM_FILES:
            shutil.copy2(BUILD_BIN / name, self.install / name)

    def update_folder(self, files):
        """An unpacked update holding the given files (name: bytes); its Windows path."""
        folder = pathlib.Path(tempfile.mkdtemp(prefix="tol24 update "))
        self._folders.append(folder)
        for name, data in files.items():
            (folder / name).parent.mkdir(parents=True, exist_ok=True)
            (folder / name).write_bytes(data)
        return windows_path(str(folder))

    def run_updater(self, *arguments, timeout=180):
        """Runs Updater.exe on a fresh day log and returns its exit code."""
        for log in self.temp.glob("tolupdate_*.log"):
            log.unlink()
        done = winhost.run(str(UPDATER), *arguments, timeout=timeout)
        return done.returncode

    def log_lines(self):
        return log_lines(self.temp)

    def installed_bytes(self, name):
        return (self.install / name).read_bytes()
