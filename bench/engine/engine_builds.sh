#!/usr/bin/env bash
# Engine time per clip for whisper-cli builds side by side: the synthetic tiny model on a 3 s and
# a 15 s clip, the builds run in turn (A B C A B C …) so a drifting machine affects them alike;
# prints the median wall time of each.
#   bench/engine/engine_builds.sh BUILD_DIR NAME=ENGINE_DIR [NAME=ENGINE_DIR …]
# e.g. portable=~/.cache/parlix/whisper-1.9.1 native=~/.cache/parlix/whisper-1.9.1-native-<key>
#      dispatch=~/.cache/parlix/whisper-1.9.1-dispatch-x86_64
set -euo pipefail
build=$1
shift
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$(cd "$(dirname "$0")/../.." && pwd)
"$build/tests/make_synthetic_model" "$root/tests/fixtures/for-tests-ggml-tiny.bin" "$work/model.bin" " Hello world!" >/dev/null
for seconds in 3 15; do
    sox -n -r 16000 -c 1 -b 16 "$work/clip$seconds.wav" synth "$seconds" sine 300 vol 0.3
done

for seconds in 3 15; do
    declare -A times=()
    for ((i = 0; i <= runs; i++)); do
        for pair in "$@"; do
            name=${pair%%=*} dir=${pair#*=}
            start=$(date +%s%N)
            "$dir/whisper-cli" -m "$work/model.bin" -f "$work/clip$seconds.wav" -nt -np >/dev/null 2>&1
            elapsed=$((($(date +%s%N) - start) / 1000000))
            ((i == 0)) || times[$name]+="$elapsed "   # the first round warms the caches
        done
    done
    for pair in "$@"; do
        name=${pair%%=*}
        median=$(printf '%s\n' ${times[$name]} | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}')
        printf '%2d s clip  %-10s median %5d ms  (runs: %s)\n' "$seconds" "$name" "$median" "${times[$name]% }"
    done
    unset times
done
