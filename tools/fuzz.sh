#!/usr/bin/env bash
# make fuzz: builds the fuzz targets natively with clang's libFuzzer (address and undefined-
# behaviour sanitizers on) and runs each for FUZZ_RUNS inputs (default 1,000,000), printing
# its figures. A crash stops the run with the input that made it in the target's folder under
# FUZZ_OUT (default build/fuzz): that input becomes a test case. FUZZ_TARGETS (names separated
# by blanks) runs only those targets.
#
# A target is one line of the table below: name, sources, include folders, seed corpus, and
# the longest input. Parts that need Windows types build against the small stand-in headers of
# common/fuzz (common/fuzz/win32_native.cpp does their calls as Windows documents them), which
# come first among the include folders.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${FUZZ_OUT:-$root/build/fuzz}
runs=${FUZZ_RUNS:-1000000}
only=${FUZZ_TARGETS:-}

targets=(
    "reply_body|agent/fuzz/reply_fuzzer.cpp agent/reply_body_reader.cpp agent/reply_dispatch.cpp common/text_fields.cpp|agent common|agent/fuzz/corpus|8400"
    "tol_icmp_line|plugins/tol_icmp/fuzz/ping_line_fuzzer.cpp plugins/tol_icmp/ping_line.cpp plugins/tol_icmp/ping_verdict.cpp common/text_fields.cpp common/text_numbers.cpp|plugins/tol_icmp common plugin_framework|plugins/tol_icmp/fuzz/corpus|4096"
    "tol_mem_line|plugins/tol_mem/fuzz/mem_line_fuzzer.cpp plugins/tol_mem/mem_line.cpp common/text_fields.cpp common/text_numbers.cpp|common/fuzz common plugin_framework plugins/tol_mem|plugins/tol_mem/fuzz/corpus|2048"
    "tol_cpu_line|plugins/tol_cpu/fuzz/cpu_line_fuzzer.cpp plugins/tol_cpu/cpu_line.cpp plugins/tol_cpu/cpu_verdict.cpp common/format_text.cpp common/text_fields.cpp common/text_numbers.cpp|common/fuzz common plugin_framework plugins/tol_cpu tol_utils platform/wsnmp32|plugins/tol_cpu/fuzz/corpus|2048"
    "tol_proc_line|plugins/tol_proc/fuzz/proc_line_fuzzer.cpp plugins/tol_proc/cpu_sample_list.cpp plugins/tol_proc/proc_checker.cpp plugins/tol_proc/proc_line.cpp plugins/tol_proc/proc_record.cpp plugins/tol_proc/proc_test_list.cpp plugins/tol_proc/proc_verdict.cpp tol_utils/mon_result2.cpp common/unix_time.cpp common/format_text.cpp common/fuzz/win32_native.cpp common/heap_helpers.cpp common/heap_text.cpp common/text_fields.cpp common/text_numbers.cpp|common/fuzz common plugins/tol_proc tol_utils|plugins/tol_proc/fuzz/corpus|2048"
    "tol_disk_line|plugins/tol_disk/fuzz/disk_line_fuzzer.cpp plugins/tol_disk/disk_line.cpp common/text_fields.cpp common/text_numbers.cpp|common/fuzz common plugin_framework plugins/tol_disk|plugins/tol_disk/fuzz/corpus|2048"
    "tol_eventlog_line|plugins/tol_eventlog/fuzz/event_log_line_fuzzer.cpp plugins/tol_eventlog/event_log_line.cpp plugins/tol_eventlog/event_types.cpp common/fuzz/win32_native.cpp common/heap_helpers.cpp common/heap_text.cpp common/text_fields.cpp common/text_numbers.cpp|common/fuzz common plugin_framework plugins/tol_eventlog comsupport|plugins/tol_eventlog/fuzz/corpus/lines|2048"
    "tol_ndis_line|plugins/tol_ndis/fuzz/ndis_line_fuzzer.cpp plugins/tol_ndis/ndis_line.cpp plugins/tol_ndis/scan_plan.cpp tol_utils/next_ip_address.cpp common/text_fields.cpp common/text_numbers.cpp|common/fuzz common plugins/tol_ndis tol_utils|plugins/tol_ndis/fuzz/corpus|2048"
    "tol_net_line|plugins/tol_net/fuzz/net_line_fuzzer.cpp plugins/tol_net/net_line.cpp plugins/tol_net/adapter_test_list.cpp plugins/tol_net/adapter_counters.cpp common/text_fields.cpp common/text_numbers.cpp|common/fuzz common plugin_framework plugins/tol_net|plugins/tol_net/fuzz/corpus|2048"
    "tol_http_line|plugins/tol_http/fuzz/http_line_fuzzer.cpp plugins/tol_http/http_line.cpp common/text_fields.cpp common/text_numbers.cpp|common/fuzz common plugin_framework plugins/tol_http|plugins/tol_http/fuzz/corpus/lines|2048"
    "tol_snmp_line|plugins/tol_snmp/fuzz/snmp_line_fuzzer.cpp plugins/tol_snmp/snmp_line.cpp plugins/tol_snmp/snmp_request.cpp tol_utils/snmp_limits.cpp tol_utils/snmp_value_text.cpp common/fuzz/win32_native.cpp common/heap_helpers.cpp common/text_fields.cpp common/text_numbers.cpp|common/fuzz common plugin_framework plugins/tol_snmp tol_utils platform/wsnmp32|plugins/tol_snmp/fuzz/corpus|2048"
    "tol_http_answer|plugins/tol_http/fuzz/http_answer_fuzzer.cpp plugins/tol_http/content_match.cpp plugins/tol_http/http_verdict.cpp plugins/tol_http/http_record.cpp comsupport/com_bstr.cpp tol_utils/mon_result2.cpp common/unix_time.cpp common/fuzz/win32_native.cpp common/heap_helpers.cpp common/text_fields.cpp|common/fuzz common plugin_framework plugins/tol_http tol_utils comsupport|plugins/tol_http/fuzz/corpus/answers|4096"
    "tol_eventlog_record|plugins/tol_eventlog/fuzz/event_record_fuzzer.cpp plugins/tol_eventlog/event_record_view.cpp plugins/tol_eventlog/event_log_record.cpp plugins/tol_eventlog/event_types.cpp comsupport/com_bstr.cpp tol_utils/mon_result2.cpp common/unix_time.cpp common/fuzz/win32_native.cpp common/heap_helpers.cpp common/text_fields.cpp|common/fuzz common plugins/tol_eventlog tol_utils comsupport|plugins/tol_eventlog/fuzz/corpus/records|4096"
    "snmp_answer|tol_utils/fuzz/snmp_answer_fuzzer.cpp tol_utils/snmp_records.cpp tol_utils/mon_result2.cpp common/unix_time.cpp tol_utils/snmp_limits.cpp tol_utils/snmp_value_text.cpp tol_utils/snmp_error_text.cpp platform/wsnmp32/src/smi_values.cpp platform/wsnmp32/src/snmp_message.cpp platform/wsnmp32/src/ber_reader.cpp platform/wsnmp32/src/ber_writer.cpp platform/wsnmp32/src/v1_trap.cpp common/fuzz/win32_native.cpp common/heap_helpers.cpp common/text_fields.cpp|common/fuzz common tol_utils platform/wsnmp32 platform/wsnmp32/src|tol_utils/fuzz/corpus|4096"
    "wsnmp_decode|platform/wsnmp32/fuzz/decode_fuzzer.cpp platform/wsnmp32/src/ber_reader.cpp platform/wsnmp32/src/ber_writer.cpp platform/wsnmp32/src/snmp_message.cpp platform/wsnmp32/src/v1_trap.cpp|platform/wsnmp32/src|platform/wsnmp32/fuzz/corpus|4096"
)

summary=()
for entry in "${targets[@]}"; do
    IFS='|' read -r name sources includes seeds longest <<<"$entry"
    if [ -n "$only" ] && [[ " $only " != *" $name "* ]]; then continue; fi
    dir=$out/$name
    mkdir -p "$dir/corpus"
    args=()
    for source in $sources; do args+=("$root/$source"); done
    for include in $includes; do args+=("-I$root/$include"); done
    echo "== fuzz $name: building"
    clang++ -std=c++17 -g -O2 -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=undefined '-D__declspec(x)=' '-D__int64=long long' \
        "${args[@]}" -o "$dir/$name"
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
    line=$(printf "%-20s %9s inputs  %4d.%d s  %8s/s  corpus %5s  peak RSS %s MB  no crash" \
        "$name" "$(stat number_of_executed_units)" $((tenths / 10)) $((tenths % 10)) \
        "$(stat average_exec_per_sec)" "$(ls "$dir/corpus" | wc -l)" "$(stat peak_rss_mb)")
    echo "$line"
    summary+=("$line")
done
echo
echo "== fuzz figures"
printf '%s\n' "${summary[@]}"
