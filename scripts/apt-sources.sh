# Package installs that survive a Debian mirror caught mid-sync (sourced by
# scripts/deps.sh).
#
# While a mirror is being synced, one index (typically the security suite's
# i386 one) can fail to download with "File has unexpected size". The update
# then fails, and an install that mixes architectures can no longer be solved:
# the amd64 libraries come from the security suite at newer versions than the
# i386 twins still listed only in the main suite ("held broken packages").
# Leaving the security suite out for that one install solves it; the next
# ordinary update brings the security suite back.

# Prints the given sources without any security suite, in the same format.
# Handles the one-line format (.list) and deb822 stanzas (.sources); a stanza
# naming security and other suites keeps the others. Usage:
#   sources_without_security FILE...   (output on stdout)
sources_without_security() {
    local f
    for f in "$@"; do
        [ -r "$f" ] || continue
        case "$f" in
        *.sources)
            awk '
                function is_security(s) { return s ~ /-security$/ || s ~ /\/updates$/ }
                function flush() {
                    if (n > 0 && keep) { for (i = 1; i <= n; i++) print lines[i]; print "" }
                    n = 0; keep = 1
                }
                BEGIN { n = 0; keep = 1 }
                /^[ \t]*$/ { flush(); next }
                /^[Ss]uites:/ {
                    out = ""; m = split(substr($0, 8), s, /[ \t]+/)
                    for (j = 1; j <= m; j++)
                        if (s[j] != "" && !is_security(s[j])) out = out " " s[j]
                    if (out == "") keep = 0
                    lines[++n] = "Suites:" out; next
                }
                /^[Uu][Rr][Ii][Ss]:.*debian-security/ { keep = 0 }
                { lines[++n] = $0 }
                END { flush() }' "$f"
            ;;
        *)
            awk '/^[ \t]*(deb|deb-src)[ \t]/ && ($0 ~ /debian-security/ || $0 ~ /[ \t][a-z]+(-security|\/updates)([ \t]|$)/) { next }
                 { print }' "$f"
            ;;
        esac
    done
}

# True when apt's output says the install failed on a version skew between
# suites, or on an index that could not be fetched.
apt_failure_is_skew() {
    grep -qE "held broken packages|unmet dependencies|Mirror sync in progress|has unexpected size|Unable to locate package" <<<"$1"
}

# apt-get update, tried three times; a last failure is reported and tolerated
# (the lists that did download are used).
apt_update_retrying() {
    local try
    for try in 1 2 3; do
        apt-get "$@" update -qq && return 0
        echo "apt-get update failed (try $try of 3)" >&2
        [ "$try" -lt 3 ] && sleep "${LUMO_APT_RETRY_DELAY:-10}"
    done
    echo "apt-get update kept failing; going on with the lists it could fetch" >&2
    return 0
}

# Installs the packages; when that fails on a suite skew, installs once more
# with the security suite left out, and says so.
apt_install_surviving_sync() {
    local out rc dir
    apt_update_retrying
    out=$(DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" 2>&1) && { printf '%s\n' "$out" | tail -n 3; return 0; }
    rc=$?
    printf '%s\n' "$out" | tail -n 20 >&2
    apt_failure_is_skew "$out" || return "$rc"
    dir=$(mktemp -d)
    local etc=${LUMO_APT_ETC:-/etc/apt}
    sources_without_security "$etc/sources.list" "$etc"/sources.list.d/*.list \
        "$etc"/sources.list.d/*.sources >"$dir/no-security.sources.tmp"
    # One format per file: deb822 stanzas and one-line entries go apart.
    grep -vE '^[ \t]*(deb|deb-src)[ \t]' "$dir/no-security.sources.tmp" >"$dir/no-security.sources" || true
    grep -E '^[ \t]*(deb|deb-src)[ \t]' "$dir/no-security.sources.tmp" >"$dir/no-security.list" || true
    rm -f "$dir/no-security.sources.tmp"
    echo "the install failed on a mirror out of sync; installing once more without the security suite" >&2
    local opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$dir")
    apt_update_retrying "${opts[@]}"
    rc=0
    DEBIAN_FRONTEND=noninteractive apt-get "${opts[@]}" install -y -qq "$@" >/dev/null || rc=$?
    rm -rf "$dir"
    [ "$rc" -eq 0 ] && echo "installed without the security suite; the next 'apt-get update' brings it back" >&2
    return "$rc"
}
