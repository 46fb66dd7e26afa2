#!/usr/bin/env bash
# ctest's emulator for the Windows build: runs one Windows program under Wine.
# Wine may start its own background services (services.exe, winedevice...)
# from the first program of a session; they must not inherit ctest's output
# pipe, or ctest waits for them for ever. So the program's output goes to a
# file, which is printed when the program ends.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export LUMO_BUILD_DIR="${LUMO_BUILD_DIR:-$PWD}"
. "$here/env.sh"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x800x24" wine "$@" >"$out" 2>&1 </dev/null
else
    wine "$@" >"$out" 2>&1 </dev/null
fi
rc=$?
cat "$out"
exit $rc
