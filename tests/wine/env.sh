# Environment of every Wine run of the tests: the build tree's private prefix,
# the Chinese (GBK, code page 936) locale, quiet Wine.
: "${LUMO_BUILD_DIR:?LUMO_BUILD_DIR must name the Windows build tree}"
export WINEPREFIX="${WINEPREFIX:-$LUMO_BUILD_DIR/wineprefix}"
# A 64-bit build tree (see scripts/windows-build.sh) runs in a 64-bit prefix
# under Wine's 64-bit loader.
if [ "$(cat "$LUMO_BUILD_DIR/wine-arch" 2>/dev/null)" = win64 ]; then
    export WINEARCH=win64
    case ":$PATH:" in
    *":$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/bin64:"*) ;;
    *) PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/bin64:$PATH" ;;
    esac
    export PATH
else
    export WINEARCH=win32
fi
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=}"
