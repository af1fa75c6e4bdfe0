#!/usr/bin/env bash
# Builds the native configuration (build/native: plugin, stand-ins, tests and
# benchmarks, with AddressSanitizer and UndefinedBehaviorSanitizer), the
# Windows one (build/windows: Kivren2.dll and the Windows test programs), the
# ThreadSanitizer one (build/tsan: only the tests whose threads meet in the
# plugin) and the fuzzing one (build/fuzz: the libFuzzer targets, with clang).
#   scripts/build.sh [native|windows|tsan|fuzz|all]
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

build_tsan() {
    need g++ g++
    cmake -S "$here" -B "$here/build/tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIVREN_TSAN=ON \
        -DKIVREN_BUILD_BENCH=OFF
    # The threaded tests and what they load (tests/CMakeLists.txt lists them).
    cmake --build "$here/build/tsan" -j "$jobs" --target kivren_thread_tests
}

build_fuzz() {
    need clang++-16 clang-16
    if [ ! -f /usr/lib/llvm-16/lib/clang/16/lib/linux/libclang_rt.fuzzer-x86_64.a ]; then
        echo "build.sh: libFuzzer not found: install the Debian package libclang-rt-16-dev (scripts/setup.sh installs everything)" >&2
        exit 1
    fi
    cmake -S "$here" -B "$here/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKIVREN_FUZZ=ON -DCMAKE_C_COMPILER=clang-16 -DCMAKE_CXX_COMPILER=clang++-16
    cmake --build "$here/build/fuzz" -j "$jobs"
}

case "$what" in
native) build_native ;;
windows) build_windows ;;
tsan) build_tsan ;;
fuzz) build_fuzz ;;
all) build_native; build_windows; build_tsan; build_fuzz ;;
*) echo "usage: scripts/build.sh [native|windows|tsan|fuzz|all]" >&2; exit 2 ;;
esac
