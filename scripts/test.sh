#!/usr/bin/env bash
# Runs every test: the native unit tests (built with ASan and UBSan), then the
# Windows build under Wine (with the local maker server), then the checks.
# Each part prints when it starts (seconds since the start). Ends with a total.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
echo "=== build (at ${SECONDS} s)"
scripts/build.sh --asan || { echo "build failed"; echo "total: 0 passed, 1 failed"; exit 1; }

passed=0 failed=0
run_ctest() {  # name, ctest args...
    local name=$1 log
    shift
    log=$(mktemp)
    echo "=== $name (at ${SECONDS} s)"
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

ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_ctest sanitizers ctest --test-dir build/asan --output-on-failure -j 2
. scripts/windows-build.sh
run_ctest wine xvfb-run -a -s "-screen 0 1280x800x24" \
    ctest --test-dir "$LUMO_WIN_BUILD" --output-on-failure -j 2

# One style: every C++ file of the tree as .clang-format has it.
check() {  # name, command...
    local name=$1
    shift
    echo "=== $name (at ${SECONDS} s)"
    if "$@"; then
        passed=$((passed + 1))
        echo "$name: passed"
    else
        failed=$((failed + 1))
        echo "$name: FAILED"
    fi
}
formatted() {
    local bad
    bad=$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep -o '^[^:]*:' | sort -u)
    [ -z "$bad" ] || { echo "not formatted (clang-format -i):"; echo "$bad"; return 1; }
}
check format formatted
check layers scripts/check-layers.sh
# Every reader of outside input under libFuzzer for a few seconds each
# (builds build/fuzz itself; replays fuzz/regressions/ first).
check fuzz scripts/fuzz.sh 4

# The README's run command as a new user runs it: a fresh prefix, no display;
# it fails when no main window appears or the screenshot is black.
fresh_run() {
    rm -rf build/run/wineprefix
    LUMO_PORT=18767 LUMO_SCREENSHOT=build/run/screenshot.png bash scripts/run.sh 2>&1 | tail -n 3
}
check run-screenshot fresh_run

echo "(all done at ${SECONDS} s)"
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
