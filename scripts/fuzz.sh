#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (build/fuzz: clang, ASan and UBSan)
# and runs each: first the inputs that once broke a reader
# (fuzz/regressions/<target>/), then fuzzing from its seed corpus
# (fuzz/corpus/<target>/) for the given seconds. Prints per target the
# executions, exec/s and coverage (cov: edges, ft: features); fails on any
# crash, leak, timeout or failed check and names the input it kept.
#   scripts/fuzz.sh [seconds] [target...]     (default: 4 s, every target)
# FUZZ_RUNS=N stops each target after N executions instead (the seconds
# still bound it). New inputs found go to build/fuzz/work/, never into the
# checked-in corpus.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-4}
shift || true

# Longest input and the time one input may take (seconds), per target.
# game_list: 2 KB reaches every path of the list readers and writers (blocks,
# optional fields, escapes, protected bills), and runs a quarter faster than 4 KB.
declare -A max_len=([text_command]=1024 [roles]=2048 [game_list]=2048 [ini]=2048 [html]=4096
                    [url]=512 [bill]=2048 [online]=1024 [download]=512 [session]=2048)
declare -A timeout=([text_command]=2 [roles]=2 [game_list]=5 [ini]=5 [html]=10
                    [url]=2 [bill]=5 [online]=2 [download]=2 [session]=2)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(text_command roles game_list ini html url bill online download session)

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
      -DCMAKE_CXX_COMPILER=clang++ -DLUMO_FUZZ=ON >/dev/null || exit 1
cmake --build build/fuzz -j "$(nproc)" >build/fuzz/build.log 2>&1 ||
    { tail -n 40 build/fuzz/build.log; echo "fuzz build failed"; exit 1; }

# Options of the caller's are added (a long run may take
# malloc_context_size=0:max_malloc_fill_size=0:quarantine_size_mb=16 for
# speed).
export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
bad=0
printf '%-13s %12s %9s %7s %7s  %s\n' target executions exec/s cov ft result
for t in "${targets[@]}"; do
    bin=build/fuzz/fuzz/fuzz_$t
    [ -n "${max_len[$t]:-}" ] && [ -x "$bin" ] || { echo "$t: no such target"; bad=1; continue; }
    work=build/fuzz/work/$t
    log=build/fuzz/$t.log
    rm -rf "$work" && mkdir -p "$work" build/fuzz/artifacts
    result=ok
    regressions=(fuzz/regressions/$t/*)
    if [ -e "${regressions[0]}" ] && ! "$bin" "${regressions[@]}" >"$log" 2>&1; then
        result="FAILED on a regression input"
    else
        opts=(-max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout="${timeout[$t]}"
              -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$t-")
        [ -n "${FUZZ_RUNS:-}" ] && opts+=(-runs="$FUZZ_RUNS")
        [ -f "fuzz/dict/$t.dict" ] && opts+=(-dict="fuzz/dict/$t.dict")
        "$bin" "${opts[@]}" "$work" "fuzz/corpus/$t" >"$log" 2>&1 || result=FAILED
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    printf '%-13s %12s %9s %7s %7s  %s\n' "$t" "${runs:--}" "${rate:--}" "${cov:--}" "${ft:--}" "$result"
    if [ "$result" != ok ]; then
        bad=1
        grep -E 'ERROR|check failed|SUMMARY|runtime error|Test unit written|ALARM' "$log" | head -n 8
        echo "(log: $log)"
    fi
done
exit $bad
