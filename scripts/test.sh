#!/usr/bin/env bash
# Runs every test: native unit tests, the same with sanitizers, then the
# Windows build under Wine (with the local maker server). Ends with a total.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh --asan || { echo "build failed"; echo "total: 0 passed, 1 failed"; exit 1; }

passed=0 failed=0
run_ctest() {  # name, ctest args...
    local name=$1 log
    shift
    log=$(mktemp)
    echo "=== $name"
    "$@" 2>&1 | tee "$log"
    local line
    line=$(grep -E "tests passed, [0-9]+ tests? failed out of [0-9]+" "$log" | tail -n 1)
    if [ -n "$line" ]; then
        local f t
        f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
        t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
        passed=$((passed + t - f)) failed=$((failed + f))
    else
        failed=$((failed + 1))
    fi
    rm -f "$log"
}

run_ctest native ctest --test-dir build/native --output-on-failure -j 2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_ctest sanitizers ctest --test-dir build/asan --output-on-failure -j 2
run_ctest wine xvfb-run -a -s "-screen 0 1280x800x24" \
    ctest --test-dir build/win --output-on-failure -j 2

echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
