#!/usr/bin/env bash
# Loopback throughput of the updater's download component (under Wine) against
# curl for the same 50 MB update file from the local maker server on PORT.
# Prints both figures in MB/s and their ratio; asserts nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
port=${1:?usage: bench-download.sh PORT}
export LUMO_BUILD_DIR=${LUMO_BUILD_DIR:-$root/build/win}
base=http://127.0.0.1:$port
size=52428800
curl -fsS "$base/_control/set?updatesize=$size&trickle=0" >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
read -r curl_time < <(curl -fsS -o "$out" -w '%{time_total}\n' "$base/user/VersionInfo/Lumo")
curl_mbs=$(awk -v s=$size -v t="$curl_time" 'BEGIN { printf "%.1f", s / t / 1e6 }')
line=$(tests/wine/wine-run.sh "$LUMO_BUILD_DIR/tests/updater/bench_download.exe" \
    "$base/user/VersionInfo/Lumo" 'C:\lumo-bench-download.bin' | tr -d '\r' | tail -1)
read -r bytes secs ours_mbs <<<"$line"
curl -fsS "$base/_control/reset" >/dev/null
[ "$bytes" = "$size" ] || { echo "download failed: $line"; exit 1; }
ratio=$(awk -v a="$ours_mbs" -v b="$curl_mbs" 'BEGIN { printf "%.2f", a / b }')
echo "download 50 MB: THTTPGet ${ours_mbs} MB/s (${secs} s), curl ${curl_mbs} MB/s (${curl_time} s), ratio ${ratio}"
