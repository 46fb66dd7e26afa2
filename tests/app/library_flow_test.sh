#!/usr/bin/env bash
# A player's saved games, end to end with real input (xdotool under Xvfb, the
# headless engine, the local maker server's demo game): type account A into
# the login page, save the game into a new category; the same for account B;
# restart the shell; click game A, then game B. Each tab logs itself in with
# its own account, without typing, and keeps it: the server sees both logins
# and each tab's later requests carry its own account. Recents.dat lists B
# then A, and gList.dat is the same file, byte for byte, after the restart.
set -uo pipefail
: "${LUMO_BUILD_DIR:?}" "${LUMO_TEST_SERVER:?}" "${DISPLAY:?needs an X display (xvfb-run)}"
here=$(cd "$(dirname "$0")/../wine" && pwd)
. "$here/env.sh"
work=$(mktemp -d "$LUMO_BUILD_DIR/library_flow.XXXXXX")
mkdir -p "$work/Update"
cp "$LUMO_BUILD_DIR/app/Lumo/Lumo.exe" "$work/"
printf '[Server]\r\nHost=%s\r\n' "$LUMO_TEST_SERVER" >"$work/Config.ini"
export LUMO_BROWSER_ENGINE=headless
unset LUMO_USERDATA_DIR
failures=0
. "$(dirname "$0")/xinput.sh"

port=${LUMO_TEST_SERVER##*:}
http_get /_control/reset >/dev/null
http_get /_control/clearlog >/dev/null
# The shell's first page is the demo game's login page.
http_get "/_control/set?startpage=http://127.0.0.1:$port/game/login.html" >/dev/null

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
add_game_is() { probe; [ "$(val addGame)" = "$1" ]; }
fields_shown() { probe; [ -n "$(val field1)" ] && [ "$(val field1)" != "0,0,0,0" ]; }
message_shown() { probe; [ -n "$(val messageText)" ]; }
# Replaces the text of the edit field under the point with `text`.
type_into() {  # x y text
    click "$1" "$2"
    sleep 0.3
    xdotool key End shift+Home Delete
    xdotool type --delay 30 "$3"
}
save_account() {  # account password game category
    wait_until 20 fields_shown || return 1
    read -r ux uy <<<"$(centre field0)"
    read -r px py <<<"$(centre field1)"
    type_into "$ux" "$uy" "$1"
    type_into "$px" "$py" "$2"
    probe
    IFS=, read -r bx by _ _ <<<"$(val ToolBarButton)"
    click $((bx + 5 * 39 + 19)) $((by + 19))
    wait_until 10 add_game_is 1 || return 1
    probe
    type_into $(centre addGameCategory) "$4"
    type_into $(centre addGameDescription) "$3"
    click $(centre addGameOk)
    # A new category is asked for first.
    if wait_until 4 message_shown; then
        grep -qF "是否创建为新分类" <<<"$(val messageText)" || return 1
        click $(centre messageYes)
    fi
    wait_until 10 add_game_is 0
}
games_file() { cat "$work/UserData/gList.dat" 2>/dev/null; }
logins_are_fewer_than() { [ "$(server_log | grep -cP '\tPOST\t/game/login\t')" -lt "$1" ]; }
only_our_accounts() { ! server_log | grep -P '\t' | cut -f4 | grep -qvxE 'alice|bob|-'; }
lobby_seen() { http_get "/_seen?path=/game/lobby.html" | tr -d '\r' | grep -qx "$1"; }

# --- First run: save two accounts of the demo game.
start_shell
check "the shell opens the login page" wait_until 20 fields_shown
probe
click $(centre field0)  # the first click gives the window the X input focus
check "account A is saved with its login form" save_account alice pw-alice alice-game demo
check "account B is saved into the same category" save_account bob pw-bob bob-game demo
check "gList.dat holds both games in the new category" \
    bash -c "grep -c '^#FOLDER#demo' '$work/UserData/gList.dat' | grep -qx 2"
check "the passwords are not stored readable" bash -c "! grep -q 'pw-' '$work/UserData/gList.dat'"
check "nothing logged in while saving" logins_are_fewer_than 1
stop_shell
saved=$(games_file | md5sum)

# --- Second run: one click per account.
http_get /_control/clearlog >/dev/null
start_shell
probe
click $(centre tbarMyGame)
open_game() {  # name, tabs after
    probe tree tvwMyGame
    local at
    at=$(sed -n "s/^node=1|$1|//p" <<<"$state" | head -n 1)
    [ -n "$at" ] || return 1
    click "${at%,*}" "${at#*,}"
    wait_until 20 tabs_are "$2"
}
check "clicking game A opens a tab" open_game alice-game 2
check "game A logs itself in as alice" wait_until 20 lobby_seen alice
check "clicking game B opens a third tab" open_game bob-game 3
check "game B logs itself in as bob" wait_until 20 lobby_seen bob
two_logins() { ! logins_are_fewer_than 2; }
check "the server saw two logins" two_logins
# Each tab keeps its own account: a reload of the active tab (B) is B's.
probe
click $(centre PanelWBMain 0 200)
sleep 0.3
xdotool key F5
reloaded_as() { [ "$(server_log | grep -cP "\t/game/lobby.html\t$1\t")" -ge 2 ]; }
check "the active tab's later requests carry bob" wait_until 15 reloaded_as bob
# Game A's tab (right of the first page) still is alice's.
probe
click $(centre tab1)
sleep 0.5
click $(centre PanelWBMain 0 200)
sleep 0.3
xdotool key F5
check "game A's tab keeps alice" wait_until 15 reloaded_as alice
check "no request of this run carried another account" only_our_accounts
check "Recents.dat lists B, then A" \
    bash -c "grep -a '^#NAME#' '$work/UserData/Recents.dat' | tr -d '\r' | paste -sd' ' | grep -qx '#NAME#bob-game #NAME#alice-game'"
check "gList.dat survives the restart byte for byte" [ "$(games_file | md5sum)" = "$saved" ]
stop_shell

kill "$shell" 2>/dev/null
wait "$shell" 2>/dev/null
http_get /_control/reset >/dev/null
rm -rf "$work"
exit $((failures > 0))
