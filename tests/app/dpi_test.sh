#!/usr/bin/env bash
# The main window at 100 %, 150 % and 200 %: the real Lumo.exe in a Wine
# prefix of its own (the display's DPI is a prefix setting that only a new
# wineserver reads), measured from outside by dpi_check.exe: every control
# where its 96-DPI place scales to, labels that fit, and a WM_DPICHANGED
# that lays the window out again for the new DPI and back.
set -uo pipefail
: "${LUMO_BUILD_DIR:?}" "${LUMO_TEST_SERVER:?}" "${DISPLAY:?needs an X display (xvfb-run)}"
export WINEPREFIX=$LUMO_BUILD_DIR/dpi-prefix
here=$(cd "$(dirname "$0")/../wine" && pwd)
. "$here/env.sh"
work=$(mktemp -d "$LUMO_BUILD_DIR/dpi_test.XXXXXX")
mkdir -p "$work/Update"
cp "$LUMO_BUILD_DIR/app/Lumo/Lumo.exe" "$LUMO_BUILD_DIR/tests/app/dpi_check.exe" "$work/"
printf '[Server]\r\nHost=%s\r\n' "$LUMO_TEST_SERVER" >"$work/Config.ini"
export LUMO_BROWSER_ENGINE=headless LUMO_NO_SPARE=1
cd "$work" || exit 1
failures=0

# Wine reads the DPI from LogPixels when its wineserver starts (Wine 8
# honours the HKCU value; both are set, as Windows keeps both).
set_dpi() {
    "$here/prefix.sh" up >/dev/null 2>&1
    for key in 'HKCU\Control Panel\Desktop' \
        'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
        wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    done
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}
run() {
    echo "# $*"
    wine ./dpi_check.exe "$@" 2>/dev/null | tr -d '\r' | tee -a "$work/out" | grep -v '^ok' ||
        true
}

for dpi in 96 144 192; do
    set_dpi "$dpi"
    wine ./Lumo.exe >/dev/null 2>&1 &
    if [ "$dpi" = 96 ]; then
        run layout 96 baseline.txt --write
    else
        run layout "$dpi" baseline.txt
    fi
    if [ "$dpi" = 144 ]; then
        # The window moves to a 200 % monitor and back.
        run change 192 baseline.txt
        run change 144 baseline.txt
    fi
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
done
passed=$(grep -c '^ok' "$work/out")
failures=$(grep -c '^FAIL' "$work/out")
echo "$passed checks passed, $failures failed"
[ "$failures" -eq 0 ] && [ "$passed" -gt 100 ] && rm -rf "$work"
[ "$failures" -eq 0 ] && [ "$passed" -gt 100 ]
