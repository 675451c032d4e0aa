#!/usr/bin/env bash
# Builds the decoder fuzz target natively with clang's libFuzzer and runs it.
# Usage: platform/wsnmp32/fuzz/run_fuzz.sh [seconds]   (default 60)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$here/../src
out=${FUZZ_OUT:-/tmp/wsnmp32_fuzz}
mkdir -p "$out/corpus"
cp -n "$here"/corpus/* "$out/corpus/" 2>/dev/null || true
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$src" "$here/decode_fuzzer.cpp" "$src/ber_reader.cpp" "$src/ber_writer.cpp" \
    "$src/snmp_message.cpp" "$src/v1_trap.cpp" -o "$out/decode_fuzzer"
cd "$out"
./decode_fuzzer -max_total_time="${1:-60}" -max_len=4096 -print_final_stats=1 corpus
