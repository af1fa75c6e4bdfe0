#!/usr/bin/env bash
# The main job: builds what is needed, plays the synthetic replay of kivren-sim
# through the real plugin (stand-in host, ReShade and Direct3D 11; real FFmpeg)
# into ./kivren-output/, and puts a contact sheet beside the videos: one frame
# of each pass, screen and depth above, normals and ID pass below.
#   scripts/demo.sh [kivren-sim options]      (kivren-sim --help lists them)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

fail() { echo "demo.sh: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null 2>&1 || fail "'$1' not found: install the Debian package $2 (scripts/setup.sh installs everything)"; }
need cmake cmake
need ninja ninja-build
need g++ g++
need ffmpeg ffmpeg
need ffprobe ffmpeg

# A Release build of its own: the sanitizer build of the tests is too slow
# for a replay at full size.
build="$here/build/demo"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DKIVREN_BUILD_TESTS=OFF -DKIVREN_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target kivren-sim -j "$(nproc)"

out="$here/kivren-output"
name=replay
args=("$@")
for ((i = 0; i < ${#args[@]}; ++i)); do
    case "${args[$i]}" in
    --out) out=${args[$((i + 1))]:-$out} ;;
    --name) name=${args[$((i + 1))]:-$name} ;;
    esac
done
# The plugin records under "<name> (2)" and so on when a take of that name is
# already in the folder; kivren-sim's summary says which.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$build/bin/kivren-sim" --out "$out" --name "$name" "$@" | tee "$log"
take=$(sed -n 's/^[0-9]* game frames played; take "\(.*\)" in .*:$/\1/p' "$log")
[ -n "$take" ] || fail "kivren-sim did not say which take it recorded"
name=$take

# The contact sheet: the middle Main frame with the Depth and Normal frames of
# the same index, and the ID pass frame recorded right after it.
frames() {
    ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets \
        -of csv=p=0 "$1"
}
main="$out/$name.mov"
[ -f "$main" ] || fail "no $main to make the contact sheet from"
count=$(frames "$main")
middle=$((count / 2))
inputs=()
filters=""
labels=""
n=0
for suffix in ".mov" " - depth.mov" " - normal.mov" " - custom pass.mov"; do
    file="$out/$name$suffix"
    [ -f "$file" ] || continue
    pick=$middle
    last=$(($(frames "$file") - 1))
    [ "$pick" -le "$last" ] || pick=$last
    inputs+=(-i "$file")
    filters+="[$n:v]select=eq(n\\,$pick),setpts=0,scale=640:-2,format=rgb24[p$n];"
    labels+="[p$n]"
    n=$((n + 1))
done
case $n in
1) stack="${labels}null" ;;
2) stack="${labels}hstack=inputs=2" ;;
3) stack="${labels}xstack=inputs=3:layout=0_0|w0_0|0_h0:fill=black" ;;
*) stack="${labels}xstack=inputs=4:layout=0_0|w0_0|0_h0|w0_h0" ;;
esac
sheet="$out/$name - contact sheet.png"
ffmpeg -v error -y "${inputs[@]}" -filter_complex "$filters$stack" -frames:v 1 -update 1 "$sheet" ||
    fail "FFmpeg could not make the contact sheet"
echo "demo.sh: contact sheet $sheet"
