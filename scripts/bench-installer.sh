#!/usr/bin/env bash
# Figures of the installer (prints them, asserts nothing): the sizes of the
# installer and the portable zip, the installed size, and the time of a
# silent install under Wine (median of RUNS fresh installs into a prefix of
# its own, made inside its own Xvfb display).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${RUNS:-5}
. scripts/windows-build.sh
export LUMO_BUILD_DIR=$root/$LUMO_WIN_BUILD
setup=$(ls "$LUMO_WIN_BUILD"/LumoSetup-*.exe | head -n 1)
zip=$(ls "$LUMO_WIN_BUILD"/Lumo-*-portable.zip | head -n 1)
work=$root/build/bench-installer
export WINEPREFIX=$work/prefix HOME=$work/home
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
. tests/wine/env.sh
[ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
rm -rf "$work"
mkdir -p "$HOME"

xvfb_pid=
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for n in $(seq 140 180); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    export DISPLAY=":$n"
    break
done
wineboot -i >/dev/null 2>&1

inst="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Lumo"
times=()
for _ in $(seq "$runs"); do
    rm -rf "$inst"
    start=$(date +%s%N)
    wine "$setup" /S >/dev/null 2>&1
    times+=($((($(date +%s%N) - start) / 1000000)))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
echo "installer $(basename "$setup"): $(stat -c %s "$setup") bytes"
echo "portable zip $(basename "$zip"): $(stat -c %s "$zip") bytes"
echo "installed size: $(du -sk "$inst" | cut -f1) KiB ($(find "$inst" -type f | wc -l) files)"
echo "silent install under Wine: median $median ms of $runs runs (${times[*]} ms)"
