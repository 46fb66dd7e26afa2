#!/usr/bin/env bash
# Layers run one way: a folder may include only the folders below it.
#   app > shell > mainwindow, page, frame, library, online > protocol > common
set -uo pipefail
cd "$(dirname "$0")/.."
bad=0
forbid() {  # folder, forbidden include prefixes...
    local dir=$1
    shift
    [ -d "$dir" ] || return 0
    for up in "$@"; do
        if grep -rn --include='*.cpp' --include='*.h' "#include \"$up/" "$dir"; then bad=1; fi
    done
}
forbid common protocol page mainwindow frame library online shell app
forbid protocol page mainwindow frame library online shell app
forbid page mainwindow frame library online shell app
forbid frame mainwindow page library online shell app
forbid library mainwindow page online shell app
forbid online mainwindow page library shell app
forbid mainwindow page shell app
forbid shell app
forbid updater protocol page mainwindow frame library online shell app
forbid app/LumoUpdate protocol page mainwindow frame library online shell app/Lumo
[ "$bad" = 0 ] || echo "these includes reach up a layer"
exit $bad
