#!/usr/bin/env bash
# Shell start until the main window is visible (xdotool finds it mapped),
# with the maker server answering, with its update server stalling (version
# file, presence report and address lookup 20 s late) and with a server that
# accepts and never replies. Five runs each, median in ms. Asserts nothing.
# LUMO_MAKER_SERVER names a prebuilt maker server; LUMO_BENCH_PORT and
# LUMO_BENCH_SILENT_PORT the two ports.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/windows-build.sh
port=${LUMO_BENCH_PORT:-18806}
silent_port=${LUMO_BENCH_SILENT_PORT:-$((port + 1))}
maker=${LUMO_MAKER_SERVER:-$root/build/native/tools/makerserver/makerserver}
if [ ! -x $LUMO_WIN_BUILD/app/Lumo/Lumo.exe ] || [ ! -x $LUMO_WIN_BUILD/tests/support/lumo_probe.exe ] ||
    [ ! -x "$maker" ]; then
    echo "build first: bash scripts/build.sh" >&2
    exit 1
fi
export LUMO_BUILD_DIR=$root/$LUMO_WIN_BUILD LUMO_BROWSER_ENGINE=headless
export WINEPREFIX=$root/build/bench-prefix
. tests/wine/env.sh
work=$root/build/bench-start
rm -rf "$work" && mkdir -p "$work/dist/Update"
cp $LUMO_WIN_BUILD/app/Lumo/Lumo.exe "$work/dist/"
python3 - "$silent_port" <<'PY' &
import socket, sys, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(16)
held = []
while True:
    c, _ = s.accept(); held.append(c)  # accepted, never answered
PY
mute=$!
tests/wine/maker-server.sh up "$maker" "$port" "$work/run"
# A free display of its own (Xvfb picks the number).
Xvfb -displayfd 1 -screen 0 1280x800x24 >"$work/display" 2>/dev/null &
xvfb=$!
trap 'tests/wine/maker-server.sh down "$work/run"; kill $mute $xvfb 2>/dev/null; wineserver -k 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")
wineserver -k 2>/dev/null || true
tests/wine/prefix.sh up
for mode in answering stalling silent; do
    p=$port
    [ $mode = silent ] && p=$silent_port
    curl -s "http://127.0.0.1:$port/_control/reset" >/dev/null
    if [ $mode = stalling ]; then
        for path in /user/VersionInfo/config.ini /user/online.php /ip2city.asp; do
            curl -s "http://127.0.0.1:$port/_control/set?delay=20000&path=$path" >/dev/null
        done
    fi
    printf '[Server]\r\nHost=127.0.0.1:%s\r\n' "$p" >"$work/dist/Config.ini"
    times=()
    for _ in 1 2 3 4 5; do
        t0=$(date +%s%N)
        wine "$work/dist/Lumo.exe" >/dev/null 2>&1 &
        shell=$!
        end=$(($(date +%s) + 30))
        until xdotool search --onlyvisible --name "Lumo" >/dev/null 2>&1; do
            [ "$(date +%s)" -lt "$end" ] || { echo "the shell did not show its window" >&2; exit 1; }
            sleep 0.02
        done
        times+=($((($(date +%s%N) - t0) / 1000000)))
        sleep 4
        wine $LUMO_WIN_BUILD/tests/support/lumo_probe.exe close >/dev/null 2>&1 || true
        wait $shell 2>/dev/null || true
        sleep 1
    done
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
    echo "shell start to visible window, server $mode: median ${median} ms (${times[*]})"
done
