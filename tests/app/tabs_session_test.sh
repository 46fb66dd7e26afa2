#!/usr/bin/env bash
# Many accounts of one game, end to end with real input (xdotool under Xvfb,
# the headless engine, the maker server's demo game): three saved accounts
# in one category; a right click on the category and 打开全部 opens three
# tabs labelled with the games' names, each logged in as its own account (the
# server's log), two of them through a proxy of their own (tinyproxy on
# loopback). The shell closes and starts again; 恢复 brings back the same
# three tabs in the same order, each logged in again, the two through their
# proxies again.
set -uo pipefail
: "${LUMO_BUILD_DIR:?}" "${LUMO_TEST_SERVER:?}" "${LUMO_PROXY_PORTS:?}" \
    "${DISPLAY:?needs an X display (xvfb-run)}"
here=$(cd "$(dirname "$0")/../wine" && pwd)
. "$here/env.sh"
work=$(mktemp -d "$LUMO_BUILD_DIR/tabs_session.XXXXXX")
mkdir -p "$work/Update" "$work/UserData"
cp "$LUMO_BUILD_DIR/app/Lumo/Lumo.exe" "$work/"
printf '[Server]\r\nHost=%s\r\n' "$LUMO_TEST_SERVER" >"$work/Config.ini"
export LUMO_BROWSER_ENGINE=headless
unset LUMO_USERDATA_DIR
failures=0
. "$(dirname "$0")/xinput.sh"

port=${LUMO_TEST_SERVER##*:}
game="http://127.0.0.1:$port/game/login.html"
command -v tinyproxy >/dev/null || { echo "tinyproxy is not installed (scripts/deps.sh)"; exit 1; }
read -r -a proxy_ports <<<"$LUMO_PROXY_PORTS"
proxies=()
start_proxy() {  # name port (the name is in the Via header the server logs)
    printf 'Port %s\nListen 127.0.0.1\nTimeout 30\nLogFile "%s"\nMaxClients 20\nAllow 127.0.0.1\nViaProxyName "%s"\n' \
        "$2" "$work/$1.log" "$1" >"$work/$1.conf"
    if bash -c "exec 3<>/dev/tcp/127.0.0.1/$2" 2>/dev/null; then
        echo "port $2 is taken"
        return 1
    fi
    tinyproxy -d -c "$work/$1.conf" >/dev/null 2>&1 &
    proxies+=($!)
    wait_until 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$2" 2>/dev/null
}
start_proxy proxy2 "${proxy_ports[0]}" && start_proxy proxy3 "${proxy_ports[1]}" ||
    { echo "FAIL tinyproxy does not start"; kill "${proxies[@]}" 2>/dev/null; exit 1; }
http_get /_control/reset >/dev/null
http_get /_control/clearlog >/dev/null
http_get "/_control/set?startpage=http://127.0.0.1:$port/faq.html" >/dev/null

# Three saved accounts of the demo game in one category, with plain bills as
# older versions stored them (the first save protects them).
names=(甲号 乙号 丙号)
accounts=(acc1 acc2 acc3)
{
    for i in 0 1 2; do
        bill="<Forms><Form><FormName>loginForm</FormName><ITEM><EName>username</EName><EValue>${accounts[$i]}</EValue></ITEM><ITEM><EName>password</EName><EValue>pw</EValue></ITEM><ITEM><EName>btnLogin</EName><EValue>LumoSubmitButton.Click</EValue></ITEM></Form></Forms>"
        printf '#BEGIN#\r\n#FOLDER#演示\r\n#NAME#演示游戏 - %s\r\n#ADDRESS#%s\r\n#Bill#%s\r\n' \
            "${names[$i]}" "$game" "$bill"
        [ "$i" = 0 ] || printf '#PROXY#127.0.0.1:%s\r\n' "${proxy_ports[$((i - 1))]}"
        [ "$i" = 1 ] && printf '#COLOR#E53935\r\n'
        printf '#END#\r\n'
    done
} | iconv -f UTF-8 -t GBK >"$work/UserData/gList.dat"

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
labels() { probe; for i in 1 2 3; do val "tabTitle$i"; done | paste -sd'|'; }
labels_are() { [ "$(labels)" = "演示游戏 - 甲号|演示游戏 - 乙号|演示游戏 - 丙号" ]; }
lobby_seen() { http_get "/_seen?path=/game/lobby.html" | tr -d '\r' | grep -qx "$1"; }
all_logged_in() { for a in "${accounts[@]}"; do lobby_seen "$a" || return 1; done; }
logins() { server_log | grep -cP '\tPOST\t/game/login\t'; }
message_shown() { probe; [ -n "$(val messageText)" ]; }
# Server log rows: time, method, target, account, range, via. Every request
# of acc2 and acc3 came through their own proxy, none went straight, and
# each proxy carried exactly one login.
rows() { server_log | tr -d '\r' | grep -P '\t'; }
through_own_proxies() {
    local n
    for n in 2 3; do
        [ "$(rows | awk -F'\t' -v a="acc$n" '$4 == a' | grep -c .)" -ge 1 ] || return 1
        ! rows | awk -F'\t' -v a="acc$n" -v p="proxy$n" '$4 == a && !index($6, p)' | grep -q . || return 1
        [ "$(rows | awk -F'\t' -v p="proxy$n" '$2 == "POST" && index($6, p)' | grep -c .)" = 1 ] || return 1
    done
    ! rows | awk -F'\t' '$4 == "acc1" && $6 != "-"' | grep -q .
}

# --- 打开全部 on the category.
start_shell
probe
click $(centre tbarMyGame)
sleep 0.5
probe tree tvwMyGame
at=$(sed -n 's/^node=0|演示|//p' <<<"$state" | head -n 1)
check "the category is in the tree" [ -n "$at" ]
click "${at%,*}" "${at#*,}" 3
sleep 0.7
# The menu's one item, just below and right of the pointer.
xdotool key Down Return
check "three tabs open" wait_until 30 tabs_are 4
check "each tab is labelled with its game's name" wait_until 10 labels_are
check "each tab logs in as its own account" wait_until 30 all_logged_in
check "the server saw three logins" [ "$(logins)" = 3 ]
check "two of them only through their own proxies" through_own_proxies
check "the session file lists the three games" wait_until 5 bash -c \
    "grep -c \$'^TAB\t演示\t演示游戏' '$work/UserData/Session.dat' | grep -qx 3"
stop_shell

# --- Start again and restore.
http_get /_control/clearlog >/dev/null
wine "$work/Lumo.exe" >/dev/null 2>&1 &
shell=$!
check "the restore question comes" wait_until 40 message_shown
grep -qF "3 个页面" <<<"$(val messageText)" || { echo "FAIL the question names three tabs"; failures=$((failures + 1)); }
click $(centre messageYes)
check "the same three tabs come back" wait_until 40 tabs_are 4
check "in the same order, with the same labels" wait_until 10 labels_are
check "each logs in again as its own account" wait_until 30 all_logged_in
check "the server saw three logins again" [ "$(logins)" = 3 ]
check "the two again only through their own proxies" through_own_proxies
only_our_accounts() { ! server_log | grep -P '\t' | cut -f4 | grep -qvxE 'acc1|acc2|acc3|-'; }
check "no request carried another account" only_our_accounts
check "the colour survives in gList.dat" bash -c "grep -c '^#COLOR#E53935' '$work/UserData/gList.dat' | grep -qx 1"
stop_shell

kill "$shell" "${proxies[@]}" 2>/dev/null
wait "$shell" "${proxies[@]}" 2>/dev/null
http_get /_control/reset >/dev/null
[ "$failures" = 0 ] && rm -rf "$work"
exit $((failures > 0))
