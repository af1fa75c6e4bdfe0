#!/usr/bin/env bash
# Builds the Windows release and packs it for game machines:
#   dist/Kivren2-<version>-win64.zip
# with Kivren2.dll, kivren2.fx, kivren-framedata.exe, the Blender add-on and
# INSTALL.txt. The build is a Release build of its own (build/package).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

fail() { echo "package.sh: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null 2>&1 || fail "'$1' not found: install the Debian package $2 (scripts/setup.sh installs everything)"; }
need cmake cmake
need ninja ninja-build
need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
need x86_64-w64-mingw32-strip binutils-mingw-w64-x86-64
need zip zip
[ -f "$here/deps/imgui/imgui.cpp" ] ||
    fail "Dear ImGui sources missing in deps/imgui: run scripts/setup.sh"

version=$(sed -n 's/^project(Kivren2 VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
[ -n "$version" ] || fail "cannot read the version from CMakeLists.txt"

build="$here/build/package"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw64.cmake" \
    -DKIVREN_BUILD_TESTS=OFF -DKIVREN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target Kivren2 kivren-framedata -j "$(nproc)"

stage="$build/stage/Kivren2-$version-win64"
rm -rf "$build/stage"
mkdir -p "$stage"
cp "$build/bin/Kivren2.dll" "$build/bin/kivren-framedata.exe" "$stage/"
x86_64-w64-mingw32-strip --strip-unneeded "$stage/Kivren2.dll" "$stage/kivren-framedata.exe"
cp "$here/effects/kivren2.fx" "$stage/"
sed "s/@VERSION@/$version/" "$here/docs/INSTALL.txt" | sed 's/$/\r/' >"$stage/INSTALL.txt"
(cd "$here/tools/blender" &&
    zip -qr "$stage/kivren_framedata_import.zip" kivren_framedata_import -x '*__pycache__*')

# The plugin must run on any Windows: nothing but system DLLs.
imports=$(x86_64-w64-mingw32-objdump -p "$stage/Kivren2.dll" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
for dll in $imports; do
    case "$dll" in
    kernel32.dll | user32.dll | msvcrt.dll) ;;
    *) fail "Kivren2.dll imports $dll, which not every Windows has" ;;
    esac
done

mkdir -p "$here/dist"
archive="$here/dist/Kivren2-$version-win64.zip"
rm -f "$archive"
(cd "$build/stage" && zip -qr "$archive" "Kivren2-$version-win64")
echo "package.sh: $archive"
zip -sf "$archive"
