#!/usr/bin/env bash
# Installs every Debian package that building, testing and the demo need, and
# checks the pinned third-party sources that the build uses in place.
# Safe to run more than once.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
deps="$here/deps"

packages=(
  # native build and tests
  build-essential cmake ninja-build pkg-config clang-format
  libgtest-dev googletest libgmock-dev libbenchmark-dev
  libfmt-dev
  # the settings page in a real window (viewer, screenshots)
  libglfw3-dev libgl-dev libstb-dev xvfb xauth x11-apps imagemagick fonts-dejavu-core
  # Windows build with the Microsoft C++ ABI (clang in cl mode, lld-link,
  # Wine's C runtime and Windows headers, import libraries from Wine's DLLs)
  # and its test run under Wine; libFuzzer comes with clang's runtime
  clang-16 lld-16 llvm-16 libclang-rt-16-dev libwine-dev wine wine64 python3
  # encoding, checking videos
  ffmpeg
  # the frame data import add-on's tests run the real Blender
  blender
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

# Earlier versions added source entries here for "apt-get source"; nothing
# fetches source packages any more.
rm -f /etc/apt/sources.list.d/kivren-deb-src.list

export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${packages[@]}"

# Microsoft's STL headers for the Windows build, pinned to the commit the
# toolchain was checked with. The build uses the shared copy in place.
stl=msvc-stl-1c59a20
if [ ! -f "$here/../shared/third_party/$stl/stl/inc/yvals_core.h" ] && [ ! -f "$deps/$stl/stl/inc/yvals_core.h" ]; then
  echo "setup.sh: Microsoft STL headers not found: put commit 1c59a205787f4fdcd9c20decc8fa6dfa9096d394 of Microsoft's STL in ../shared/third_party/$stl or $deps/$stl" >&2
  exit 1
fi

# ReShade's add-on headers (tag v5.4.2), used in place by both builds.
reshade=reshade-5.4.2
if [ ! -f "$here/../shared/third_party/$reshade/include/reshade.hpp" ]; then
  echo "setup.sh: ReShade's add-on headers not found: put the include folder of ReShade's tag v5.4.2 in ../shared/third_party/$reshade/include" >&2
  exit 1
fi

# The game host's Dear ImGui is upstream 1.75 with the host's changes, which
# the build applies to a copy of its own.
imgui=imgui-1.75
if [ ! -f "$here/../shared/third_party/$imgui/imgui.cpp" ] && [ ! -f "$deps/$imgui/imgui.cpp" ]; then
  echo "setup.sh: Dear ImGui 1.75 not found: put tag v1.75 (commit 58b3e02b95b4c7c5bb9128a28c6d55546501bf93) of Dear ImGui in ../shared/third_party/$imgui or $deps/$imgui" >&2
  exit 1
fi

echo "setup.sh: all packages installed"
