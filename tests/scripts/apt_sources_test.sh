#!/usr/bin/env bash
# The package install's way round a mirror caught mid-sync, against fake
# source lists and a fake apt-get: no network, no root.
set -uo pipefail
. "$(dirname "$0")/../../scripts/apt-sources.sh"
fails=0
expect() {  # name, condition result
    if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fails=$((fails + 1)); fi
}
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir -p "$work/etc/sources.list.d"
cat >"$work/etc/sources.list.d/debian.sources" <<'SRC'
Types: deb
URIs: http://deb.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.example/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://mirror.example/debian
Suites: bookworm bookworm-security
Components: main contrib
SRC
cat >"$work/etc/sources.list" <<'SRC'
deb http://deb.example/debian bookworm main
deb http://security.example/debian-security bookworm-security main
deb http://old.example/debian bullseye/updates main
deb [arch=amd64] http://deb.example/debian bookworm-updates main
SRC

out=$(sources_without_security "$work/etc/sources.list.d/debian.sources")
grep -q "^Suites: bookworm bookworm-updates$" <<<"$out"; expect "deb822: main and updates kept" $?
! grep -q "debian-security\|-security" <<<"$out"; expect "deb822: no security suite left" $?
grep -q "^URIs: http://mirror.example/debian$" <<<"$out" && grep -q "^Suites: bookworm$" <<<"$out"
expect "deb822: a mixed stanza keeps its other suite" $?
[ "$(grep -c '^Types:' <<<"$out")" -eq 2 ]; expect "deb822: the security-only stanza is gone" $?

out=$(sources_without_security "$work/etc/sources.list")
[ "$(wc -l <<<"$out")" -eq 2 ] && grep -q "bookworm main" <<<"$out" && grep -q "bookworm-updates" <<<"$out"
expect "one-line format: security and old-style updates lines dropped" $?

apt_failure_is_skew "E: Unable to correct problems, you have held broken packages."; expect "held packages is a skew" $?
! apt_failure_is_skew "E: Could not open lock file /var/lib/dpkg/lock-frontend"; expect "a lock is no skew" $?

# The whole decision with a fake apt-get: the first install fails on the skew,
# the second must run with the security suite left out.
calls="$work/calls"
apt-get() {
    echo "$*" >>"$calls"
    case "$*" in
    *update*) return 0 ;;
    *SourceParts=*)
        local all="$*"
        local parts=${all##*SourceParts=}
        parts=${parts%% *}
        cat "$parts"/* >>"$calls.sources"
        return 0
        ;;
    *) echo "E: Unable to correct problems, you have held broken packages."; return 100 ;;
    esac
}
export LUMO_APT_ETC="$work/etc" LUMO_APT_RETRY_DELAY=0
apt_install_surviving_sync wine32:i386 2>"$work/err"; rc=$?
expect "the fallback install succeeds" "$rc"
grep -q "without the security suite" "$work/err"; expect "the fallback says so" $?
[ "$(grep -c install "$calls")" -eq 2 ] && grep -q "SourceList=/dev/null.*install -y -qq wine32:i386" "$calls"
expect "installed once as usual, once without security" $?
! grep -q -- "-security" "$calls.sources" && grep -q "bookworm-updates" "$calls.sources"
expect "the fallback's sources hold no security suite" $?

# Any other failure is not retried.
: >"$calls"
apt-get() { echo "$*" >>"$calls"; case "$*" in *update*) return 0 ;; esac; echo "E: Could not get lock"; return 100; }
apt_install_surviving_sync wine 2>/dev/null; rc=$?
[ "$rc" -ne 0 ] && [ "$(grep -c install "$calls")" -eq 1 ]; expect "a lock failure fails at once" $?

# An update that keeps failing is tried three times, then tolerated.
: >"$calls"
apt-get() { echo "$*" >>"$calls"; case "$*" in *update*) return 100 ;; esac; return 0; }
apt_install_surviving_sync wine 2>/dev/null; rc=$?
[ "$rc" -eq 0 ] && [ "$(grep -c update "$calls")" -eq 3 ]; expect "update retried three times, install still tried" $?

[ "$fails" -eq 0 ]
