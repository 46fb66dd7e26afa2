#!/usr/bin/env bash
# Loopback throughput of the updater's download component (under Wine) against
# curl for the same 50 MB update file from the local maker server on PORT.
# Prints both figures in MB/s and their ratio; asserts nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/windows-build.sh
port=${1:?usage: bench-download.sh PORT}
export LUMO_BUILD_DIR=${LUMO_BUILD_DIR:-$root/$LUMO_WIN_BUILD}
base=http://127.0.0.1:$port
size=52428800
curl -fsS "$base/_control/set?updatesize=$size&trickle=0" >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Three runs of each, interleaved; the medians are compared.
curl_times=() ours=()
for _ in 1 2 3; do
    curl_times+=("$(curl -fsS -o "$out" -w '%{time_total}\n' "$base/user/VersionInfo/Lumo")")
    line=$(tests/wine/wine-run.sh "$LUMO_BUILD_DIR/tests/updater/bench_download.exe" \
        "$base/user/VersionInfo/Lumo" 'C:\lumo-bench-download.bin' | tr -d '\r' | tail -1)
    read -r bytes secs _ <<<"$line"
    [ "$bytes" = "$size" ] || { echo "download failed: $line"; exit 1; }
    ours+=("$secs")
done
curl -fsS "$base/_control/reset" >/dev/null
curl_time=$(printf '%s\n' "${curl_times[@]}" | median)
secs=$(printf '%s\n' "${ours[@]}" | median)
curl_mbs=$(awk -v s=$size -v t="$curl_time" 'BEGIN { printf "%.1f", s / t / 1e6 }')
ours_mbs=$(awk -v s=$size -v t="$secs" 'BEGIN { printf "%.1f", s / t / 1e6 }')
ratio=$(awk -v a="$ours_mbs" -v b="$curl_mbs" 'BEGIN { printf "%.2f", a / b }')
echo "download 50 MB (median of 3): THTTPGet ${ours_mbs} MB/s (${secs} s), curl ${curl_mbs} MB/s (${curl_time} s), ratio ${ratio}"
