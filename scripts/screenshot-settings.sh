#!/usr/bin/env bash
# Shows the plugin's settings page in a real window under Xvfb (GLFW and
# OpenGL 3 through Mesa) and saves it as a PNG: docs/settings-page.png unless
# another file is named. Without --screenshot, run the viewer yourself:
#   build/native/bin/kivren-settings-viewer --script sim/demo/settings-viewer.cfg --open-headers
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/docs/settings-page.png}
command -v xvfb-run >/dev/null || { echo "screenshot-settings.sh: xvfb-run not found: install the Debian package xvfb" >&2; exit 1; }
[ -d "$here/build/native" ] || "$here/scripts/build.sh" native
cmake --build "$here/build/native" --target kivren-settings-viewer Kivren2 ReShade64 >/dev/null
mkdir -p "$(dirname "$out")"
# Mesa's own allocations are not ours to report.
ASAN_OPTIONS=detect_leaks=0 xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$here/build/native/bin/kivren-settings-viewer" \
    --script "$here/sim/demo/settings-viewer.cfg" --open-headers --screenshot "$out"
echo "screenshot-settings.sh: wrote $out"
