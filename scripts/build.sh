#!/usr/bin/env bash
# Builds both configurations: build/native (portable libraries, unit tests,
# the local maker server) and build/win (Lumo.exe, LumoUpdate.exe, Wine tests),
# plus build/win64 where Wine can run only 64-bit programs.
# With --asan (the test command) also build/asan (native, AddressSanitizer +
# UBSan), where the unit tests run. With --asan or --run (the run command)
# build/native builds only the maker server and the release tool, which the
# Wine runs use, not the unit tests again.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
native_targets=()
case "${1:-}" in --asan | --run) native_targets=(--target makerserver sign_update) ;; esac
cmake --build build/native -j "$jobs" "${native_targets[@]}"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DLUMO_MAKER_SERVER="$PWD/build/native/tools/makerserver/makerserver" >/dev/null
. scripts/windows-build.sh
if [ "$LUMO_WIN_BUILD" = build/win ]; then
    cmake --build build/win -j "$jobs"
else
    # Nothing runs build/win here: only the product (the two programs, the
    # installer and the portable zip) is built; the tests build in build/win64.
    cmake --build build/win -j "$jobs" --target Lumo LumoUpdate lumo_packages
    echo "this host runs no 32-bit code: the Wine runs use a 64-bit build (build/win64)"
    cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
          -DLUMO_MAKER_SERVER="$PWD/build/native/tools/makerserver/makerserver" >/dev/null
    cmake --build build/win64 -j "$jobs"
fi
if [ "${1:-}" = "--asan" ]; then
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMO_SANITIZE=ON >/dev/null
    cmake --build build/asan -j "$jobs"
fi
