#!/usr/bin/env bash
# Builds the benchmarks and runs every one found in <build>/bench.
#   bench/run.sh [BUILD_DIR]        (default: build)
# Google Benchmark programs take their usual flags through BENCH_ARGS, e.g.
#   BENCH_ARGS=--benchmark_repetitions=5 bench/run.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
[[ $build = /* ]] || build=$PWD/$build

if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
# Build only what bench/ defines (and what it depends on), not the whole project.
if [[ -f $build/build.ninja ]]; then
    cmake --build "$build" --target bench/all
else
    cmake --build "$build/bench"
fi

status=0
for program in "$build"/bench/*; do
    [[ -f $program && -x $program ]] || continue
    echo "== $(basename "$program")"
    if grep -q benchmark_filter "$program" 2>/dev/null; then
        # shellcheck disable=SC2086
        "$program" ${BENCH_ARGS:-} || status=1
    else
        "$program" || status=1
    fi
    echo
done
exit $status
