"""A real desktop for system tests of windowed programs.

Xvfb on a display number of its own, a named Wine desktop of that size whose shell is Wine's
explorer (taskbar and notification area), and desktop_probe.exe, which joins the desktop,
launches programs into it and answers questions about its windows. Screenshots are read from
Xvfb's frame buffer (an XWD image in its -fbdir folder) and kept as PNG files.

    with Desktop("tol26") as desktop:
        pid = desktop.launch(path)
        window = desktop.find(pid, "#32770", "Title")
        picture = desktop.screenshot("start.png")
"""
import os
import pathlib
import queue
import shutil
import struct
import subprocess
import tempfile
import threading
import time
import zlib

import winhost

PROBE = "desktop_probe.exe"
WM_COMMAND = 0x0111
WM_CLOSE = 0x0010


def windows_path(path):
    """The Windows form of a Unix path: on drive C: inside the prefix, else on Z:."""
    path = pathlib.Path(path).resolve()
    drive_c = (pathlib.Path(os.environ.get("WINEPREFIX", "/nonexistent")) / "drive_c").resolve()
    if drive_c in path.parents:
        return "C:\\" + str(path.relative_to(drive_c)).replace("/", "\\")
    return "Z:" + str(path).replace("/", "\\")


def artefact_dir(name):
    """A folder for a test's artefacts under the build folder (kept after the run)."""
    base = pathlib.Path(os.environ.get("TOL_BUILD_DIR", winhost.BIN_DIR.parent))
    folder = base / "test_artefacts" / name
    folder.mkdir(parents=True, exist_ok=True)
    return folder


class Picture:
    """An RGB image: width, height and rows of bytes (r, g, b per pixel)."""

    def __init__(self, width, height, rgb):
        self.width = width
        self.height = height
        self.rgb = rgb

    @classmethod
    def from_xwd(cls, data):
        (header_size, _version, _format, _depth, width, height, _xoffset, byte_order,
         _unit, _bit_order, _pad, bits_per_pixel, bytes_per_line, _visual, red_mask,
         _green_mask, _blue_mask, _bits_rgb, _entries, colours) = struct.unpack(">20I", data[:80])
        assert bits_per_pixel == 32 and byte_order == 0 and red_mask == 0xFF0000, "32-bit BGRX"
        start = header_size + colours * 12
        rgb = bytearray(width * height * 3)
        for y in range(height):
            row = data[start + y * bytes_per_line:start + y * bytes_per_line + width * 4]
            out = rgb[y * width * 3:(y + 1) * width * 3]
            out[0::3] = row[2::4]
            out[1::3] = row[1::4]
            out[2::3] = row[0::4]
            rgb[y * width * 3:(y + 1) * width * 3] = out
        return cls(width, height, bytes(rgb))

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count(self, colour, box=None, tolerance=40):
        """Pixels within `tolerance` (per channel) of the colour, inside box (l, t, r, b)."""
        left, top, right, bottom = box or (0, 0, self.width, self.height)
        left, top = max(left, 0), max(top, 0)
        right, bottom = min(right, self.width), min(bottom, self.height)
        n = 0
        for y in range(top, bottom):
            row = self.rgb[(y * self.width + left) * 3:(y * self.width + right) * 3]
            for i in range(0, len(row), 3):
                if (abs(row[i] - colour[0]) <= tolerance and abs(row[i + 1] - colour[1]) <= tolerance
                        and abs(row[i + 2] - colour[2]) <= tolerance):
                    n += 1
        return n

    def centre_of(self, colour, box, tolerance=40):
        """The centre (x, y) of the pixels near the colour inside box; None when there are none."""
        left, top, right, bottom = box
        points = [(x, y) for y in range(max(top, 0), min(bottom, self.height))
                  for x in range(max(left, 0), min(right, self.width))
                  if all(abs(a - b) <= tolerance for a, b in zip(self.pixel(x, y), colour))]
        if not points:
            return None
        return (sum(p[0] for p in points) // len(points), sum(p[1] for p in points) // len(points))

    def save_png(self, path):
        raw = bytearray()
        stride = self.width * 3
        for y in range(self.height):
            raw.append(0)
            raw += self.rgb[y * stride:(y + 1) * stride]

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body)))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        pathlib.Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                                       + chunk(b"IDAT", zlib.compress(bytes(raw), 6))
                                       + chunk(b"IEND", b""))


class Desktop:
    def __init__(self, name, size=(800, 600)):
        self.name = name
        self.size = size
        self.xvfb = None
        self.probe = None
        self.fbdir = None
        self.display = None
        self.answers = queue.Queue()

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        self.fbdir = pathlib.Path(tempfile.mkdtemp(prefix="tol26_xvfb_"))
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % self.size, "-fbdir", str(self.fbdir), "-nolisten", "tcp"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        assert number, "Xvfb did not start"
        self.display = ":" + number
        env = dict(os.environ, DISPLAY=self.display)
        self.probe = subprocess.Popen(
            [winhost.WINE, str(winhost.BIN_DIR / PROBE), self.name, "%dx%d" % self.size], env=env,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            text=True, encoding="utf-8", bufsize=1)
        threading.Thread(target=self._read_answers, daemon=True).start()
        ready = self.answer(timeout=60)
        assert ready.startswith("ready ") and "tray=none" not in ready, ready

    def _read_answers(self):
        for line in self.probe.stdout:
            self.answers.put(line.rstrip("\n"))
        self.answers.put(None)

    def answer(self, timeout=60):
        line = self.answers.get(timeout=timeout)
        assert line is not None, "desktop_probe ended"
        return line

    def command(self, *fields, timeout=60):
        """One probe command; returns its answer line."""
        self.probe.stdin.write("\t".join(str(f) for f in fields) + "\n")
        self.probe.stdin.flush()
        return self.answer(timeout)

    def stop(self):
        if self.probe:
            try:
                self.probe.stdin.close()
                self.probe.wait(timeout=30)
            except (OSError, subprocess.TimeoutExpired):
                self.probe.kill()
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
        if self.fbdir:
            shutil.rmtree(self.fbdir, ignore_errors=True)

    # Programs and windows.
    def launch(self, program, arguments=""):
        fields = ["launch", windows_path(program)] + ([arguments] if arguments else [])
        answer = self.command(*fields)
        assert answer.startswith("launched "), answer
        return int(answer.split()[1])

    def exit_code(self, pid, timeout_ms=15000):
        """The program's exit code, or None while it runs."""
        word = self.command("wait", pid, timeout_ms).split()[1]
        return None if word == "running" else int(word)

    def find(self, pid, cls="*", title="*", timeout_ms=20000):
        answer = self.command("find", pid, cls, title, timeout_ms)
        return None if answer == "window none" else answer.split()[1]

    def child(self, window, cls, timeout_ms=10000):
        answer = self.command("child", window, cls, timeout_ms)
        return None if answer == "window none" else answer.split()[1]

    def send(self, window, message, wparam=0, lparam=0):
        answer = self.command("send", window, message, wparam, lparam)
        assert answer.startswith("result ") and answer != "result timeout", answer
        return int(answer.split()[1])

    def post(self, window, message, wparam=0, lparam=0):
        assert self.command("post", window, message, wparam, lparam) == "posted 1"

    def state(self, window):
        """{'exists': bool, 'visible': bool, 'iconic': bool, 'rect': (l, t, r, b)}"""
        fields = dict(f.split("=") for f in self.command("state", window).split()[1:])
        return {"exists": fields["exists"] == "1", "visible": fields["visible"] == "1",
                "iconic": fields["iconic"] == "1",
                "rect": tuple(int(v) for v in fields["rect"].split(","))}

    # The registry, through the probe (a reg.exe run costs a Wine process start each).
    def reg_read(self, key, name=None):
        answer = self.command("regread", key, name or "-")
        return None if answer == "value none" else answer[len("value "):]

    def reg_write(self, key, name, text):
        assert self.command("regwrite", key, name or "-", text) == "written 1"

    def reg_delete(self, key, name=None):
        return self.command("regdelete", key, name or "-") == "deleted 1"

    def tray_rect(self):
        answer = self.command("tray")
        assert answer != "tray none"
        return tuple(int(v) for v in answer.split()[1].split(","))

    def screenshot(self, path=None, settle=3.0):
        """The screen once two pictures taken in a row agree (at most `settle` seconds), so
        that a picture does not catch the desktop half drawn."""
        end = time.monotonic() + settle
        picture = self._read_screen()
        while time.monotonic() < end:
            time.sleep(0.15)
            again = self._read_screen()
            if again.rgb == picture.rgb:
                break
            picture = again
        if path:
            picture.save_png(path)
        return picture

    def _read_screen(self):
        return Picture.from_xwd((self.fbdir / "Xvfb_screen0").read_bytes())

    def wait_for_picture(self, condition, timeout=15, path=None):
        """Screenshots until condition(picture) holds; the last one is returned (and kept)."""
        end = time.monotonic() + timeout
        while True:
            picture = self._read_screen()
            if condition(picture) or time.monotonic() > end:
                picture = self.screenshot() if condition(picture) else picture
                if path:
                    picture.save_png(path)
                return picture
            time.sleep(0.2)
