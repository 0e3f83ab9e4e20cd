#!/bin/sh
# CPU cost of real-time playback: `quavril-cli play` of a 10 s, 96 kHz stereo, modulated
# logarithmic sweep against a PipeWire null sink, next to `aplay` playing the same signal
# rendered to a wave file, in the same run. Each figure is the process's user + system CPU
# time as a share of the signal's 10 s (100 % = one core busy all the time).
#
#   bench/play_cpu.sh [BUILD_DIR]        (default: build)
#
# Starts its own headless PipeWire server through tests/audio/with_pipewire.sh unless one
# already answers in $XDG_RUNTIME_DIR. Needs: pipewire, pipewire-alsa, wireplumber, dbus,
# alsa-utils (aplay), time (/usr/bin/time).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(cd "${1:-$root/build}" && pwd)
cli="$build/bin/quavril-cli"
presetc="$build/resources/quavril-presetc"
for f in "$cli" "$presetc"; do
    [ -x "$f" ] || { echo "$0: $f not found: build the project first" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "$0: /usr/bin/time missing (Debian: time)" >&2; exit 2; }

if [ -z "${QUAVRIL_BENCH_INNER:-}" ] &&
    ! [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pipewire-0" ]; then
    QUAVRIL_BENCH_INNER=1 exec "$root/tests/audio/with_pipewire.sh" "$0" "$build"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quavril-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

# The signal: both channels sweep logarithmically over the audio band in 10 s, each with
# its own amplitude modulation, so every sample costs a sweep step and a modulation step.
slot() {
    cat <<EOF
[slot $1]
Name               = Bench sweep
chkConstantLeft    = false
fInitLeft          = 20
fFinalLeft         = 20000
LogarithmicLeft    = true
BidirectionalLeft  = false
WaveFormLeft       = SINE
AmplitudeLeft      = -6
ModulationOnLeft   = true
ModFunctionLeft    = MODSINE
ModPeriodLeftEdit  = 0.25
ModDepthLeftEdit   = 50
ModPhaseLeftEdit   = 0
chkConstantRight   = false
fInitRight         = 20000
fFinalRight        = 20
LogarithmicRight   = true
BidirectionalRight = false
WaveFormRight      = SINE
AmplitudeRight     = -6
ModulationOnRight  = true
ModFunctionRight   = MODTRIANGLE
ModPeriodRightEdit = 0.5
ModDepthRightEdit  = 80
ModPhaseRightEdit  = 90
Duration           = 10
Loop               = false
Mono               = false
Lefttick           = true
RightTick          = true
PhaseEdit          = 0

EOF
}
{ slot 1; slot 2; slot 3; slot 4; } >"$work/bench.txt"
"$presetc" "$work/bench.txt" "$work/bench.qvl"
"$cli" render "$work/bench.qvl" 1 "$work/sweep.wav" --rate 96000

seconds=10
# measure NAME COMMAND...: prints elapsed time, CPU time and its share of the signal.
measure() {
    name=$1
    shift
    /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@"
    read -r elapsed user sys <"$work/time.txt"
    awk -v n="$name" -v e="$elapsed" -v u="$user" -v s="$sys" -v d="$seconds" 'BEGIN {
        cpu = u + s
        printf "%-12s elapsed %6.2f s   cpu %6.3f s   share %6.3f %% of one core\n", n, e, cpu, 100 * cpu / d
    }'
    awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }' >"$work/$name.cpu"
}

echo "10 s of 96 kHz stereo modulated log sweep on the PipeWire null sink (default device)"
measure quavril-cli "$cli" play "$work/bench.qvl" 1 --rate 96000
measure aplay aplay -q -D default "$work/sweep.wav"
# For reading the figures: the synthesis alone, the same signal rendered to a wave file.
measure render "$cli" render "$work/bench.qvl" 1 "$work/again.wav" --rate 96000
awk -v q="$(cat "$work/quavril-cli.cpu")" -v a="$(cat "$work/aplay.cpu")" 'BEGIN {
    if (a > 0)
        printf "ratio quavril-cli / aplay: %.2f\n", q / a
    else
        print "ratio quavril-cli / aplay: aplay used no measurable CPU time"
}'
