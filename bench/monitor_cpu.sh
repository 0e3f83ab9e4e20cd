#!/bin/sh
# CPU cost of the signal monitor: the generator window plays a 1 kHz stereo sine at -20 dBFS
# on a PipeWire null sink for SECONDS (default 60) in three ways, in the same run and in
# turns, ROUNDS times (default 2):
#   base    the program of BASE_BUILD (a build without the monitor), as reference
#   hidden  this build, the monitor window hidden
#   shown   this build, the monitor window shown
# Each figure is the process's user + system CPU time over the SECONDS of steady playback
# (start-up excluded) as a share of one core, read from /proc. The gaps are what a listener
# would hear of falling behind: the sink's monitor is recorded over the same SECONDS and
# bench/gaps.py counts the stretches of silence in the tone (PipeWire's pw-top does not count a
# client that falls behind, and its ALSA plug-in tells the program of no underrun; a program
# stopped for 0.5 s shows as one gap of 22,528 samples).
#
#   bench/monitor_cpu.sh [BUILD] [BASE_BUILD] [SECONDS] [ROUNDS] [RATE_POSITION]
#
# BUILD defaults to build, BASE_BUILD to BUILD (then "base" is the same program with the
# monitor hidden). RATE_POSITION is the position in the output settings' rate list (default:
# the one of 48000 Hz). Starts its own headless PipeWire server (tests/audio/with_pipewire.sh)
# and its own X server with a window manager (Xvfb, openbox). Needs: pipewire, pipewire-alsa,
# wireplumber, dbus, xvfb, openbox, procps, python3-numpy.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(cd "${1:-$root/build}" && pwd)
base=$(cd "${2:-$build}" && pwd)
seconds=${3:-60}
rounds=${4:-2}
rate=${5:-4}
for f in "$build/bin/quavril" "$build/bin/quavril-cli" "$base/bin/quavril" \
    "$build/resources/quavril-presetc"; do
    [ -x "$f" ] || { echo "$0: $f not found: build first" >&2; exit 2; }
done
for tool in Xvfb openbox pw-record; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 2; }
done
if [ -z "${QUAVRIL_BENCH_INNER:-}" ]; then
    QUAVRIL_BENCH_INNER=1 exec "$root/tests/audio/with_pipewire.sh" "$0" "$build" "$base" \
        "$seconds" "$rounds" "$rate"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quavril-monitor-bench.XXXXXX")
xserver="" wm=""
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null
    [ -n "$xserver" ] && kill "$xserver" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x960x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xserver=$!
read -r number <"$work/display"
export DISPLAY=":$number"
openbox >/dev/null 2>&1 &
wm=$!
unset QT_QPA_PLATFORM
cli="$build/bin/quavril-cli"

cat >"$work/bank.txt" <<'SLOT'
[slot 1]
Name = 1 kHz -20 dB stereo
chkConstantLeft = true
fInitLeft = 1000
fFinalLeft = 1000
LogarithmicLeft = false
BidirectionalLeft = false
WaveFormLeft = SINE
AmplitudeLeft = -20
ModulationOnLeft = false
ModFunctionLeft = MODCOS
ModPeriodLeftEdit = 1
ModDepthLeftEdit = 100
ModPhaseLeftEdit = 0
chkConstantRight = true
fInitRight = 1000
fFinalRight = 1000
LogarithmicRight = false
BidirectionalRight = false
WaveFormRight = SINE
AmplitudeRight = -20
ModulationOnRight = false
ModFunctionRight = MODCOS
ModPeriodRightEdit = 1
ModDepthRightEdit = 100
ModPhaseRightEdit = 0
Duration = 10
Loop = true
Mono = false
Lefttick = true
RightTick = true
PhaseEdit = 0
SLOT
for n in 2 3 4; do sed "s/^\[slot 1\]/[slot $n]/" "$work/bank.txt" | head -32; done \
    >"$work/more.txt"
cat "$work/more.txt" >>"$work/bank.txt"
"$build/resources/quavril-presetc" "$work/bank.txt" "$work/bank.qvl"

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# run LABEL PROGRAM SHOWN: prints LABEL and the CPU share, and keeps it in $work/LABEL.
run() {
    label=$1 program=$2 shown=$3
    config="$work/config-$label"
    rm -rf "$config"
    mkdir -p "$config/Orvande"
    printf '[Software]\nOrvande\\Quavril\\Fs=%s\nOrvande\\Quavril\\Buffers=2\nOrvande\\Quavril\\BufferSize=2\nOrvande\\Quavril\\frmSignalMonitor=%s\n' \
        "$rate" "$shown" >"$config/Orvande/Quavril.conf"
    XDG_CONFIG_HOME="$config" "$program" "$work/bank.qvl" >/dev/null 2>&1 &
    pid=$!
    i=0
    until "$cli" generators 2>/dev/null | grep -q "^$pid"; do
        i=$((i + 1))
        [ $i -lt 100 ] || { echo "$0: the generator did not come up" >&2; exit 1; }
        sleep 0.1
    done
    "$cli" send 1048 0 1 --pid "$pid" >/dev/null
    "$cli" send 1024 0 0 --pid "$pid" >/dev/null
    sleep 3
    pw-record --target null-sink --rate 48000 --channels 1 --format s16 "$work/heard.wav" \
        2>/dev/null &
    recorder=$!
    before=$(cpu_ticks "$pid")
    sleep "$seconds"
    after=$(cpu_ticks "$pid")
    kill -INT "$recorder"
    wait "$recorder" || true
    errors=$(/usr/bin/python3 "$here/gaps.py" "$work/heard.wav" | awk '{ print $4 }')
    "$cli" send 1025 0 0 --pid "$pid" >/dev/null || true
    kill -TERM "$pid"
    wait "$pid" || true
    awk -v l="$label" -v b="$before" -v a="$after" -v t="$ticks" -v s="$seconds" -v e="${errors:-?}" 'BEGIN {
        share = 100 * (a - b) / t / s
        printf "%-7s cpu %7.3f s over %d s = %6.3f %% of one core   gaps heard %s\n", l, (a - b) / t, s, share, e
    }' | tee -a "$work/log"
    awk -v b="$before" -v a="$after" -v t="$ticks" -v s="$seconds" 'BEGIN { print 100 * (a - b) / t / s }' \
        >>"$work/$label"
}

echo "1 kHz stereo sine, -20 dBFS, rate position $rate, PipeWire null sink, $seconds s per run"
r=0
while [ $r -lt "$rounds" ]; do
    r=$((r + 1))
    run base "$base/bin/quavril" 0
    run hidden "$build/bin/quavril" 0
    run shown "$build/bin/quavril" 1
done
mean() { awk '{ s += $1; n++ } END { printf "%.3f", s / n }' "$work/$1"; }
b=$(mean base) h=$(mean hidden) s=$(mean shown)
echo "mean share of one core: base $b %, hidden $h %, shown $s %"
awk -v b="$b" -v h="$h" -v s="$s" 'BEGIN {
    printf "monitor shown - hidden: %+.3f %% of one core\n", s - h
    printf "hidden - base:          %+.3f %% of one core\n", h - b
}'
