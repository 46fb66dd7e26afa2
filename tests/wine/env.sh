# Environment of every Wine run of the tests: the build tree's private prefix,
# the Chinese (GBK, code page 936) locale, quiet Wine.
: "${LUMO_BUILD_DIR:?LUMO_BUILD_DIR must name the Windows build tree}"
export WINEPREFIX="${WINEPREFIX:-$LUMO_BUILD_DIR/wineprefix}"
export WINEARCH=win32
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=}"
