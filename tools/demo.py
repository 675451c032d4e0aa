#!/usr/bin/env python3
"""make demo: shows what the agent reads about this host inside the build's Wine prefix."""
import os
import pathlib
import subprocess
import sys

build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/x86_64").resolve()
wine = os.environ["TOL_WINE"]
print("Tolvane agent demo (Wine prefix %s)" % os.environ["WINEPREFIX"])
subprocess.run([wine, str(build / "bin" / "agent_info.exe")], check=True)
