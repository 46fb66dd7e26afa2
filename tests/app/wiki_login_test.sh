#!/usr/bin/env bash
# Saved logins on a real web application: DokuWiki (Debian's package, served
# by an Apache of its own) whose login page has a search form and a tools form
# before the login form, a login button without id or name and a hidden
# security field. With real input (xdotool under Xvfb, the headless engine):
# type alice's login into the page and save the game, the same for bob; then
# one click per game. The wiki's own access log must show one login POST per
# game, each by its own user from its own session, and each tab's later
# requests served as its own user.
set -uo pipefail
: "${LUMO_BUILD_DIR:?}" "${LUMO_TEST_SERVER:?}" "${DISPLAY:?needs an X display (xvfb-run)}"
here=$(cd "$(dirname "$0")/../wine" && pwd)
. "$here/env.sh"
for need in /usr/sbin/apache2 /usr/share/dokuwiki/doku.php; do
    [ -e "$need" ] || { echo "FAIL $need is missing: scripts/deps.sh installs it"; exit 1; }
done
ls /usr/lib/apache2/modules/libphp*.so >/dev/null 2>&1 ||
    { echo "FAIL Apache's PHP module is missing: scripts/deps.sh installs it"; exit 1; }
work=$(mktemp -d "$LUMO_BUILD_DIR/wiki_login.XXXXXX")
chmod 755 "$work"  # the wiki's Apache serves from inside it as its own user
mkdir -p "$work/Update"
cp "$LUMO_BUILD_DIR/app/Lumo/Lumo.exe" "$work/"
printf '[Server]\r\nHost=%s\r\n' "$LUMO_TEST_SERVER" >"$work/Config.ini"
export LUMO_BROWSER_ENGINE=headless
unset LUMO_USERDATA_DIR
failures=0
. "$(dirname "$0")/xinput.sh"

wiki_port=${LUMO_WIKI_PORT:-$((${LUMO_TEST_SERVER##*:} + 1))}
wiki_dir=$work/wiki
wiki_server=$(dirname "$0")/../support/dokuwiki-server.sh
login_page="http://127.0.0.1:$wiki_port/doku.php?id=start&do=login"
http_get /_control/reset >/dev/null
query_value() { local s=${1//%/%25}; s=${s//:/%3A}; s=${s//\//%2F}; s=${s//\?/%3F}; s=${s//=/%3D}; echo "${s//&/%26}"; }
http_get "/_control/set?startpage=$(query_value "$login_page")" | grep -q "^ok" ||
    { echo "FAIL the maker server did not take the wiki's login page as start page"; exit 1; }

shell=""
finish() {
    [ -n "$shell" ] && { probe close; wait_until 20 main_gone; kill "$shell" 2>/dev/null; wait "$shell" 2>/dev/null; }
    "$wiki_server" down "$wiki_dir"
    http_get /_control/reset >/dev/null
    [ "$failures" -eq 0 ] && rm -rf "$work"
}
trap finish EXIT
"$wiki_server" up "$wiki_dir" "$wiki_port" || exit 1
wine "$work/Lumo.exe" >/dev/null 2>&1 &
shell=$!
wait_until 30 xdotool search --onlyvisible --name "Lumo" >/dev/null && wait_until 40 tabs_are 1

add_game_is() { probe; [ "$(val addGame)" = "$1" ]; }
# The wiki's page shows its search field, then the login's user and password.
fields_shown() { probe; [ -n "$(val field2)" ] && [ "$(val field2)" != "0,0,0,0" ]; }
message_shown() { probe; [ -n "$(val messageText)" ]; }
type_into() {  # x y text
    click "$1" "$2"
    sleep 0.3
    xdotool key End shift+Home Delete
    xdotool type --delay 30 "$3"
}
save_account() {  # user password game
    wait_until 20 fields_shown || return 1
    type_into $(centre field1) "$1"
    type_into $(centre field2) "$2"
    probe
    IFS=, read -r bx by _ _ <<<"$(val ToolBarButton)"
    click $((bx + 5 * 39 + 19)) $((by + 19))
    wait_until 10 add_game_is 1 || return 1
    probe
    type_into $(centre addGameCategory) wiki
    type_into $(centre addGameDescription) "$3"
    click $(centre addGameOk)
    if wait_until 4 message_shown; then
        click $(centre messageYes)
    fi
    wait_until 10 add_game_is 0
}
open_game() {  # name, tabs after
    probe tree tvwMyGame
    local at
    at=$(sed -n "s/^node=1|$1|//p" <<<"$state" | head -n 1)
    [ -n "$at" ] || return 1
    click "${at%,*}" "${at#*,}"
    wait_until 20 tabs_are "$2"
}
access() { cat "$wiki_dir/access.log" 2>/dev/null; }
# The wiki's session of user $1's login POST (302: logged in).
login_session() { access | awk -F'\t' -v u="$1" '$2 == "POST" && $4 == 302 && $5 == u { print $6 }' | tail -n 1; }
logged_in() { [ -n "$(login_session "$1")" ]; }
logins_by() { access | awk -F'\t' -v u="$1" '$2 == "POST" && $5 == u' | wc -l; }
# A GET of the wiki served as user $1 in session $2, at least $3 times.
served_as() { [ "$(access | awk -F'\t' -v u="$1" -v s="$2" '$2 == "GET" && $5 == u && $6 == s' | wc -l)" -ge "$3" ]; }

check "the shell opens the wiki's login page" wait_until 30 fields_shown
probe
click $(centre field0)  # the first click gives the window the X input focus
check "alice's login is saved" save_account alice pw-alice alice-wiki
check "bob's login is saved" save_account bob pw-bob bob-wiki
check "nothing logged in while saving" [ "$(access | awk -F'\t' '$2 == "POST"' | wc -l)" = 0 ]

probe
click $(centre tbarMyGame)
check "clicking alice's game opens a tab" open_game alice-wiki 2
check "the wiki logs alice in" wait_until 20 logged_in alice
check "clicking bob's game opens a third tab" open_game bob-wiki 3
check "the wiki logs bob in" wait_until 20 logged_in bob
a=$(login_session alice)
b=$(login_session bob)
one_login_each() { [ "$(logins_by alice)" = 1 ] && [ "$(logins_by bob)" = 1 ] && [ "$a" != "$b" ]; }
check "one login POST each, in two sessions" one_login_each
check "each tab's page after the login is its own user's" wait_until 15 served_as alice "$a" 1
check "bob's too" wait_until 15 served_as bob "$b" 1
# The active tab (bob's) reloads as bob; alice's tab reloads as alice.
probe
click $(centre PanelWBMain 0 200)
sleep 0.3
xdotool key F5
check "bob's tab's later requests are bob's" wait_until 15 served_as bob "$b" 2
probe
click $(centre tab1)
sleep 0.5
click $(centre PanelWBMain 0 200)
sleep 0.3
xdotool key F5
check "alice's tab keeps alice" wait_until 15 served_as alice "$a" 2
check "no request was served as anyone else" \
    bash -c "! awk -F'\t' '\$5 != \"-\" && \$5 != \"alice\" && \$5 != \"bob\"' '$wiki_dir/access.log' | grep -q ."
[ "$failures" -eq 0 ] || { echo "the wiki's access log:"; access; }
exit $((failures > 0))
