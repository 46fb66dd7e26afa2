#!/usr/bin/env bash
# Builds both configurations: build/native (portable libraries, unit tests,
# the local maker server) and build/win (Lumo.exe, LumoUpdate.exe, Wine tests).
# With --asan also build/asan (native, AddressSanitizer + UBSan).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DLUMO_MAKER_SERVER="$PWD/build/native/tools/makerserver/makerserver" >/dev/null
cmake --build build/win -j "$jobs"
if [ "${1:-}" = "--asan" ]; then
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMO_SANITIZE=ON >/dev/null
    cmake --build build/asan -j "$jobs"
fi
