#!/usr/bin/env bash
# Builds and runs every test: the native suite (ctest, sanitizers on), the
# Windows suite (ctest running the Windows programs under Wine, with a Wine
# prefix of its own inside the build folder and an Xvfb display that this
# script starts and stops), the threaded tests under ThreadSanitizer, and the
# fuzz targets, each for a bounded time. A suite that cannot run is a failure.
#   scripts/test.sh [native|windows|tsan|fuzz|all]
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
jobs=$(nproc)

fail() { echo "test.sh: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null 2>&1 || fail "'$1' not found: install the Debian package $2 (scripts/setup.sh installs everything)"; }

need cmake cmake
need ctest cmake
need ffmpeg ffmpeg
need ffprobe ffmpeg
if [ "$what" = windows ] || [ "$what" = all ]; then
    need clang-16 clang-16
    need wine "wine and wine64"
    need wineserver "wine and wine64"
    need Xvfb xvfb
fi

status=0

run_native() {
    "$here/scripts/build.sh" native || fail "native build failed"
    echo "=== native tests ==="
    (cd "$here/build/native" && ctest --output-on-failure -j "$jobs") || status=1
}

run_tsan() {
    "$here/scripts/build.sh" tsan || fail "ThreadSanitizer build failed"
    echo "=== threaded tests (ThreadSanitizer) ==="
    # The first report ends the test program and fails its test. No report is
    # suppressed: none comes from code that is not ours.
    (cd "$here/build/tsan" && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
        ctest --output-on-failure -j "$jobs" -L threads) || status=1
}

run_fuzz() {
    "$here/scripts/build.sh" fuzz || fail "fuzzing build failed"
    echo "=== fuzz targets ==="
    (cd "$here/build/fuzz" && ctest --output-on-failure -j "$jobs" -L fuzz) || status=1
}

xvfb_pid=""
stop_windows_helpers() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1
    xvfb_pid=""
}

run_windows() {
    "$here/scripts/build.sh" windows || fail "Windows build failed"
    export WINEPREFIX="$here/build/windows/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # A display for the whole suite: Direct3D and windows need one, and a
    # wineserver started without one poisons later runs.
    local display=99
    while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    trap stop_windows_helpers EXIT
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    [ -e "/tmp/.X11-unix/X$display" ] || fail "Xvfb did not start on display :$display"
    export DISPLAY=":$display"
    wineserver -k >/dev/null 2>&1 || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "=== creating the Wine prefix (first run only) ==="
        wineboot -i >/dev/null 2>&1 || fail "wineboot could not create the Wine prefix in $WINEPREFIX"
        wineserver -w
    fi
    # One wineserver for the whole suite, kept up until the end: a server that
    # shuts itself down when its last client exits can race with the next test
    # program connecting to it ("recvmsg: Connection reset by peer").
    wineserver -p || fail "wineserver could not start for $WINEPREFIX"
    # Wine's own background programs (services, the desktop) start with the
    # first program that needs them and live as long as the server. Started
    # here, they hold this script's output, not a test's: ctest waits for a
    # test's output to close, and would wait for them until its time-out.
    wine cmd /c exit >/dev/null 2>&1 </dev/null || fail "wine cannot run programs in $WINEPREFIX"
    echo "=== Windows tests (Wine) ==="
    (cd "$here/build/windows" && ctest --output-on-failure -j "$jobs") || status=1
    stop_windows_helpers
}

case "$what" in
native) run_native ;;
windows) run_windows ;;
tsan) run_tsan ;;
fuzz) run_fuzz ;;
all) run_native; run_tsan; run_fuzz; run_windows ;;
*) echo "usage: scripts/test.sh [native|windows|tsan|fuzz|all]" >&2; exit 2 ;;
esac
exit $status
