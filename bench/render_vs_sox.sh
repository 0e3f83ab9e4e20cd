#!/usr/bin/env bash
# Renders 600-second stereo 48 kHz signals with quavril-cli and with sox in the same run and
# prints sox's time divided by ours (higher is better), in wall time and in CPU time, plus our
# peak memory. The best of three runs of each counts.
#   bench/render_vs_sox.sh [BUILD_DIR]     (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
cmake --build "$build" --target quavril-cli make_bench_presets >/dev/null
command -v sox >/dev/null || { echo "sox is needed: apt-get install sox" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time is needed: apt-get install time" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_bench_presets" "$work/bench.qvl" "$work/measured.qvl" "$work/shapes.qvl" \
    "$work/sweeps.qvl"

# wall seconds, CPU seconds and peak resident kilobytes of one command
measure() {
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
        { cat "$work/stderr" >&2; exit 1; }
    awk '{print $1, $2 + $3, $4}' "$work/time"
}

min() { echo "$1 $2" | awk '{print ($1<$2)?$1:$2}'; }

printf '%-22s %7s %9s %7s %9s %7s %12s\n' signal sox_s quavril_s wall_x sox_cpu_s cpu_x \
    quavril_peak_KiB
# run NAME "SOX ARGUMENTS" "QUAVRIL ARGUMENTS"
run() {
    local name=$1 sox_args=$2 q_args=$3
    local sw=999 sc=999 qw=999 qc=999 peak=0 w c m
    for _ in 1 2 3; do
        # shellcheck disable=SC2086
        read -r w c m < <(measure sox -n -r 48000 -c 2 $sox_args)
        sw=$(min "$w" "$sw"); sc=$(min "$c" "$sc")
        # shellcheck disable=SC2086
        read -r w c m < <(measure "$build/bin/quavril-cli" render $q_args --rate 48000)
        qw=$(min "$w" "$qw"); qc=$(min "$c" "$qc"); peak=$m
        rm -f "$work/sox.wav" "$work/q.wav"
    done
    printf '%-22s %7s %9s %7.2f %9s %7.2f %12s\n' "$name" "$sw" "$qw" \
        "$(echo "$sw $qw" | awk '{print $1/$2}')" "$sc" "$(echo "$sc $qc" | awk '{print $1/$2}')" \
        "$peak"
}
b=$work/bench.qvl s=$work/shapes.qvl q=$work/q.wav o=$work/sox.wav
run "sine 16-bit" "-b 16 $o synth 600 sine 1000" "$b 1 $q"
run "log-sweep 16-bit" "-b 16 $o synth 600 sine 20/20000" "$b 2 $q"
run "pink-noise 16-bit" "-b 16 $o synth 600 pinknoise" "$b 3 $q"
run "square 16-bit" "-b 16 $o synth 600 square 1000" "$s 4 $q"
# sox dithers when it writes 24 bits; so does this render
run "sine 24-bit TPDF" "-b 24 $o synth 600 sine 1000" "$b 1 $q --format s24 --dither tpdf"
run "sine float" "-e floating-point -b 32 $o synth 600 sine 1000" "$b 1 $q --format f32"
run "band-limited square" "-b 16 $o synth 600 square 1000" "$s 4 $q --band-limited"
