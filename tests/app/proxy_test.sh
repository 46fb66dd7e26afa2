#!/usr/bin/env bash
# A proxy per saved game, end to end (real shell, real clicks, the headless
# engine, two tinyproxy instances on loopback): games A and B are saved with
# a proxy each; one click per game logs each in through its own proxy. Each
# proxy passes exactly its own account's requests, and the maker server
# sees every request of either account only through that account's proxy
# (its log names the proxy from the Via header). Then B's proxy stops and a
# reload of B's tab shows the error page, with no request of B reaching the
# server directly. The system's proxy setting stays untouched. The spare
# page runs meanwhile: a game with a proxy must not take it.
set -uo pipefail
: "${LUMO_BUILD_DIR:?}" "${LUMO_TEST_SERVER:?}" "${LUMO_PROXY_PORTS:?}" \
    "${DISPLAY:?needs an X display (xvfb-run)}"
here=$(cd "$(dirname "$0")/../wine" && pwd)
. "$here/env.sh"
command -v tinyproxy >/dev/null || { echo "tinyproxy is not installed (scripts/deps.sh)"; exit 1; }
work=$(mktemp -d "$LUMO_BUILD_DIR/proxy_test.XXXXXX")
mkdir -p "$work/Update" "$work/UserData"
cp "$LUMO_BUILD_DIR/app/Lumo/Lumo.exe" "$work/"
printf '[Server]\r\nHost=%s\r\n' "$LUMO_TEST_SERVER" >"$work/Config.ini"
export LUMO_BROWSER_ENGINE=headless
unset LUMO_USERDATA_DIR
failures=0
. "$(dirname "$0")/xinput.sh"
port=${LUMO_TEST_SERVER##*:}
read -r port_a port_b <<<"$LUMO_PROXY_PORTS"

# One tinyproxy per account: its own configuration, port, log and name (in
# the Via header it adds).
proxies=()
start_proxy() {  # name port
    cat >"$work/$1.conf" <<CONF
Port $2
Listen 127.0.0.1
Timeout 30
LogFile "$work/$1.log"
LogLevel Info
MaxClients 20
Allow 127.0.0.1
ViaProxyName "$1"
CONF
    # The port must be ours: a leftover listener there would pass for it.
    if bash -c "exec 3<>/dev/tcp/127.0.0.1/$2" 2>/dev/null; then
        echo "port $2 is taken"
        return 1
    fi
    tinyproxy -d -c "$work/$1.conf" >/dev/null 2>&1 &
    proxies+=($!)
    wait_until 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$2" 2>/dev/null && kill -0 "$!"
}
start_proxy proxyA "$port_a" || { echo "FAIL tinyproxy does not start"; exit 1; }
start_proxy proxyB "$port_b" || { echo "FAIL tinyproxy does not start"; exit 1; }

# The saved games as an older file would hold them (plain bills), plus the
# proxy lines.
bill() {
    printf '<Forms><Form><FormName>loginForm</FormName><ITEM><EName>username</EName><EValue>%s</EValue></ITEM><ITEM><EName>password</EName><EValue>pw</EValue></ITEM><ITEM><EName>btnLogin</EName><EValue>LumoSubmitButton.Click</EValue></ITEM></Form></Forms>' "$1"
}
game="http://127.0.0.1:$port/game/login.html"
printf '#BEGIN#\r\n#FOLDER#proxy\r\n#NAME#game-a\r\n#ADDRESS#%s?who=a\r\n#Bill#%s\r\n#PROXY#127.0.0.1:%s\r\n#END#\r\n#BEGIN#\r\n#FOLDER#proxy\r\n#NAME#game-b\r\n#ADDRESS#%s?who=b\r\n#Bill#%s\r\n#PROXY#127.0.0.1:%s\r\n#END#\r\n' \
    "$game" "$(bill alice)" "$port_a" "$game" "$(bill bob)" "$port_b" >"$work/UserData/gList.dat"

http_get /_control/reset >/dev/null
http_get /_control/clearlog >/dev/null
wine "$work/Lumo.exe" >/dev/null 2>&1 &
shell=$!
check "the shell starts" wait_until 40 tabs_are 1
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
lobby_seen() { http_get "/_seen?path=/game/lobby.html" | tr -d '\r' | grep -qx "$1"; }
check "game A opens a tab" open_game game-a 2
check "game A logs in as alice" wait_until 20 lobby_seen alice
check "game B opens a tab" open_game game-b 3
check "game B logs in as bob" wait_until 20 lobby_seen bob

# Server log rows: time, method, target, account, range, via. A request of
# an account: its cookie names the account, or it is its game's page before
# the login, or the login itself.
rows() { server_log | tr -d '\r' | grep -P '\t'; }
accounts_request='$4 == "alice" || $4 == "bob" || index($3, "who=") || $2 == "POST"'
none_straight() { ! rows | awk -F'\t' "\$6 == \"-\" && ($accounts_request)" | grep -q .; }
exactly_its_own() {  # proxy account letter
    local via
    via=$(rows | awk -F'\t' -v p="$1" 'index($6, p)')
    [ "$(grep -c . <<<"$via")" -ge 3 ] &&
        [ "$(grep -c . <<<"$via")" = "$(grep -c 'Request (file descriptor' "$work/$1.log")" ] &&
        ! awk -F'\t' -v a="$2" -v w="who=$3" '!($4 == a || index($3, w) || $2 == "POST")' <<<"$via" | grep -q . &&
        [ "$(grep -cP '\tPOST\t' <<<"$via")" = 1 ]
}
check "no request of either account reached the server straight" none_straight
check "proxy A passed alice's requests only, each one the server saw" exactly_its_own proxyA alice a
check "proxy B passed bob's requests only, each one the server saw" exactly_its_own proxyB bob b

# B's proxy goes down; B's tab (the active one) reloads.
kill "${proxies[1]}"
wait "${proxies[1]}" 2>/dev/null
http_get /_control/clearlog >/dev/null
probe
click $(centre PanelWBMain 0 200)
sleep 0.3
xdotool key F5
# The tab keeps the game's name; the page's title shows in the status bar.
error_shown() { probe; grep -qF "无法显示此页" <<<"$(val status)"; }
check "B's tab shows the error page" wait_until 40 error_shown
check "no request of bob reached the server directly" none_straight
check "the system proxy setting is untouched" bash -c \
    "! wine reg query 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings' /v ProxyServer 2>/dev/null | grep -q 127.0.0.1"

probe close
wait_until 20 main_gone
for _ in $(seq 50); do kill -0 "$shell" 2>/dev/null || break; sleep 0.2; done
kill "$shell" "${proxies[@]}" 2>/dev/null
wait 2>/dev/null
http_get /_control/reset >/dev/null
[ "$failures" = 0 ] && rm -rf "$work"
exit $((failures > 0))
