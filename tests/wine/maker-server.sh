#!/usr/bin/env bash
# Test fixture: `maker-server.sh up BIN PORT RUNDIR` starts the local maker
# server on 127.0.0.1:PORT in the background; `maker-server.sh down RUNDIR`
# stops it. The server signs the update it serves with the test key, as the
# programs built with the default key expect.
set -euo pipefail
key="$(cd "$(dirname "$0")/.." && pwd)/updater/keys/test-release.pem"
case "$1" in
up)
    bin=$2 port=$3 dir=$4
    mkdir -p "$dir"
    [ -f "$dir/server.pid" ] && kill "$(cat "$dir/server.pid")" 2>/dev/null || true
    nohup "$bin" --port "$port" --sign-key "$key" --log "$dir/requests.log" >"$dir/server.out" 2>&1 &
    echo $! >"$dir/server.pid"
    for _ in $(seq 100); do
        grep -q "listening on" "$dir/server.out" 2>/dev/null && exit 0
        sleep 0.1
    done
    echo "maker server did not start:"; cat "$dir/server.out"; exit 1
    ;;
down)
    dir=$2
    [ -f "$dir/server.pid" ] && kill "$(cat "$dir/server.pid")" 2>/dev/null || true
    rm -f "$dir/server.pid"
    ;;
esac
