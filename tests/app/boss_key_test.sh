#!/usr/bin/env bash
# The boss key with real key presses (xdotool under Xvfb): Ctrl+Alt+Z hides
# every window of the shell and its pages and the tray icon; pressed again
# (from another program's window, which has the keyboard: Wine sees keys
# only while one of its windows has the X focus) everything is back with the
# same tabs. Then, with another program holding the key, a new shell tells
# so once, naming the key.
set -uo pipefail
: "${LUMO_BUILD_DIR:?}" "${LUMO_TEST_SERVER:?}" "${DISPLAY:?needs an X display (xvfb-run)}"
here=$(cd "$(dirname "$0")/../wine" && pwd)
. "$here/env.sh"
work=$(mktemp -d "$LUMO_BUILD_DIR/boss_key_test.XXXXXX")
mkdir -p "$work/Update"
cp "$LUMO_BUILD_DIR/app/Lumo/Lumo.exe" "$work/"
printf '[Server]\r\nHost=%s\r\n[Options]\r\nBossKey=ctrl + alt + z\r\n' "$LUMO_TEST_SERVER" \
    >"$work/Config.ini"
export LUMO_BROWSER_ENGINE=headless LUMO_NO_SPARE=1
failures=0
. "$(dirname "$0")/xinput.sh"
port=${LUMO_TEST_SERVER##*:}
http_get /_control/reset >/dev/null

shell=""
start_shell() {
    wine "$work/Lumo.exe" >/dev/null 2>&1 &
    shell=$!
    wait_until 30 xdotool search --onlyvisible --name "Lumo" >/dev/null && wait_until 40 tabs_are 1
}
stop_shell() {
    probe close
    wait_until 20 main_gone
    for _ in $(seq 50); do kill -0 "$shell" 2>/dev/null || break; sleep 0.2; done
}
holder=""
hold_key() {  # modifiers vk: another program's window in front, holding that key
    wine "$LUMO_BUILD_DIR/tests/support/lumo_probe.exe" hold-key "$1" "$2" >"$work/holder.out" 2>/dev/null &
    holder=$!
    wait_until 20 grep -q '^held=' "$work/holder.out" && wait_until 10 xdotool search --onlyvisible --name LumoKeyHolder >/dev/null
}
drop_key() {
    kill "$holder" 2>/dev/null
    wait "$holder" 2>/dev/null
    wait_until 10 bash -c "! xdotool search --onlyvisible --name LumoKeyHolder >/dev/null"
}
lumo_windows() { probe windows; grep -ci '^window=lumo.exe|' <<<"$state"; }
none_visible() {
    [ "$(lumo_windows)" = 0 ] && ! xdotool search --onlyvisible --name "Lumo网页游戏" >/dev/null
}
main_back() { probe; [ "$(val visible)" = 1 ] && [ "$(lumo_windows)" -ge 1 ]; }
tray_windows() { probe windows; grep -ci 'tray' <<<"$state"; }

# --- The key hides and brings back.
start_shell
wine "$work/Lumo.exe" "http://127.0.0.1:$port/faq.html" >/dev/null 2>&1
check "a second tab opens" wait_until 20 tabs_are 2
probe
titles=$(grep '^tabTitle' <<<"$state")
click $(centre CBURL)
sleep 0.3
trays=$(tray_windows)
xdotool key ctrl+alt+z
check "Ctrl+Alt+Z leaves no window of the shell or its pages visible" wait_until 10 none_visible
check "the tray icon is gone" wait_until 10 bash -c "[ \"\$(. '$here/env.sh'; wine '$LUMO_BUILD_DIR/tests/support/lumo_probe.exe' windows | grep -ci tray)\" -lt $trays ] || [ $trays = 0 ]"
hold_key 2 123  # Ctrl+F12: only its window matters here
click 100 50
xdotool key ctrl+alt+z
check "pressed again, the main window is back" wait_until 10 main_back
drop_key
probe
check "with the same tabs" [ "$(grep '^tabTitle' <<<"$state")" = "$titles" ]
check "and its tray icon" wait_until 10 bash -c "[ \"\$(. '$here/env.sh'; wine '$LUMO_BUILD_DIR/tests/support/lumo_probe.exe' windows | grep -ci tray)\" -ge $trays ]"
stop_shell

# --- Another program holds the key: the shell says so, once.
hold_key 3 90
check "another program holds Ctrl+Alt+Z" grep -q '^held=1' "$work/holder.out"
rm -f "$work/UserData/Session.dat"  # no offer to restore the tabs of the first run
start_shell
message_is() { probe; grep -qF "$1" <<<"$(val messageText)"; }
check "the shell says the key is taken, naming it" wait_until 20 message_is "Ctrl+Alt+Z"
probe
click $(centre messageOk)
no_message() { probe; [ -z "$(val messageText)" ]; }
check "the notice goes with its button" wait_until 10 no_message
sleep 2
check "and does not come again" no_message
stop_shell
drop_key

kill "$shell" 2>/dev/null
wait "$shell" 2>/dev/null
http_get /_control/reset >/dev/null
[ "$failures" = 0 ] && rm -rf "$work"
exit $((failures > 0))
