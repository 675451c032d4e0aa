#!/usr/bin/env bash
# Fails when a tracked C or C++ file differs from what clang-format makes of it (.clang-format).
# With --fix the files are rewritten in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(--dry-run --Werror)
[ "${1:-}" = "--fix" ] && mode=(-i)
git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 -r clang-format "${mode[@]}"
