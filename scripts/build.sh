#!/usr/bin/env bash
# Builds the native configuration (build/native: plugin, stand-ins, tests and
# benchmarks, with AddressSanitizer and UndefinedBehaviorSanitizer) and the
# Windows one (build/windows: Kivren2.dll and the Windows test programs).
#   scripts/build.sh [native|windows|all]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
jobs=$(nproc)

need() {
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "build.sh: '$1' not found: install the Debian package $2 (scripts/setup.sh installs everything)" >&2
        exit 1
    fi
}
need cmake cmake
need ninja ninja-build

build_native() {
    need g++ g++
    cmake -S "$here" -B "$here/build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIVREN_SANITIZE=ON
    cmake --build "$here/build/native" -j "$jobs"
}

build_windows() {
    CALLER=build.sh "$here/scripts/check-windows-toolchain.sh"
    # A folder configured by the earlier mingw-w64 toolchain cannot be reused.
    if [ -f "$here/build/windows/CMakeCache.txt" ] &&
        ! grep -q 'toolchain-clang-cl.cmake' "$here/build/windows/CMakeCache.txt"; then
        rm -rf "$here/build/windows"
    fi
    cmake -S "$here" -B "$here/build/windows" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-clang-cl.cmake"
    cmake --build "$here/build/windows" -j "$jobs"
}

case "$what" in
native) build_native ;;
windows) build_windows ;;
all) build_native; build_windows ;;
*) echo "usage: scripts/build.sh [native|windows|all]" >&2; exit 2 ;;
esac
