#!/usr/bin/env bash
# Screenshots of the main window with three tabs (one with a long Chinese
# title) and a few saved games in the side panel, at the given screen sizes: docs/main-<W>x<H>.png. Uses the Windows
# build tree's prefix, a private Xvfb display, the local maker server and a
# loopback page server (python3) for the long title.
#   scripts/screenshots.sh [WxH[@DPI] ...]
# (default 1280x800 1024x768 1920x1080@144). With @DPI the display's DPI is
# set in the prefix (LogPixels) and the file is docs/main-<W>x<H>-<percent>pct.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/windows-build.sh
port=${LUMO_SHOT_PORT:-18804}
pageport=$((port + 1))
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1280x800 1024x768 1920x1080@144)
if [ ! -x $LUMO_WIN_BUILD/app/Lumo/Lumo.exe ] || [ ! -x build/native/tools/makerserver/makerserver ]; then
    echo "build first: bash scripts/build.sh" >&2
    exit 1
fi
export LUMO_BUILD_DIR=$root/$LUMO_WIN_BUILD
export LUMO_BROWSER_ENGINE=headless
# A prefix of its own, so the screenshots never disturb a test run.
export WINEPREFIX=$root/build/shots-prefix
. tests/wine/env.sh
work=$root/build/shots
rm -rf "$work" && mkdir -p "$work/dist/Update" "$work/pages"
cp $LUMO_WIN_BUILD/app/Lumo/Lumo.exe "$work/dist/"
printf '[Server]\r\nHost=127.0.0.1:%s\r\n' "$port" >"$work/dist/Config.ini"
# A few saved and recently played games for the side panel (ANSI/GBK files,
# as the program writes them).
mkdir -p "$work/dist/UserData"
python3 - "$work/dist/UserData" "$port" <<'PY'
import sys
folder, port = sys.argv[1], sys.argv[2]
login = f"http://127.0.0.1:{port}/game/login.html"
games = [("角色扮演", "仙侠世界 - 主号"), ("角色扮演", "仙侠世界 - 小号"),
         ("角色扮演", "天龙八部 - 帮会号"), ("策略", "三国群英 - alice"), ("策略", "红警大战 - bob")]
blocks = "".join(f"#BEGIN#\r\n#FOLDER#{c}\r\n#NAME#{n}\r\n#ADDRESS#{login}\r\n#Bill#\r\n#END#\r\n"
                 for c, n in games)
open(f"{folder}/gList.dat", "wb").write(blocks.encode("gbk"))
recents = "".join(f"#BEGIN#\r\n#NAME#{n}\r\n#ADDRESS#{login}\r\n#Bill#\r\n#END#\r\n"
                  for _, n in games[:3])
open(f"{folder}/Recents.dat", "wb").write(recents.encode("gbk"))
PY
cat >"$work/pages/long.html" <<'HTML'
<!DOCTYPE html><html><head><meta charset="utf-8">
<title>仙侠世界·群雄逐鹿——跨服争霸赛第十二赛季火热进行中,登录即送豪华礼包与限定坐骑</title>
</head><body><p>长标题页面</p></body></html>
HTML
python3 -m http.server "$pageport" --bind 127.0.0.1 --directory "$work/pages" >/dev/null 2>&1 &
pagesrv=$!
tests/wine/maker-server.sh up "$root/build/native/tools/makerserver/makerserver" "$port" "$work/run"
cleanup() {
    tests/wine/maker-server.sh down "$work/run" || true
    kill "$pagesrv" 2>/dev/null || true
}
trap cleanup EXIT

for want in "${sizes[@]}"; do
    size=${want%@*} dpi=96
    [ "$want" != "$size" ] && dpi=${want#*@}
    w=${size%x*} h=${size#*x}
    name="docs/main-${w}x${h}.png"
    [ "$dpi" != 96 ] && name="docs/main-${w}x${h}-$((dpi * 100 / 96))pct.png"
    # A free display of its own (Xvfb picks the number).
    Xvfb -displayfd 1 -screen 0 "${w}x${h}x24" >"$work/display" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=:$(head -n 1 "$work/display")
    # The wineserver must come up inside this display.
    wineserver -k 2>/dev/null || true
    sleep 1
    tests/wine/prefix.sh up
    # The display's DPI: read by the next wineserver.
    for key in 'HKCU\Control Panel\Desktop' \
        'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
        wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    done
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    rm -f "$work/dist/UserData/Session.dat"  # each picture from a fresh start, no restore offer
    wine "$work/dist/Lumo.exe" >/dev/null 2>&1 &
    shell=$!
    for _ in $(seq 100); do
        xdotool search --name "Lumo" >/dev/null 2>&1 && break
        sleep 0.2
    done
    sleep 4
    wine "$work/dist/Lumo.exe" "http://127.0.0.1:$port/game/login.html" >/dev/null 2>&1 || true
    sleep 3
    wine "$work/dist/Lumo.exe" "http://127.0.0.1:$pageport/long.html" >/dev/null 2>&1 || true
    sleep 4
    import -window root "$name"
    if [ "$dpi" != 96 ]; then
        # The add-game dialog at this DPI: the save-game button (the sixth
        # navigation button, 39 x 38 design pixels each below the 26-pixel
        # title bar) asks the page for its form and opens the dialog.
        xdotool mousemove $(((5 * 39 + 19) * dpi / 96)) $(((27 + 19) * dpi / 96)) click 1
        sleep 3
        import -window root "docs/add-game-$((dpi * 100 / 96))pct.png"
        xdotool key Escape
        sleep 1
        echo "docs/add-game-$((dpi * 100 / 96))pct.png"
    fi
    wid=$(xdotool search --name "Lumo" | head -n 1 || true)
    [ -n "$wid" ] && xdotool windowclose "$wid" 2>/dev/null || true
    sleep 2
    kill "$shell" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    echo "$name"
done
