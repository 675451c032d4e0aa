#!/usr/bin/env bash
# make fuzz: builds the fuzz targets natively with clang's libFuzzer (address and undefined-
# behaviour sanitizers on) and runs each for FUZZ_RUNS inputs (default 1,000,000), printing
# its figures. A crash stops the run with the input that made it in the target's folder under
# FUZZ_OUT (default build/fuzz): that input becomes a test case.
#
# A target is one line of the table below: name, sources, include folders, seed corpus, and
# the longest input.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${FUZZ_OUT:-$root/build/fuzz}
runs=${FUZZ_RUNS:-1000000}

targets=(
    "reply_body|agent/fuzz/reply_fuzzer.cpp agent/reply_body_reader.cpp agent/reply_dispatch.cpp common/text_fields.cpp|agent common|agent/fuzz/corpus|8400"
    "tol_icmp_line|plugins/tol_icmp/fuzz/ping_line_fuzzer.cpp plugins/tol_icmp/ping_line.cpp plugins/tol_icmp/ping_test_list.cpp plugins/tol_icmp/ping_verdict.cpp common/text_fields.cpp|plugins/tol_icmp common|plugins/tol_icmp/fuzz/corpus|4096"
)

summary=()
for entry in "${targets[@]}"; do
    IFS='|' read -r name sources includes seeds longest <<<"$entry"
    dir=$out/$name
    mkdir -p "$dir/corpus"
    args=()
    for source in $sources; do args+=("$root/$source"); done
    for include in $includes; do args+=("-I$root/$include"); done
    echo "== fuzz $name: building"
    clang++ -std=c++17 -g -O2 -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=undefined "${args[@]}" -o "$dir/$name"
    echo "== fuzz $name: $runs inputs"
    log=$dir/run.log
    start=$(date +%s%N)
    if ! (cd "$dir" && ./"$name" -runs="$runs" -max_len="$longest" -print_final_stats=1 \
            -artifact_prefix="$dir/" corpus "$root/$seeds") >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "== fuzz $name: FAILED; the input is in $dir (crash-*, leak-*, timeout-*)"
        exit 1
    fi
    tenths=$((($(date +%s%N) - start) / 100000000))
    stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -n 1; }
    line=$(printf "%-14s %9s inputs  %4d.%d s  %8s/s  corpus %5s  peak RSS %s MB  no crash" \
        "$name" "$(stat number_of_executed_units)" $((tenths / 10)) $((tenths % 10)) \
        "$(stat average_exec_per_sec)" "$(ls "$dir/corpus" | wc -l)" "$(stat peak_rss_mb)")
    echo "$line"
    summary+=("$line")
done
echo
echo "== fuzz figures"
printf '%s\n' "${summary[@]}"
