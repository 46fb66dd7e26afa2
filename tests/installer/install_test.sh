#!/usr/bin/env bash
# The installer and the portable zip, end to end in a Wine prefix of their
# own: a silent install lays out the program folder, the shortcuts, the
# uninstall entry and the browser capabilities; the installed Lumo starts from
# its Start-menu shortcut and opens the local maker server's page with the
# saved game in its tree; an upgrade over the running Lumo ends it and keeps
# the saved games and Config.ini; a second run repairs a damaged install; an
# uninstall asks before it ends a running Lumo (a no leaves all as it was) and
# the silent one ends it, puts back a cookie-folder value a killed shell left
# redirected, and leaves nothing but the saved games. The portable
# zip runs where it is unpacked, and from a read-only folder keeps the saved
# games in %LOCALAPPDATA%\Lumo\UserData.
set -uo pipefail
: "${LUMO_BUILD_DIR:?}" "${LUMO_TEST_SERVER:?}" "${DISPLAY:?needs an X display (xvfb-run)}"
: "${LUMO_SETUP:?}" "${LUMO_PORTABLE_ZIP:?}"
# A fresh prefix inside the build tree, made while the display is there; the
# shortcuts are not turned into desktop entries of this machine, and the
# prefix's user folders do not lead into this machine's home.
work="$LUMO_BUILD_DIR/installer-test"
export WINEPREFIX="$work/prefix"
export HOME="$work/home"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
here=$(cd "$(dirname "$0")/../wine" && pwd)
. "$here/env.sh"
# Lumo is a 32-bit program: a machine whose kernel cannot run 32-bit
# programs cannot run it under Wine either.
if ! wine --version >/dev/null 2>&1; then
    echo "skip: this machine cannot start Wine's 32-bit loader"
    exit 77
fi
[ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
rm -rf "$work"
mkdir -p "$HOME"
failures=0
. "$(dirname "$0")/../app/xinput.sh"
# The maker server as it starts: its own start-page list, whatever an
# earlier test switched.
http_get /_control/reset >/dev/null
trap 'wineserver -k 2>/dev/null' EXIT
wineboot -i >/dev/null 2>&1
export LUMO_BROWSER_ENGINE=headless
unset LUMO_USERDATA_DIR LUMO_LOG_DIR

users="$WINEPREFIX/drive_c/users/$(id -un)"
[ -d "$users" ] || users=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
inst="$users/AppData/Local/Programs/Lumo"
win_inst=$(winepath -w "$inst" 2>/dev/null | tr -d '\r')
version=$(basename "$LUMO_SETUP" .exe)
version=${version#LumoSetup-}
saved=$'#BEGIN#\r\n#FOLDER#demo\r\n#NAME#saved-game\r\n#ADDRESS#http://'"$LUMO_TEST_SERVER"$'/game/login.html\r\n#Bill#\r\n#END#\r\n'
saved_sum=$(printf '%s' "$saved" | md5sum)

install() { wine "$LUMO_SETUP" /S >/dev/null 2>&1; }
start_menu="$users/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Lumo.lnk"
desktop="$users/Desktop/Lumo.lnk"
uninstall_entry() {
    wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumo' 2>/dev/null |
        tr -d '\r' | iconv -f GBK -t UTF-8 2>/dev/null
}
entry_complete() {
    local e
    e=$(uninstall_entry)
    for v in DisplayName Publisher DisplayIcon EstimatedSize UninstallString QuietUninstallString; do
        grep -q "^ *$v " <<<"$e" || { echo "missing $v"; return 1; }
    done
    grep -q "DisplayVersion *REG_SZ *$version$" <<<"$e" &&
        grep InstallLocation <<<"$e" | grep -qF "$win_inst" &&
        grep -qF "Uninstall.exe\" /S" <<<"$e" && grep -q "Lumo网页游戏多开器" <<<"$e"
}
registration_is() { probe registration "$win_inst\\Lumo.exe"; [ "$(val capabilities)/$(val left)" = "$1" ]; }
program_files_gone() {
    [ ! -e "$inst/Lumo.exe" ] && [ ! -e "$inst/Update" ] && [ ! -e "$inst/Uninstall.exe" ] &&
        [ ! -e "$inst/Config.ini" ]
}
saved_games_kept() { [ "$(md5sum <"$inst/UserData/gList.dat")" = "$saved_sum" ]; }
running() { probe running "$@"; val running; }
no_lumo() { [ "$(running Lumo.exe)" = 0 ]; }
page_shown() {
    probe
    # The tab reads "空白页" until the page's title arrives.
    [ "$(val main)" = 1 ] && grep -qF "$LUMO_TEST_SERVER/" <<<"$(val address)" &&
        [ -n "$(val tabTitle0)" ] && ! grep -q "空白页" <<<"$(val tabTitle0)"
}
saved_game_listed() { probe tree tvwMyGame; grep -q '|saved-game|' <<<"$state"; }
# The uninstaller runs on as Un.exe from a copy in %TEMP%.
uninstaller_gone() { [ "$(running Un.exe Un_A.exe Uninstall.exe)" = 0 ]; }

# --- A silent install on a fresh prefix.
check "the silent install succeeds" install
check "the program folder is laid out" \
    test -f "$inst/Lumo.exe" -a -f "$inst/Update/LumoUpdate.exe" -a -f "$inst/Uninstall.exe"
check "Config.ini names the maker's server" grep -q "^Host=www.lumogame.com" "$inst/Config.ini"
check "a Start-menu shortcut" test -f "$start_menu"
check "a desktop shortcut (the default component)" test -f "$desktop"
check "the uninstall entry holds every value" entry_complete
check "the browser capabilities are registered (not the http handler)" registration_is 13/13/13

# --- The installed Lumo, started from its shortcut, against the local server.
printf '[Server]\r\nHost=%s\r\n' "$LUMO_TEST_SERVER" >"$inst/Config.ini"
mkdir -p "$inst/UserData"
printf '%s' "$saved" >"$inst/UserData/gList.dat"
wine start /unix "$start_menu" >/dev/null 2>&1
check "the installed Lumo opens the server's page" wait_until 60 page_shown
echo "     tab 0: $(val tabTitle0) ($(val address))"
check "its tree lists the saved game" wait_until 10 saved_game_listed

# --- An upgrade over the running Lumo: ended without asking (silent), the
# saved games and Config.ini kept.
check "the upgrade install succeeds while Lumo runs" install
check "the upgrade ended the running Lumo" wait_until 10 no_lumo
check "the saved games survive the upgrade" saved_games_kept
check "Config.ini survives the upgrade" grep -qF "Host=$LUMO_TEST_SERVER" "$inst/Config.ini"

# --- A damaged install is repaired by the installer.
rm -f "$inst/Lumo.exe" "$start_menu"
rm -rf "$inst/Update"
wine reg delete 'HKCU\Software\Clients\StartMenuInternet\Lumo' /f >/dev/null 2>&1
check "a second run repairs the damaged install" install
check "the repaired files are the packed ones" \
    cmp -s "$inst/Lumo.exe" "$LUMO_BUILD_DIR/app/Lumo/Lumo.exe"
check "the repaired shortcut and updater are back" \
    test -f "$inst/Update/LumoUpdate.exe" -a -f "$start_menu"
check "the repaired registration is whole" registration_is 13/13/13

# --- Uninstalling while Lumo runs: asked first; no keeps everything. This
# shell starts no page after its first one (no spare), so the journal below
# stays what a shell ended during a page start leaves: the per-user cookie
# folder value pointing into the program folder, the original in the journal.
LUMO_NO_SPARE=1 wine "$inst/Lumo.exe" >/dev/null 2>&1 &
check "Lumo runs again" wait_until 60 page_shown
folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
cookie_value() {
    wine reg query "$folders" /v Cookies 2>/dev/null | tr -d '\r' | sed -n 's/^ *Cookies *REG_[A-Z_]* *//p'
}
original_cookies=$(cookie_value)
printf 'LumoCookieJournal 1\n1\n2\n%s' "$original_cookies" >"$inst/cookies.journal"
wine reg add "$folders" /v Cookies /t REG_EXPAND_SZ /d "$win_inst\\cookies\\Temp7" /f >/dev/null 2>&1
wine "$inst/Uninstall.exe" >/dev/null 2>&1
asked() { probe; grep -qF "Lumo 正在运行" <<<"$(val messageText)"; }
check "the uninstaller asks to end the running Lumo" wait_until 30 asked
click $(centre messageNo)
check "answering no leaves the uninstaller" wait_until 20 uninstaller_gone
lumo_still_installed() { ! no_lumo && [ -f "$inst/Lumo.exe" ]; }
check "and Lumo running, installed as before" lumo_still_installed

# --- The silent uninstall ends Lumo and leaves only the saved games. The
# uninstaller runs on from a copy in %TEMP%: wait for its work to show.
wine "$inst/Uninstall.exe" /S >/dev/null 2>&1
check "the silent uninstall ends Lumo" wait_until 30 no_lumo
check "no program file is left" wait_until 30 program_files_gone
wait_until 30 uninstaller_gone
check "no shortcut is left" test ! -e "$start_menu" -a ! -e "$desktop"
no_entry() { ! uninstall_entry | grep -q DisplayName; }
check "no uninstall entry is left" no_entry
check "no browser registration is left" registration_is 0/13/0
check "the saved games are still there" saved_games_kept
check "the cookie folder value left redirected is put back" \
    test -n "$original_cookies" -a "$(cookie_value)" = "$original_cookies"

# --- The portable zip, unpacked anywhere writable.
portable="$work/portable"
mkdir -p "$portable"
unzip -q "$LUMO_PORTABLE_ZIP" -d "$portable"
p="$portable/Lumo"
check "the zip holds the program folder" \
    test -f "$p/Lumo.exe" -a -f "$p/Update/LumoUpdate.exe" -a -f "$p/Config.ini"
printf '[Server]\r\nHost=%s\r\n' "$LUMO_TEST_SERVER" >"$p/Config.ini"
mkdir -p "$p/UserData"
printf '%s' "$saved" >"$p/UserData/gList.dat"
stop_lumo() {
    probe close
    wait_until 20 no_lumo
}
wine "$p/Lumo.exe" >/dev/null 2>&1 &
check "the portable Lumo opens the server's page" wait_until 60 page_shown
check "and lists the saved game beside it" wait_until 10 saved_game_listed
stop_lumo

# A read-only folder (a read-only bind mount in a mount namespace of its own:
# root writes anywhere else): the lists move to the per-user folder. The
# wineserver opens the files, so it starts afresh inside that namespace.
fallback="$users/AppData/Local/Lumo/UserData/gList.dat"
if unshare -m true 2>/dev/null; then
    wineserver -k 2>/dev/null
    sleep 1
    # The namespace's own wineserver must be the prefix's only one before
    # anything else (the probe) starts one outside it.
    unshare -m bash -c "mount --bind '$p' '$p' && mount -o remount,bind,ro '$p' &&
        wineserver -p && exec wine '$p/Lumo.exe'" >/dev/null 2>&1 &
    sleep 3
    check "the portable Lumo starts from a read-only folder" wait_until 60 page_shown
    check "its saved games move to %LOCALAPPDATA%\\Lumo\\UserData" \
        wait_until 20 bash -c "[ \"\$(md5sum <'$fallback' 2>/dev/null)\" = '$saved_sum' ]"
    check "and are listed" wait_until 10 saved_game_listed
    stop_lumo
else
    echo "skip the read-only folder: no mount namespace here"
fi

wineserver -k 2>/dev/null
# A failed run leaves its prefix and folders to look into.
[ "$failures" = 0 ] && rm -rf "$work"
exit $((failures > 0))
