#!/usr/bin/env bash
# The main job: builds (also the installer and the portable zip in
# build/win/, and in build/win64/ where Wine runs only 64-bit programs), starts the local maker server, lays out a program folder
# (dist/) and launches the shell under Wine, printing the pages it loaded.
# Without a display it starts its own Xvfb first (Wine's desktop process must
# find a display when the prefix's wineserver starts, or every window stays
# invisible), writes a screenshot of the main window to lumo-screenshot.png
# and closes the shell again; it fails when no main window appears or the
# screenshot is black.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
port=${LUMO_PORT:-18080}
shot=${LUMO_SCREENSHOT:-$root/lumo-screenshot.png}
scripts/deps.sh
scripts/build.sh --run
. scripts/windows-build.sh

for f in "$LUMO_WIN_BUILD"/LumoSetup-*.exe "$LUMO_WIN_BUILD"/Lumo-*-portable.zip; do
    [ -f "$f" ] || { echo "the build made no installer or portable zip"; exit 1; }
    echo "built $f ($(du -k "$f" | cut -f1) KiB)"
done

mkdir -p dist/Update
cp "$LUMO_WIN_BUILD/app/Lumo/Lumo.exe" dist/
cp "$LUMO_WIN_BUILD/app/LumoUpdate/LumoUpdate.exe" dist/Update/
printf '[Server]\r\nHost=127.0.0.1:%s\r\n' "$port" > dist/Config.ini

export LUMO_BUILD_DIR=$root/$LUMO_WIN_BUILD
# A prefix of its own, apart from the tests' one.
export WINEPREFIX=${LUMO_RUN_PREFIX:-$root/build/run/wineprefix}
# Wine has no HTML engine: pages use the headless engine here unless told.
export LUMO_BROWSER_ENGINE=${LUMO_BROWSER_ENGINE:-headless}
. tests/wine/env.sh
mkdir -p "$root/build/run"

xvfb_pid=
cleanup() {
    tests/wine/maker-server.sh down "$root/build/run" || true
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

interactive=1
if [ -z "${DISPLAY:-}" ]; then
    interactive=0
    for n in $(seq 90 130); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
        export DISPLAY=":$n"
        break
    done
    [ -n "${DISPLAY:-}" ] || { echo "no free display for Xvfb"; exit 1; }
fi
# A wineserver of this prefix left from a run without a display would keep
# every window invisible: start afresh inside the display.
wineserver -k 2>/dev/null || true
tests/wine/prefix.sh up
tests/wine/maker-server.sh up "$root/build/native/tools/makerserver/makerserver" "$port" "$root/build/run"

# Wine does not draw a page window that another process embedded, so the
# page area stays empty here; what each page loaded shows in the tab titles
# and the address box, which the probe reads and this prints.
probe() { wine "$LUMO_BUILD_DIR/tests/support/lumo_probe.exe" 2>/dev/null | tr -d '\r' || true; }
print_pages() {
    local state= title
    for _ in $(seq 60); do
        state=$(probe)
        title=$(sed -n 's/^tabTitle0=//p' <<<"$state")
        [ -n "$title" ] && ! grep -q "空白页" <<<"$title" && grep -q "^address=http" <<<"$state" && break
        sleep 0.5
    done
    echo "pages loaded (tab titles; the page area stays empty under Wine):"
    sed -n 's/^tabTitle\([0-9]*\)=/  tab \1: /p' <<<"$state"
    sed -n 's/^address=/  address box: /p' <<<"$state"
}

if [ "$interactive" = 1 ]; then
    echo "Lumo runs; close its window to end."
    wine "$root/dist/Lumo.exe" >/dev/null 2>&1 &
    pid=$!
    print_pages
    wait $pid || true
    exit 0
fi

wine "$root/dist/Lumo.exe" >/dev/null 2>&1 &
pid=$!
wid=
for _ in $(seq 150); do
    wid=$(xdotool search --onlyvisible --class "TfrmMain" 2>/dev/null | head -n 1 || true)
    [ -z "$wid" ] && wid=$(xdotool search --onlyvisible --name "Lumo" 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    sleep 0.2
done
[ -n "$wid" ] && print_pages
sleep 2
import -window root "$shot"
[ -n "$wid" ] && xdotool windowclose "$wid" 2>/dev/null || true
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill $pid 2>/dev/null || true
wait $pid 2>/dev/null || true
mean=$(convert "$shot" -colorspace Gray -format '%[fx:int(255*mean)]' info:)
echo "screenshot of the main window: $shot (mean pixel value $mean)"
if [ -z "$wid" ]; then echo "no main window appeared"; exit 1; fi
if [ "$mean" -lt 8 ]; then echo "the screenshot is black"; exit 1; fi
