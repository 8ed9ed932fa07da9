#!/usr/bin/env bash
# Fuzzes each file reader (table, user list, dictionary, options) for
# SECONDS seconds (60 by default) with libFuzzer under AddressSanitizer and
# UBSan, starting from the seed corpus in tests/data/fuzz/. New inputs the
# fuzzer finds go to build-fuzz/corpus/TARGET/; a crash or a broken invariant
# is kept as build-fuzz/findings/TARGET/crash-* (replay one with
# build-fuzz/bin/fuzz_TARGET FILE). Installs Clang when it is missing.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(table userlist dictionary options changelog closingdate)

scripts/install-deps.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAGWERK_FUZZ=ON -DTAGWERK_SANITIZE=ON -DBUILD_TESTING=OFF -DTAGWERK_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
    corpus="build-fuzz/corpus/$target"
    findings="build-fuzz/findings/$target"
    mkdir -p "$corpus" "$findings"
    log="build-fuzz/findings/$target.log"
    echo "=== fuzz_$target for $seconds s"
    if build-fuzz/bin/"fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "tests/data/fuzz/$target" >"$log" 2>&1; then
        :
    else
        status=1
        echo "fuzz_$target: FINDING, see $log and $findings/"
    fi
    # libFuzzer's closing statistics: total runs and runs per second.
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    echo "fuzz_$target: ${runs:-?} runs, ${rate:-?} runs/s, corpus $(ls "$corpus" | wc -l) files"
done
exit $status
