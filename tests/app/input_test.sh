#!/usr/bin/env bash
# The main window under real input: xdotool sends key presses and mouse
# clicks to a Lumo.exe shell under Wine (headless engine, local maker server);
# lumo_probe.exe reads the shell's state and the maker server's log shows what
# the pages requested. Prints a few timings at the end.
set -uo pipefail
: "${LUMO_BUILD_DIR:?}" "${LUMO_TEST_SERVER:?}" "${DISPLAY:?needs an X display (xvfb-run)}"
here=$(cd "$(dirname "$0")/../wine" && pwd)
. "$here/env.sh"
server=http://$LUMO_TEST_SERVER
work=$(mktemp -d "$LUMO_BUILD_DIR/input_test.XXXXXX")
mkdir -p "$work/Update"
cp "$LUMO_BUILD_DIR/app/Lumo/Lumo.exe" "$work/"
printf '[Server]\r\nHost=%s\r\n' "$LUMO_TEST_SERVER" >"$work/Config.ini"
export LUMO_BROWSER_ENGINE=headless LUMO_SEARCH_ORIGIN=$server
failures=0

. "$(dirname "$0")/xinput.sh"

http_get /_control/reset >/dev/null
http_get /_control/clearlog >/dev/null

t0=$(now_ms)
wine "$work/Lumo.exe" >/dev/null 2>&1 &
shell=$!
wait_until 30 xdotool search --onlyvisible --name "Lumo" >/dev/null
t_visible=$(($(now_ms) - t0))
check "the shell starts with its first page" wait_until 40 tabs_are 1
port=${LUMO_TEST_SERVER##*:}

# Xvfb has no window manager: the first click into the window gives it the
# X input focus, as a user's first click would.
probe
click $(centre PanelWBMain)
sleep 0.5

# Typing an address and Enter: the current page loads it.
click $(centre CBURL)
xdotool key ctrl+a type --delay 20 "127.0.0.1:$port/faq.html?typed=enter"
xdotool key Return
check "Enter in the address box opens the address in the current page" \
    wait_until 15 logged "typed=enter"
check "the address box shows the normalised address" \
    address_is "http://127.0.0.1:$port/faq.html?typed=enter"

# A keyword typed into the address box searches in the current page, and the
# box shows the search address without its "tn=" marker at once, while the page
# still loads (the server answers slowly) and is sent the full address.
http_get "/_control/set?path=/baidu&delay=3000" >/dev/null
click $(centre CBURL)
xdotool key ctrl+a type --delay 20 "lumotn=abcdkw"
xdotool key Return
sleep 0.5
check "a keyword search shows its address without tn= at once" \
    address_is "$server/baidu?word=lumokw"
check "the page is sent the full search address" wait_until 15 logged "word=lumotn=abcdkw"
http_get "/_control/set?path=/baidu&delay=0" >/dev/null
wait_until 10 address_has "tn=abcdkw"

# Ctrl+Enter completes "http://www." and ".com/" (the user part keeps the
# request on this machine).
click $(centre CBURL)
xdotool key ctrl+a type --delay 20 "x@127.0.0.1:$port/ctrl"
xdotool key ctrl+Return
# (The page reports the address it loaded, without the user part, soon after.)
check "Ctrl+Enter completes www. and .com/" \
    wait_until 10 address_has "/ctrl.com/"
check "the completed address is requested" wait_until 15 logged "/ctrl.com/"

# A search opens a new tab right of the active one.
click $(centre ComboBoxSearch)
xdotool type --delay 20 "lumokey"
xdotool key Return
check "a search opens a second tab" wait_until 20 tabs_are 2
check "the search reaches the engine" wait_until 15 logged "word=lumokey"
check "the address box shows the search address" address_is "$server/baidu?word=lumokey"

# Clicking a tab selects it.
click $(centre tab0)
check "clicking the first tab shows its address" wait_until 10 address_has "/ctrl.com/"

# The floating close button over the right edge of tab 1 closes it and ends
# its process.
probe
closed_pids=$(val pids)
IFS=, read -r x y w h <<<"$(val tab1)"
xdotool mousemove $((x + w - 6)) $((y + 18))
sleep 0.2
xdotool mousemove $((x + w - 2)) $((y + 18))
wait_until 5 bash -c "wine '$LUMO_BUILD_DIR/tests/support/lumo_probe.exe' 2>/dev/null | grep -q 'closeVisible=1'"
probe
click $(centre ToolBarTabClose)
check "the close button closes the tab" wait_until 10 tabs_are 1
probe
remaining=$(val pids)
gone=""
for p in $closed_pids; do [ "$p" != "$remaining" ] && gone=$p; done
process_ended() { probe alive "$gone"; [ "$(val alive)" = 0 ]; }
check "the closed tab's process ends" wait_until 15 process_ended

# Shortcuts pressed while a page has the keyboard focus.
probe
click $(centre PanelWBMain)
sleep 0.3
t1=$(now_ms)
xdotool key ctrl+t
check "Ctrl+T in a page opens a tab" wait_until 15 tabs_are 2
t_newtab=$(($(now_ms) - t1))
probe
click $(centre PanelWBMain)
sleep 0.3
xdotool key ctrl+w
check "Ctrl+W in a page closes its tab" wait_until 15 tabs_are 1
click $(centre PanelWBMain)
sleep 0.3
xdotool key ctrl+shift+t
check "Ctrl+Shift+T reopens the closed search tab" wait_until 20 tabs_are 2
check "the reopened tab loads its address again" wait_until 15 logged_times "word=lumokey" 2
probe
click $(centre tab1) 2
check "a middle click closes a tab" wait_until 10 tabs_are 1

# Tab switch by click, timed.
probe
click $(centre PanelWBMain)
xdotool key ctrl+t
wait_until 15 tabs_are 2
probe
t2=$(now_ms)
click $(centre tab0)
wait_until 10 address_has "/ctrl.com/"
t_switch=$(($(now_ms) - t2))

# Alt+Left in a page, letting go of Alt first or of Left first: the page goes
# back, and the main window still takes clicks (a lone Alt release would leave
# it in menu mode, deaf to every click and key).
click $(centre tab1)
for n in 1 2 3; do
    click $(centre CBURL)
    xdotool key ctrl+a type --delay 20 "127.0.0.1:$port/faq.html?alt=$n"
    xdotool key Return
    wait_until 15 address_has "alt=$n"
done
back_to=3
for order in "keyup alt keyup Left" "keyup Left keyup alt"; do
    back_to=$((back_to - 1))
    click $(centre PanelWBMain)
    sleep 0.3
    # shellcheck disable=SC2086
    xdotool keydown alt keydown Left $order
    check "Alt+Left ($order) goes back" wait_until 15 address_has "alt=$back_to"
    click $(centre tab0)
    check "a click on another tab still switches to it ($order)" \
        wait_until 10 address_has "/ctrl.com/"
    click $(centre tab1)
    wait_until 10 address_has "alt=$back_to"
done

# Home: the system browser's start page, in a new tab when the active page
# shows something.
wine reg add "HKCU\\Software\\Microsoft\\Internet Explorer\\Main" /v "Start Page" \
    /d "$server/faq.html?home=1" /f >/dev/null 2>&1
probe
tabs_before=$(val tabs)
IFS=, read -r bx by bw bh <<<"$(val ToolBarButton)"
click $((bx + 4 * 39 + 19)) $((by + 19))
check "Home opens the start page in a new tab" wait_until 15 tabs_are $((tabs_before + 1))
check "the start page is requested" wait_until 15 logged "home=1"

# Save game: the page answers with its bill and the add-game dialog shows
# the page's title and address; its cancel button closes it. (The page may not
# have reported its title yet: then the dialog is closed and opened again.)
add_game_is() { probe; [ "$(val addGame)" = "$1" ]; }
save_game() {
    probe
    IFS=, read -r bx by bw bh <<<"$(val ToolBarButton)"
    click $((bx + 5 * 39 + 19)) $((by + 19))
    wait_until 10 add_game_is 1
}
for attempt in 1 2 3 4 5; do
    save_game || break
    [ "$(val addGameTitle)" = "帮助中心" ] && break
    click $(centre addGameCancel)
    wait_until 10 add_game_is 0
    sleep 0.5
done
check "the save button opens the add-game dialog" add_game_is 1
check "the dialog shows the page's title" [ "$(val addGameTitle)" = "帮助中心" ]
check "the dialog shows the page's address" grep -qF "home=1" <<<"$(val addGameAddress)"
click $(centre addGameCancel)
check "Cancel closes the add-game dialog" wait_until 10 add_game_is 0

# The menu buttons in the title bar: Help > About shows the about box with
# the file version; Esc closes it.
probe
IFS=, read -r mx my mw mh <<<"$(val ToolBarMenu2)"
click $((mx + mw - 27)) $((my + 13))
sleep 0.5
xdotool key Up Return
about_is() { probe; [ "$(val about)" = "$1" ]; }
check "Help > About shows the about box" wait_until 10 about_is 1
check "the about box shows the version" grep -q "1\.1\.0\.0" <<<"$(val aboutVersion)"
xdotool key Escape
check "Esc closes the about box" wait_until 10 about_is 0

# The keyboard alone. F10 or a lone Alt in a page puts it on the menu buttons
# (Right moves, Esc gives it back), Alt+H opens 帮助, Alt+Space the window
# menu; Tab goes round address box, search box, tab strip (arrows and Enter
# pick a tab) and the side panel's headers (Enter opens a section). What the
# keyboard is on is read as a screen reader in another process reads it.
acc_focus_is() { probe; [ "$(val accFocus)" = "$1" ]; }
focus_has() { probe; grep -qF -- "$1" <<<"$(val focus)"; }
menu_is() { probe; [ "$(val menu)" = "$1" ]; }
click $(centre PanelWBMain)
sleep 0.3
xdotool key F10
check "F10 in a page puts the keyboard on the menu buttons" wait_until 5 acc_focus_is "文件"
xdotool key Right
check "Right moves it to the next menu" wait_until 5 acc_focus_is "查看"
xdotool key Escape
check "Esc gives the keyboard back to the page" wait_until 5 focus_has LumoHeadless
xdotool key alt
check "a lone Alt in a page does the same as F10" wait_until 5 acc_focus_is "文件"
xdotool key Escape
wait_until 5 focus_has LumoHeadless
xdotool key alt+h
check "Alt+H opens the help menu" wait_until 5 menu_is 1
xdotool key Escape Escape
check "Esc closes it" wait_until 5 menu_is 0
xdotool key alt+space
check "Alt+Space opens the window menu" wait_until 5 menu_is 1
xdotool key Escape
wait_until 5 menu_is 0
click $(centre CBURL)
xdotool key Tab
check "Tab goes from the address box to the search box" wait_until 5 focus_has ComboBoxSearch
probe
current_title=$(val tabTitle2)
xdotool key Tab
check "then to the tab strip, on the current tab" wait_until 5 acc_focus_is "$current_title"
xdotool key Left Left Return
check "Left and Enter make the first tab current" wait_until 10 address_has "/ctrl.com/"
check "the keyboard stays on the tab strip" focus_has ToolBarTabParent
xdotool key Tab
check "then to the side panel's first header" wait_until 5 focus_has tbarRecent
xdotool key Tab Tab Return Tab
check "Enter on a header opens its section" wait_until 5 focus_has tvwMyGame
xdotool key shift+Tab shift+Tab
check "Shift+Tab goes back" wait_until 5 focus_has tbarRecent

# Caption buttons: maximise/restore, minimise, close.
probe
IFS=, read -r cx cy cw ch <<<"$(val ToolBarControl)"
zoomed_is() { probe; [ "$(val zoomed)" = "$1" ]; }
visible_is() { probe; [ "$(val visible)" = "$1" ]; }
click $((cx + 39)) $((cy + 10))
check "the window-state button restores a maximised window" wait_until 5 zoomed_is 0
# A restored window moves by dragging its title bar.
probe
IFS=, read -r wx wy ww wh <<<"$(val window)"
xdotool mousemove $((wx + 300)) $((wy + 10)) mousedown 1
for step in 1 2 3 4 5 6; do
    xdotool mousemove $((wx + 300 + step * 10)) $((wy + 10 + step * 8))
    sleep 0.05
done
xdotool mouseup 1
moved() { probe; IFS=, read -r nx ny _ _ <<<"$(val window)"; [ "$nx" -gt "$wx" ] && [ "$ny" -gt "$wy" ]; }
check "dragging the title bar moves the window" wait_until 5 moved
probe
IFS=, read -r cx cy cw ch <<<"$(val ToolBarControl)"
click $((cx + 39)) $((cy + 10))
check "the window-state button maximises it again" wait_until 5 zoomed_is 1
probe
IFS=, read -r cx cy cw ch <<<"$(val ToolBarControl)"
click $((cx + 13)) $((cy + 10))
check "minimise hides the window (tray only)" wait_until 5 visible_is 0
probe tray
check "the tray icon brings it back" wait_until 5 visible_is 1
probe
IFS=, read -r cx cy cw ch <<<"$(val ToolBarControl)"
click $((cx + 65)) $((cy + 10))
check "the close button ends the shell" wait_until 20 main_gone

kill "$shell" 2>/dev/null
wait "$shell" 2>/dev/null
rm -rf "$work"
echo "timing: shell start to visible window ${t_visible} ms; Ctrl+T to new tab ${t_newtab} ms" \
    "(probe polling included); tab switch by click ${t_switch} ms (probe polling included)"
exit $((failures > 0))
