#!/usr/bin/env bash
# Checks every piece of the Microsoft-ABI Windows toolchain before a build
# starts, so that a missing one stops it with one line naming what to
# install, and nothing half-built is left looking built.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

missing() { echo "$(basename "${CALLER:-$0}"): $1 (scripts/setup.sh installs everything)" >&2; exit 1; }

llvm=/usr/lib/llvm-16/bin
for tool in clang lld-link llvm-lib llvm-rc llvm-mt; do
    [ -x "$llvm/$tool" ] || missing "$llvm/$tool not found: install the Debian packages clang-16 lld-16 llvm-16"
done
for tool in llvm-readobj llvm-dlltool; do
    [ -x "$llvm/$tool" ] || missing "$llvm/$tool not found: install the Debian package llvm-16"
done
[ -f /usr/include/wine/wine/msvcrt/stdio.h ] ||
    missing "Wine's C runtime headers not found: install the Debian package libwine-dev"
[ -f /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/ucrtbase.dll ] ||
    missing "Wine's Windows DLLs not found: install the Debian package wine64"
command -v python3 >/dev/null 2>&1 ||
    missing "python3 not found: install the Debian package python3"
[ -f "$here/../shared/third_party/msvc-stl-1c59a20/stl/inc/yvals_core.h" ] ||
    [ -f "$here/deps/msvc-stl-1c59a20/stl/inc/yvals_core.h" ] ||
    missing "Microsoft STL headers (msvc-stl-1c59a20) not found: run scripts/setup.sh, which fetches them"
[ -f "$here/../shared/third_party/imgui-1.75/imgui.cpp" ] ||
    [ -f "$here/deps/imgui-1.75/imgui.cpp" ] ||
    missing "Dear ImGui 1.75 (imgui-1.75) not found beside the project in ../shared/third_party or in deps/"
