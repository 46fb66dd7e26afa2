#!/usr/bin/env bash
# How long the updater (under Wine) takes to check the signature of a 2 MB
# update signed by the local maker server on PORT. Prints figures; asserts
# nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
port=${1:?usage: bench-verify.sh PORT}
. scripts/windows-build.sh
export LUMO_BUILD_DIR=${LUMO_BUILD_DIR:-$root/$LUMO_WIN_BUILD}
base=http://127.0.0.1:$port
dir=$(mktemp -d)
trap 'rm -rf "$dir"; curl -fsS "$base/_control/reset" >/dev/null' EXIT
curl -fsS "$base/_control/set?updatesize=2097152&signature=auto" >/dev/null
curl -fsS -o "$dir/update.bin" "$base/user/VersionInfo/Lumo"
curl -fsS -o "$dir/config.ini" "$base/user/VersionInfo/config.ini"
tests/wine/wine-run.sh "$LUMO_BUILD_DIR/tests/updater/bench_verify.exe" \
    "Z:${dir//\//\\}\\update.bin" "Z:${dir//\//\\}\\config.ini" | tr -d '\r' | tail -1
