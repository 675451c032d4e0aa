#!/usr/bin/env bash
# Prints the architecture the tests run on: i686 where this kernel runs 32-bit programs (and so
# 32-bit Wine), else x86_64, whose 64-bit Wine runs the same sources built for 64 bits.
if [ -n "${TOL_TEST_ARCH:-}" ]; then
    echo "$TOL_TEST_ARCH"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo i686
else
    echo x86_64
fi
