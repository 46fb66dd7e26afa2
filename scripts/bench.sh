#!/usr/bin/env bash
# Benchmarks under Wine: page-process start, new page, idle working set,
# tab switch, loading a 10,000-game list and filling tvwMyGame with it, a saved
# game logging in by itself on the demo game, on model login pages of real
# sites and on DokuWiki (medians), the download component against curl, the
# signature check of an update.
# Prints figures; asserts nothing. The idle page's memory is measured against
# a bare GUI process, by module; LUMO_BENCH_BASELINE=<path of an older
# Lumo.exe> measures that build's idle pages in the same run.
set -euo pipefail
# Everything under one display: Wine's desktop process must find it from the
# first Wine command of the prefix on.
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
cd "$(dirname "$0")/.."
root=$PWD
. scripts/windows-build.sh
scripts/deps.sh
scripts/build.sh
export LUMO_BUILD_DIR=$root/$LUMO_WIN_BUILD
# A prefix of its own: page processes started here without a shell keep
# their persistent cookies in the prefix's own store, which the tests' prefix
# must not inherit.
export WINEPREFIX=$root/build/bench/wineprefix
. tests/wine/env.sh
port=${LUMO_BENCH_PORT:-18790}
wineserver -k 2>/dev/null || true  # one started without this display
tests/wine/prefix.sh up
tests/wine/maker-server.sh up "$root/build/native/tools/makerserver/makerserver" "$port" "$root/build/bench"
# DokuWiki under an Apache of its own, for the saved-login figures.
export LUMO_WIKI_DIR=$root/build/bench/wiki LUMO_WIKI_PORT=$((port + 1))
tests/support/dokuwiki-server.sh up "$LUMO_WIKI_DIR" "$LUMO_WIKI_PORT"
trap 'tests/support/dokuwiki-server.sh down "$LUMO_WIKI_DIR"; tests/wine/maker-server.sh down "$root/build/bench"' EXIT
export LUMO_TEST_SERVER=127.0.0.1:$port
tests/wine/wine-run.sh "$root/$LUMO_WIN_BUILD/tests/app/bench_pages.exe"
tests/wine/wine-run.sh "$root/$LUMO_WIN_BUILD/tests/app/bench_bill.exe"
# LUMO_BASELINE_EXE: an earlier Lumo.exe to compare page starts with.
tests/wine/wine-run.sh "$root/$LUMO_WIN_BUILD/tests/app/bench_isolation.exe"
tests/wine/wine-run.sh "$root/$LUMO_WIN_BUILD/tests/library/bench_library.exe"
tests/wine/wine-run.sh "$root/$LUMO_WIN_BUILD/tests/library/bench_game_tree.exe"

# Download component against curl: the same 50 MB update file from the same server.
"$root/scripts/bench-download.sh" "$port"
# The signature check of a 2 MB update.
"$root/scripts/bench-verify.sh" "$port"
