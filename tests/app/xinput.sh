# Shared by the real-input tests: read the shell's state with lumo_probe,
# talk to the maker server, wait for conditions, count checks, click.
# Needs LUMO_BUILD_DIR and LUMO_TEST_SERVER; the caller sets `failures=0`.
state=""
now_ms() { echo $(($(date +%s%N) / 1000000)); }
probe() { state=$(wine "$LUMO_BUILD_DIR/tests/support/lumo_probe.exe" "$@" 2>/dev/null | tr -d '\r'); }
val() { sed -n "s/^$1=//p" <<<"$state"; }
# centre of a probed rectangle, plus optional offsets: "x y"
centre() {
    IFS=, read -r x y w h <<<"$(val "$1")"
    echo $((x + w / 2 + ${2:-0})) $((y + h / 2 + ${3:-0}))
}
# GET on the maker server (bash's /dev/tcp: no extra tools needed)
http_get() {
    exec 3<>"/dev/tcp/${LUMO_TEST_SERVER%:*}/${LUMO_TEST_SERVER##*:}" || return 1
    printf 'GET %s HTTP/1.0\r\nHost: %s\r\n\r\n' "$1" "$LUMO_TEST_SERVER" >&3
    cat <&3
    exec 3<&-
}
server_log() { http_get /_log; }
# wait_until <seconds> <command...>: polls the command until it succeeds
wait_until() {
    local limit=$1
    shift
    local end=$(($(date +%s) + limit))
    while [ "$(date +%s)" -le "$end" ]; do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}
check() {
    local what=$1
    shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
tabs_are() { probe; [ "$(val tabs)" = "$1" ] && [ "$(wc -w <<<"$(val pids)")" = "$1" ]; }
address_is() { probe; [ "$(val address)" = "$1" ]; }
address_has() { probe; grep -qF -- "$1" <<<"$(val address)"; }
logged() { server_log | grep -qF -- "$1"; }
logged_times() { [ "$(server_log | grep -cF -- "$1")" -ge "$2" ]; }
main_gone() { probe; [ "$(val main)" = 0 ]; }
click() { xdotool mousemove "$1" "$2" click "${3:-1}"; }
