#!/usr/bin/env bash
# Every deliverable of the product build is a 32-bit Windows binary.
set -euo pipefail
bad=0
for f in "$1"/*.exe "$1"/*.dll; do
    [ -e "$f" ] || continue
    if ! i686-w64-mingw32-objdump -f "$f" 2>/dev/null | grep -q 'file format pei-i386'; then
        echo "not a PE32 i386 binary: $f"; bad=1
    fi
done
exit $bad
