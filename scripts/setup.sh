#!/usr/bin/env bash
# Installs every Debian package that building, testing and the demo need, and
# fetches the Dear ImGui sources (Debian source package "imgui") that the
# Windows build compiles. Safe to run more than once.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
deps="$here/deps"

packages=(
  # native build and tests
  build-essential cmake ninja-build pkg-config clang-format
  libgtest-dev googletest libgmock-dev libbenchmark-dev
  libfmt-dev libimgui-dev
  # the settings page in a real window (viewer, screenshots)
  libglfw3-dev libgl-dev xvfb xauth x11-apps imagemagick fonts-dejavu-core
  # Windows build with the Microsoft C++ ABI (clang in cl mode, lld-link,
  # Wine's C runtime and Windows headers, import libraries from Wine's DLLs)
  # and its test run under Wine; libFuzzer comes with clang's runtime
  clang-16 lld-16 llvm-16 libclang-rt-16-dev libwine-dev wine wine64 python3
  # encoding, checking videos
  ffmpeg
  # the frame data import add-on's tests run the real Blender
  blender
  # fetching and unpacking Debian source packages
  dpkg-dev
  # the Windows release archive (scripts/package.sh)
  zip
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: must run as root (it installs Debian packages with apt-get)" >&2
  exit 1
fi
if ! command -v apt-get >/dev/null; then
  echo "setup.sh: apt-get not found; this script needs Debian 12 (bookworm)" >&2
  exit 1
fi

# Source entries for the same Debian archive that apt already uses, so that
# "apt-get source" can reach the imgui package. They are derived from the
# machine's own deb entries, never typed in.
src_list=/etc/apt/sources.list.d/kivren-deb-src.list
derive_src_entries() {
  local f
  # one-line format
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    [ "$f" = "$src_list" ] && continue
    grep -E '^[[:space:]]*deb[[:space:]]' "$f" | grep -E 'debian' | sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' || true
  done
  # deb822 format
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      function flush() {
        if (types ~ /(^|[[:space:]])deb([[:space:]]|$)/ && uris ~ /debian/ && enabled != "no") {
          n = split(suites, s, /[[:space:]]+/)
          for (i = 1; i <= n; i++) if (s[i] != "") {
            line = "deb-src"
            if (signed != "") line = line " [signed-by=" signed "]"
            print line " " uris " " s[i] " " comps
          }
        }
        types = uris = suites = comps = signed = enabled = ""
      }
      /^[[:space:]]*$/ { flush(); next }
      /^[[:space:]]*#/ { next }
      /^Types:/ { sub(/^Types:[[:space:]]*/, ""); types = $0 }
      /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
      /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
      /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0 }
      /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); signed = $0 }
      /^Enabled:/ { sub(/^Enabled:[[:space:]]*/, ""); enabled = $0 }
      END { flush() }
    ' "$f"
  done
}
entries=$(derive_src_entries | sort -u)
if [ -z "$entries" ]; then
  echo "setup.sh: found no Debian 'deb' entry in apt's configuration to derive source entries from" >&2
  exit 1
fi
printf '%s\n' "$entries" > "$src_list.new"
if ! cmp -s "$src_list.new" "$src_list" 2>/dev/null; then
  mv "$src_list.new" "$src_list"
else
  rm -f "$src_list.new"
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${packages[@]}"

# Dear ImGui sources for the Windows build, the same version as libimgui-dev.
want=$(dpkg-query -W -f='${source:Version}' libimgui-dev)
stamp="$deps/imgui.version"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$want" ] || [ ! -f "$deps/imgui/imgui.cpp" ]; then
  rm -rf "$deps/imgui" "$deps/imgui-src"
  mkdir -p "$deps/imgui-src"
  (cd "$deps/imgui-src" && apt-get source -q "imgui=$want")
  dir=$(find "$deps/imgui-src" -maxdepth 1 -mindepth 1 -type d -name 'imgui-*' | head -n 1)
  if [ -z "$dir" ] || [ ! -f "$dir/imgui.cpp" ]; then
    echo "setup.sh: 'apt-get source imgui' did not unpack the Dear ImGui sources" >&2
    exit 1
  fi
  mv "$dir" "$deps/imgui"
  rm -rf "$deps/imgui-src"
  echo "$want" > "$stamp"
fi

# Microsoft's STL headers for the Windows build, pinned to the commit the
# toolchain was checked with. The build uses the shared copy in place.
stl=msvc-stl-1c59a20
if [ ! -f "$here/../shared/third_party/$stl/stl/inc/yvals_core.h" ] && [ ! -f "$deps/$stl/stl/inc/yvals_core.h" ]; then
  echo "setup.sh: Microsoft STL headers not found: put commit 1c59a205787f4fdcd9c20decc8fa6dfa9096d394 of Microsoft's STL in ../shared/third_party/$stl or $deps/$stl" >&2
  exit 1
fi

echo "setup.sh: all packages installed; Dear ImGui $want sources in $deps/imgui"
