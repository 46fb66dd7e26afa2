#!/usr/bin/env bash
# The shell at 96 and 144 DPI in one run: start until the main window is
# visible (dpi_check starts Lumo.exe and watches for the window; five runs
# each, median), and the time the main window takes to lay itself out again
# after a WM_DPICHANGED (144 -> 192 -> 144, five times; the handler alone,
# and with the repaint that follows). Prints figures, asserts nothing.
# LUMO_BENCH_PORT names the maker server's port, LUMO_BENCH_DPIS the start DPIs
# (default "96 144"; the last one stays for the relayout figures). Each DPI
# starts the shell once uncounted first: the first start of a wineserver is slow.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/windows-build.sh
port=${LUMO_BENCH_PORT:-18816}
maker=${LUMO_MAKER_SERVER:-$root/build/native/tools/makerserver/makerserver}
if [ ! -x $LUMO_WIN_BUILD/app/Lumo/Lumo.exe ] || [ ! -x $LUMO_WIN_BUILD/tests/app/dpi_check.exe ] ||
    [ ! -x "$maker" ]; then
    echo "build first: bash scripts/build.sh" >&2
    exit 1
fi
export LUMO_BUILD_DIR=$root/$LUMO_WIN_BUILD LUMO_BROWSER_ENGINE=headless LUMO_NO_SPARE=1
export WINEPREFIX=$root/build/bench-dpi-prefix
. tests/wine/env.sh
work=$root/build/bench-dpi
rm -rf "$work" && mkdir -p "$work/dist/Update"
cp $LUMO_WIN_BUILD/app/Lumo/Lumo.exe $LUMO_WIN_BUILD/tests/app/dpi_check.exe "$work/dist/"
printf '[Server]\r\nHost=127.0.0.1:%s\r\n' "$port" >"$work/dist/Config.ini"
tests/wine/maker-server.sh up "$maker" "$port" "$work/run"
Xvfb -displayfd 1 -screen 0 1280x800x24 >"$work/display" 2>/dev/null &
xvfb=$!
trap '"$root"/tests/wine/maker-server.sh down "$work/run"; wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")
cd "$work/dist"
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
set_dpi() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    "$root/tests/wine/prefix.sh" up >/dev/null 2>&1
    for key in 'HKCU\Control Panel\Desktop' \
        'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
        wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    done
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    wine cmd.exe /c exit >/dev/null 2>&1 || true  # Wine's own services first
}
close_shell() {
    wine taskkill /f /im Lumo.exe >/dev/null 2>&1 || true
    sleep 1
}
for dpi in ${LUMO_BENCH_DPIS:-96 144}; do
    set_dpi "$dpi"
    : >"$work/start-$dpi"
    # One start first, not counted: a fresh wineserver warms up.
    wine ./dpi_check.exe start "$work/dist/Lumo.exe" >/dev/null 2>&1 || true
    close_shell
    for _ in 1 2 3 4 5; do
        # Into a file: the shell it starts keeps a pipe open.
        wine ./dpi_check.exe start "$work/dist/Lumo.exe" >"$work/one" 2>/dev/null || true
        tr -d '\r' <"$work/one" | sed -n 's/^visible-ms=//p' >>"$work/start-$dpi"
        close_shell
    done
    echo "start to visible main window at $dpi DPI: $(median <"$work/start-$dpi") ms (median of 5)"
done
# The DPI changes: the shell at 144 DPI told it moved to 192 and back.
wine ./Lumo.exe >/dev/null 2>&1 &
: >"$work/change"
for _ in 1 2 3 4 5; do
    for to in 192 144; do
        wine ./dpi_check.exe change "$to" 2>/dev/null | tr -d '\r' |
            sed -n "s/^relayout-ms=\([0-9.]*\) relayout-and-paint-ms=\([0-9.]*\)/$to \1 \2/p" \
                >>"$work/change"
    done
done
for to in 192 144; do
    echo "relayout after WM_DPICHANGED to $to DPI:" \
        "$(awk -v t=$to '$1 == t {print $2}' "$work/change" | median) ms," \
        "with the repaint $(awk -v t=$to '$1 == t {print $3}' "$work/change" | median) ms (median of 5)"
done
echo "first change to 192 DPI (its skin pictures made): $(awk '$1 == 192 {print $2; exit}' "$work/change") ms"
close_shell
