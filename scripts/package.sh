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
need zip zip
CALLER=package.sh "$here/scripts/check-windows-toolchain.sh"

version=$(sed -n 's/^project(Kivren2 VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
[ -n "$version" ] || fail "cannot read the version from CMakeLists.txt"

build="$here/build/package"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-clang-cl.cmake" \
    -DKIVREN_BUILD_TESTS=OFF -DKIVREN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target Kivren2 kivren-framedata kivren-repair -j "$(nproc)"

stage="$build/stage/Kivren2-$version-win64"
rm -rf "$build/stage"
mkdir -p "$stage"
cp "$build/bin/Kivren2.dll" "$build/bin/kivren-framedata.exe" "$build/bin/kivren-repair.exe" "$stage/"
cp "$here/effects/kivren2.fx" "$stage/"
sed "s/@VERSION@/$version/" "$here/docs/INSTALL.txt" | sed 's/$/\r/' >"$stage/INSTALL.txt"
(cd "$here/tools/blender" &&
    zip -qr "$stage/kivren_framedata_import.zip" kivren_framedata_import -x '*__pycache__*')

# The plugin's imports must all be on a game machine: the system, the Visual
# C++ redistributable and the plugin host's pluginsdk.dll, whose names must
# all be ones the host's pluginsdk.dll exports.
cmake -DREADOBJ=/usr/lib/llvm-16/bin/llvm-readobj -DDLL="$stage/Kivren2.dll" \
    -DSDK_EXPORTS="$here/../shared/host-sdk-exports.tsv" \
    -P "$here/cmake/CheckPluginTables.cmake" ||
    fail "Kivren2.dll does not pass the import check; nothing was packaged"

mkdir -p "$here/dist"
archive="$here/dist/Kivren2-$version-win64.zip"
rm -f "$archive"
(cd "$build/stage" && zip -qr "$archive" "Kivren2-$version-win64")
echo "package.sh: $archive"
zip -sf "$archive"
