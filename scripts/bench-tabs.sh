#!/usr/bin/env bash
# Many accounts at once, under Wine with real input: 打开全部 on a category of
# 10 saved accounts of the demo game (from the menu click until every tab's
# account has reached the lobby), then the restore of those 10 tabs at the
# next start (from the click on 恢复, and from the shell's start, until all
# are logged in again). Uses the Windows build as it is (scripts/build.sh
# first); a Wine prefix and maker server of its own (LUMO_BENCH_PORT).
# Prints figures; asserts nothing.
set -uo pipefail
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
cd "$(dirname "$0")/.."
root=$PWD
. scripts/windows-build.sh
export LUMO_BUILD_DIR=$root/$LUMO_WIN_BUILD
export WINEPREFIX=$root/build/bench-tabs/wineprefix
. tests/wine/env.sh
port=${LUMO_BENCH_PORT:-18831}
tests/wine/prefix.sh up >/dev/null
tests/wine/maker-server.sh up "$root/build/native/tools/makerserver/makerserver" "$port" \
    "$root/build/bench-tabs" || exit 1
trap 'tests/wine/maker-server.sh down "$root/build/bench-tabs"' EXIT
export LUMO_TEST_SERVER=127.0.0.1:$port LUMO_BROWSER_ENGINE=headless
unset LUMO_USERDATA_DIR
failures=0
. tests/app/xinput.sh

n=10
work=$(mktemp -d "$root/build/bench-tabs/run.XXXXXX")
mkdir -p "$work/Update" "$work/UserData"
cp "$LUMO_BUILD_DIR/app/Lumo/Lumo.exe" "$work/"
printf '[Server]\r\nHost=%s\r\n' "$LUMO_TEST_SERVER" >"$work/Config.ini"
http_get "/_control/set?startpage=http://127.0.0.1:$port/faq.html" >/dev/null
for i in $(seq "$n"); do
    bill="<Forms><Form><FormName>loginForm</FormName><ITEM><EName>username</EName><EValue>bench$i</EValue></ITEM><ITEM><EName>password</EName><EValue>pw</EValue></ITEM><ITEM><EName>btnLogin</EName><EValue>LumoSubmitButton.Click</EValue></ITEM></Form></Forms>"
    printf '#BEGIN#\r\n#FOLDER#bench\r\n#NAME#account %s\r\n#ADDRESS#http://127.0.0.1:%s/game/login.html\r\n#Bill#%s\r\n#END#\r\n' \
        "$i" "$port" "$bill"
done >"$work/UserData/gList.dat"

# "<n> ms" from $1 to $2, or that it did not happen in time.
took() { if [ -n "$2" ]; then echo "$(($2 - $1)) ms"; else echo "(not all within 120 s)"; fi; }
all_in() { [ "$(http_get "/_seen?path=/game/lobby.html" | grep -c '^bench')" -ge "$n" ]; }
message_shown() { probe; [ -n "$(val messageText)" ]; }
shell=""
stop_shell() {
    probe close
    wait_until 30 main_gone
    for _ in $(seq 50); do kill -0 "$shell" 2>/dev/null || break; sleep 0.2; done
}

# 打开全部
wine "$work/Lumo.exe" >/dev/null 2>&1 &
shell=$!
wait_until 40 tabs_are 1 || { echo "no shell"; exit 1; }
probe
click $(centre tbarMyGame)
sleep 0.5
probe tree tvwMyGame
at=$(sed -n 's/^node=0|bench|//p' <<<"$state" | head -n 1)
http_get /_control/clearlog >/dev/null
click "${at%,*}" "${at#*,}" 3
sleep 0.5
t0=$(now_ms)
xdotool key Down Return
wait_until 120 all_in && t1=$(now_ms) || t1=""
echo "打开全部, $n games: $(took "$t0" "$t1") until every tab is logged in"
wait_until 10 test -f "$work/UserData/Session.dat"
sleep 1
stop_shell

# Restore at the next start.
http_get /_control/clearlog >/dev/null
s0=$(now_ms)
wine "$work/Lumo.exe" >/dev/null 2>&1 &
shell=$!
wait_until 60 message_shown
t0=$(now_ms)
click $(centre messageYes)
wait_until 120 all_in && t1=$(now_ms) || t1=""
echo "restore of $n tabs: the question $((t0 - s0)) ms after the start; $(took "$t0" "$t1") from 恢复 until every tab is logged in"
stop_shell

# Restored without asking.
printf '[Server]\r\nHost=%s\r\n[Session]\r\nAutoRestore=1\r\n' "$LUMO_TEST_SERVER" >"$work/Config.ini"
http_get /_control/clearlog >/dev/null
s0=$(now_ms)
wine "$work/Lumo.exe" >/dev/null 2>&1 &
shell=$!
wait_until 120 all_in && t1=$(now_ms) || t1=""
echo "restore of $n tabs without asking: $(took "$s0" "$t1") from the shell's start until every tab is logged in"
stop_shell
kill "$shell" 2>/dev/null
rm -rf "$work"
