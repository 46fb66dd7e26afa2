#!/usr/bin/env bash
# Installs what building, running and testing need (Debian, as root). Does
# nothing when everything is there already.
set -euo pipefail
. "$(dirname "$0")/apt-sources.sh"
pkgs=(cmake ninja-build g++ pkg-config googletest libgtest-dev libcpp-httplib-dev libssl-dev
      g++-mingw-w64-i686-posix wine wine32:i386 wine64 xvfb xauth xdotool x11-utils
      fonts-wqy-microhei imagemagick procps locales clang-format git python3
      clang libclang-rt-14-dev)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt_install_surviving_sync "${pkgs[@]}"
fi
# Wine runs under the Chinese locale (ANSI code page 936); without the host
# locale it cannot name files with Chinese names.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
