#!/usr/bin/env bash
# Runs every fuzz target of a build for a bounded time on a working copy of
# its seed corpus and prints, per target, the inputs tried and the corpus
# size. Exits non-zero when a target crashed, leaked or broke a property; the
# input that did it is kept in <build>/fuzz-artifacts/<target>/.
#
#   fuzz/run-fuzzers.sh BUILD_DIR SECONDS_PER_TARGET
#
# The checked-in seeds (fuzz/corpus/<target>/) are only ever read: new inputs
# go to <build>/fuzz-corpus/<target>/, which later runs start from.
set -uo pipefail

build=${1:?build directory}
seconds=${2:?seconds per target}
here=$(cd "$(dirname "$0")" && pwd)

failed=0
printf '%-20s %12s %14s %10s %s\n' target runs 'corpus files' 'corpus kB' result
for seeds in "$here"/corpus/*/; do
    name=$(basename "$seeds")
    binary="$build/fuzz/fuzz_$name"
    if [ ! -x "$binary" ]; then
        echo "run-fuzzers: $binary is missing (build the fuzz targets first)" >&2
        failed=1
        continue
    fi
    work="$build/fuzz-corpus/$name"
    artifacts="$build/fuzz-artifacts/$name/"
    log="$build/fuzz-logs/$name.log"
    mkdir -p "$work" "$artifacts" "$(dirname "$log")"
    cp -n "$seeds"/* "$work"/ 2>/dev/null
    # halt_on_error: a sanitizer report is a failure, not a warning.
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
        UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
        "$binary" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
        -rss_limit_mb=2048 -max_len=4096 -artifact_prefix="$artifacts" "$work" >"$log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    files=$(find "$work" -type f | wc -l)
    kb=$(du -sk --apparent-size "$work" | cut -f1)
    if [ $status -eq 0 ]; then
        result=ok
    else
        result="FAILED (status $status, log $log)"
        failed=1
    fi
    printf '%-20s %12s %14s %10s %s\n' "$name" "${runs:-?}" "$files" "$kb" "$result"
    if [ $status -ne 0 ]; then
        grep -E 'ERROR|property violated|runtime error|SUMMARY|Test unit written' "$log" | head -20 >&2
    fi
done
exit $failed
