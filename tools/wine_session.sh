#!/usr/bin/env bash
# Runs a command inside a Wine session of the build folder's private prefix:
# creates the prefix when missing, starts wineserver and Wine's services with stdio detached
# (a server started from inside a test would hold the test's output pipe open) and in a
# session of their own (Ctrl-C at the terminal reaches the command, not the services it
# runs), runs the command, then shuts the session down.
# Usage: tools/wine_session.sh <build dir> <i686|x86_64> <command...>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh" "$1" "$2"
shift 2

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating Wine prefix $WINEPREFIX"
    "$TOL_WINE" wineboot -i </dev/null >/dev/null 2>&1
    "$TOL_WINESERVER" -w
fi

setsid -w "$TOL_WINESERVER" -p </dev/null >/dev/null 2>&1
# A crashing program must fail at once with its exception code. Without a Debugger value Wine
# still starts winedbg, which under ctest ends the program with exit code 0; a debugger that
# does not exist makes the crash end the process.
if [ ! -f "$WINEPREFIX/.tol_no_debugger" ]; then
    for view in 'Software' 'Software\Wow6432Node'; do
        "$TOL_WINE" reg add "HKLM\\$view\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug" \
            /v Debugger /d tol_no_debugger.exe /f </dev/null >/dev/null 2>&1
    done
    touch "$WINEPREFIX/.tol_no_debugger"
fi
setsid -w "$TOL_WINE" wineboot </dev/null >/dev/null 2>&1

"$@"
rc=$?

"$TOL_WINESERVER" -k </dev/null >/dev/null 2>&1
"$TOL_WINESERVER" -w </dev/null >/dev/null 2>&1
exit $rc
