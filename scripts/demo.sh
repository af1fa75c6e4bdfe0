#!/usr/bin/env bash
# The main job: builds if needed, loads the plugin into the stand-in host
# beside the stand-in ReShade, runs a console script and shows the console,
# ReShade's log and the settings file that result.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -x "$here/build/native/bin/kivren-host" ]; then
    "$here/scripts/build.sh" native
else
    cmake --build "$here/build/native" --target kivren-host Kivren2 ReShade64 >/dev/null
fi
root="$here/kivren-output/host"
rm -rf "$root"
exec "$here/build/native/bin/kivren-host" --root "$root" --replay "$here/sim/demo/demo.cfg"
