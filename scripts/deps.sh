#!/usr/bin/env bash
# Installs what building, running and testing need (Debian, as root). Does
# nothing when everything is there already.
set -euo pipefail
. "$(dirname "$0")/apt-sources.sh"
# openssl: the build turns the update-signing public key into a header;
# libgnutls30:i386: Wine's 32-bit bcrypt checks ECDSA signatures with it;
# tinyproxy-bin: the per-game proxy test's proxies (the program alone, no service).
pkgs=(cmake ninja-build g++ pkg-config googletest libgtest-dev libcpp-httplib-dev libssl-dev
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 xvfb xauth
      xdotool x11-utils fonts-wqy-microhei imagemagick procps locales clang-format git python3
      openssl libgnutls30:i386 apache2 libapache2-mod-php dokuwiki nsis unzip
      clang libclang-rt-14-dev tinyproxy-bin)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    # The saved-login tests run DokuWiki under an Apache of their own; the
    # packages' system service is not started (where nothing else already
    # decides that, for the length of this install).
    guard=""
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        guard=/usr/sbin/policy-rc.d
        printf '#!/bin/sh\nexit 101\n' >"$guard"
        chmod +x "$guard"
    fi
    rc=0
    apt_install_surviving_sync "${pkgs[@]}" || rc=$?
    [ -z "$guard" ] || rm -f "$guard"
    [ "$rc" -eq 0 ] || exit "$rc"
fi
# Wine runs under the Chinese locale (ANSI code page 936); without the host
# locale it cannot name files with Chinese names.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
