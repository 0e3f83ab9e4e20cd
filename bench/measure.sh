#!/usr/bin/env bash
# Renders the measured signals with quavril-cli and analyses them with bench/analyse.py
# (numpy): THD+N of a 997 Hz sine at -20 dBFS in 24-bit TPDF and float, harmonics and level at
# -60 dBFS in 16-bit TPDF, alias energy of the band-limited shapes, the log sweep's frequency,
# pink noise's start; one case of each cross-checked with sox's stats; one hour of a looping
# back-and-forth sweep through the playback fill handler in every format.
#   bench/measure.sh [BUILD_DIR]     (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
cmake --build "$build" --target quavril-cli make_bench_presets sweep_drift >/dev/null
py=/usr/bin/python3
$py -c 'import numpy' 2>/dev/null || { echo "python3-numpy is needed" >&2; exit 1; }
command -v sox >/dev/null || { echo "sox is needed: apt-get install sox" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_bench_presets" "$work/bench.qvl" "$work/m.qvl" "$work/shapes.qvl" \
    "$work/sweeps.qvl"
cli() { "$build/bin/quavril-cli" "$@"; }
an() { $py "$here/bench/analyse.py" "$@"; }
# sox's view of a file: DC offset, levels, bit depth
soxstats() { echo "  sox stats of $(basename "$1") ${2:+($2)}:"; sox "$1" -n ${3:-} stats 2>&1 |
    grep -E '^(DC offset|Min level|Max level|Pk lev dB|RMS lev dB|Bit-depth)' | sed 's/^/    /'; }

echo "== 997 Hz sine at 48 kHz, full band: THD+N re the tone"
cli render "$work/m.qvl" 1 "$work/s24.wav" --rate 48000 --format s24 --dither tpdf
cli render "$work/m.qvl" 1 "$work/f32.wav" --rate 48000 --format f32
cli render "$work/m.qvl" 1 "$work/s16.wav" --rate 48000
an thdn "$work/s24.wav" 997
an thdn "$work/f32.wav" 997
an thdn "$work/s16.wav" 997
soxstats "$work/s24.wav" "24-bit TPDF, -20 dBFS: RMS -23.01 dB, peak -20.00 dB"

echo "== 997 Hz sine at -60 dBFS, 16-bit: harmonics and level"
cli render "$work/m.qvl" 2 "$work/s16t.wav" --rate 48000 --dither tpdf
cli render "$work/m.qvl" 2 "$work/s16n.wav" --rate 48000
an thdn "$work/s16t.wav" 997
an thdn "$work/s16n.wav" 997
soxstats "$work/s16t.wav" "16-bit TPDF, -60 dBFS: RMS -63.01 dB"

echo "== Square, triangle and sawtooth, -6 dBFS, 48 kHz, 24-bit: energy off the harmonics"
for slot in 1 2 3; do
    cli render "$work/shapes.qvl" $slot "$work/bl$slot.wav" --rate 48000 --format s24 --band-limited
    cli render "$work/shapes.qvl" $slot "$work/cl$slot.wav" --rate 48000 --format s24
    for ch in 0 1; do
        f=997; [ $ch = 1 ] && f=10000
        an alias "$work/bl$slot.wav" $f $ch
        an alias "$work/cl$slot.wav" $f $ch
    done
done
soxstats "$work/bl3.wav" "band-limited sawtooth: DC offset" "remix 2"
soxstats "$work/cl3.wav" "classic sawtooth: DC offset" "remix 2"

echo "== Log sweep 20 Hz to 20 kHz over 10 s, 48 kHz"
cli render "$work/m.qvl" 3 "$work/sw24.wav" --rate 48000 --format s24
cli render "$work/m.qvl" 3 "$work/sw16.wav" --rate 48000
an sweep "$work/sw24.wav" 20 20000
an sweep "$work/sw16.wav" 20 20000
# sox measures no frequency finely enough; its stats show the level held to the end.
soxstats "$work/sw24.wav" "first second: peak -1.00 dB" "trim 0 1"
soxstats "$work/sw24.wav" "last second" "trim 9"


echo "== Pink noise, 0 dBFS, 44100 Hz: the start"
cli render "$work/m.qvl" 4 "$work/pink.wav"
an pinkstart "$work/pink.wav"
soxstats "$work/pink.wav" "first 2000 samples" "trim 0 2000s"
soxstats "$work/pink.wav" "from sample 4000 on" "trim 4000s"

echo "== One hour of a back-and-forth log sweep (1 s, 48 kHz stereo) through the fill handler"
"$build/bench/sweep_drift"
