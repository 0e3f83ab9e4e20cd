#!/usr/bin/env bash
# Renders three 600-second stereo 48 kHz signals with quavril-cli and with sox in the same run
# and prints sox's time divided by ours (higher is better), plus our peak memory.
#   bench/render_vs_sox.sh [BUILD_DIR]     (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
cmake --build "$build" --target quavril-cli make_bench_presets >/dev/null
command -v sox >/dev/null || { echo "sox is needed: apt-get install sox" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time is needed: apt-get install time" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_bench_presets" "$work/bench.qvl"

# seconds and peak resident kilobytes of one command
measure() {
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
        { cat "$work/stderr" >&2; exit 1; }
    cat "$work/time"
}

printf '%-12s %10s %10s %8s %12s\n' signal sox_s quavril_s ratio quavril_peak_KiB
run() {
    local name=$1 slot=$2; shift 2
    local best_sox=999 best_q=999 peak=0
    for _ in 1 2 3; do
        read -r s _ < <(measure sox -n -r 48000 -c 2 -b 16 "$work/sox.wav" synth 600 "$@")
        read -r q m < <(measure "$build/bin/quavril-cli" render "$work/bench.qvl" "$slot" "$work/q.wav" --rate 48000)
        best_sox=$(echo "$s $best_sox" | awk '{print ($1<$2)?$1:$2}')
        best_q=$(echo "$q $best_q" | awk '{print ($1<$2)?$1:$2}')
        peak=$m
        rm -f "$work/sox.wav" "$work/q.wav"
    done
    printf '%-12s %10s %10s %8.2f %12s\n' "$name" "$best_sox" "$best_q" \
        "$(echo "$best_sox $best_q" | awk '{print $1/$2}')" "$peak"
}
run sine 1 sine 1000
run log-sweep 2 sine 20/20000
run pink-noise 3 pinknoise
