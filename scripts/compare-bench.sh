#!/usr/bin/env bash
# Compares the benchmarks of an earlier commit with the working tree's, in one
# run: both are built in Release under build/compare/, then each program runs
# old, new, old, new, ... so that both sides see the same machine load, and
# bench/compare_runs.py reports each benchmark's median and the ratio new/old.
#   scripts/compare-bench.sh <old commit> [rounds]
# The benchmark sources come from each side's own tree (their calls follow
# that side's interfaces); what they measure must be the same operation.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
old=${1:?usage: scripts/compare-bench.sh <old commit> [rounds]}
rounds=${2:-5}
jobs=$(nproc)
out=$here/build/compare
programs=(bench_recording_capture idpass_bench interception_bench hook_bench)

rev=$(git -C "$here" rev-parse --verify "$old^{commit}") ||
    { echo "compare-bench.sh: '$old' is not a commit of this repository" >&2; exit 2; }
[ -d "$here/deps" ] ||
    { echo "compare-bench.sh: deps/ is missing: run scripts/setup.sh first" >&2; exit 1; }

mkdir -p "$out"
if [ "$(cat "$out/old.rev" 2>/dev/null)" != "$rev" ]; then
    rm -rf "$out/old-src" "$out/old"
    mkdir -p "$out/old-src"
    git -C "$here" archive "$rev" | tar -x -C "$out/old-src"
    echo "$rev" >"$out/old.rev"
fi
# The old tree finds its third-party folders where the working tree does.
ln -sfn "$here/deps" "$out/old-src/deps"
[ -d "$here/../shared" ] && ln -sfn "$(cd "$here/../shared" && pwd)" "$out/shared"

build() { # source folder, build folder
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIVREN_BUILD_TESTS=OFF >/dev/null
    cmake --build "$2" -j "$jobs" --target "${programs[@]}"
}
build "$out/old-src" "$out/old"
build "$here" "$out/new"

results=$out/results
rm -rf "$results"
mkdir -p "$results"
for round in $(seq 1 "$rounds"); do
    for program in "${programs[@]}"; do
        for side in old new; do
            echo "round $round/$rounds: $side $program"
            "$out/$side/bin/$program" --benchmark_format=json \
                --benchmark_out="$results/$side.$program.$round.json" >/dev/null
        done
    done
done
python3 "$here/bench/compare_runs.py" "$results"
