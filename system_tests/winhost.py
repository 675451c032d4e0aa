"""Running the built Windows programs under the test session's Wine."""
import os
import pathlib
import subprocess

BIN_DIR = pathlib.Path(os.environ.get("TOL_BIN_DIR", "."))
SOURCE_DIR = pathlib.Path(os.environ.get("TOL_SOURCE_DIR", pathlib.Path(__file__).parent.parent))
WINE = os.environ.get("TOL_WINE", "")
ARCH = os.environ.get("TOL_ARCH", "")


def available():
    return bool(WINE) and BIN_DIR.is_dir()


def run(program, *args, timeout=60, check=False, env=None):
    """Runs a program of the build folder (or a Windows command) and returns the completed
    process with text output."""
    exe = BIN_DIR / program if (BIN_DIR / program).exists() else program
    full_env = dict(os.environ)
    if env:
        full_env.update(env)
    return subprocess.run([WINE, str(exe), *args], capture_output=True, timeout=timeout,
                          check=check, env=full_env, stdin=subprocess.DEVNULL,
                          encoding="utf-8", errors="replace")


def start(program, *args, env=None, stdin=subprocess.DEVNULL):
    """Starts a program of the build folder in the background (stdin=subprocess.PIPE to talk
    to it)."""
    full_env = dict(os.environ)
    if env:
        full_env.update(env)
    return subprocess.Popen([WINE, str(BIN_DIR / program), *args], env=full_env,
                            stdin=stdin, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, encoding="utf-8", errors="replace")


def reg(*args):
    """Runs Wine's reg.exe; returns the completed process."""
    return run("reg", *args, timeout=30)


def unix_path(windows_path):
    out = run("winepath", "-u", windows_path, timeout=30).stdout.strip()
    return pathlib.Path(out)


def temp_dir():
    """The Unix path of the Windows temporary folder of the prefix."""
    out = run("cmd", "/c", "echo %TEMP%", timeout=30).stdout.strip()
    return unix_path(out)


def rss_kb(pid):
    """The resident memory of a running program (its Unix process id), in KiB."""
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS for process %d" % pid)


def end_process(process, timeout=10):
    """Ends a process the test started (SIGTERM, SIGKILL if it lingers) and waits for it."""
    if process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
