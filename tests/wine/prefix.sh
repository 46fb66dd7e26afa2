#!/usr/bin/env bash
# Test fixture: `prefix.sh up` creates the Wine prefix once per build tree and
# keeps one wineserver running for the whole test run; `prefix.sh down` stops it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"
case "${1:-up}" in
up)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    fi
    # Already running is fine.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # A program that crashes prints Wine's backtrace and ends, instead of
    # waiting in a crash dialog that nobody closes until the test times out.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >/dev/null 2>&1 || true
    # Start Wine's own services now, away from ctest's output pipes, so the
    # first test does not pay for them.
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
    ;;
down)
    wineserver -k || true
    ;;
esac
