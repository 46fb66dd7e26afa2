#!/usr/bin/env bash
# The main job: builds, starts the local maker server, lays out a program
# folder (dist/) and launches the shell under Wine. Without a display it runs
# under Xvfb, writes a screenshot of the main window to lumo-screenshot.png
# and closes the shell again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
port=${LUMO_PORT:-18080}
shot=${LUMO_SCREENSHOT:-$root/lumo-screenshot.png}
scripts/deps.sh
scripts/build.sh

mkdir -p dist/Update
cp build/win/app/Lumo/Lumo.exe dist/
cp build/win/app/LumoUpdate/LumoUpdate.exe dist/Update/
printf '[Server]\r\nHost=127.0.0.1:%s\r\n' "$port" > dist/Config.ini

export LUMO_BUILD_DIR=$root/build/win
# Wine has no HTML engine: pages use the headless engine here unless told.
export LUMO_BROWSER_ENGINE=${LUMO_BROWSER_ENGINE:-headless}
. tests/wine/env.sh
tests/wine/prefix.sh up
tests/wine/maker-server.sh up "$root/build/native/tools/makerserver/makerserver" "$port" "$root/build/run"
trap 'tests/wine/maker-server.sh down "$root/build/run"; wineserver -k 2>/dev/null || true' EXIT

if [ -n "${DISPLAY:-}" ]; then
    echo "Lumo runs; close its window to end."
    wine "$root/dist/Lumo.exe" || true
else
    xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
        wine "$1/dist/Lumo.exe" & pid=$!
        for _ in $(seq 150); do
            xdotool search --name "Lumo" >/dev/null 2>&1 && break
            sleep 0.2
        done
        sleep 2
        import -window root "$2"
        wid=$(xdotool search --name "Lumo" | head -n 1 || true)
        [ -n "$wid" ] && xdotool windowclose "$wid" 2>/dev/null || true
        sleep 1
        kill $pid 2>/dev/null || true
        wait $pid 2>/dev/null || true
    ' _ "$root" "$shot"
    echo "screenshot of the main window: $shot"
fi
