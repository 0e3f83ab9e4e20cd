#!/usr/bin/env bash
# Time from a synchronised broadcast's start until 8 generators play, median of several runs:
#   bench/broadcast.sh [BUILD_DIR] [RUNS]
# Starts a private virtual X server and session bus and 8 generators; the first holds the hot
# key and gets its Sync box ticked with `quavril-cli send 1027 1`. Then build/bench/
# broadcast_probe presses Ctrl+Insert with xdotool and asks all 8 for Playing until they all
# play; the time includes xdotool's own start.
# The generators are tests/fake_generator (the real bus object, broadcast and hot key over a
# target that plays as soon as 1024 arrives) unless QUAVRIL_BENCH_GENERATOR names the program
# to start instead (given no arguments). Its settings go to a temporary folder and ALSA's
# default device is a null device there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-9}
generator=${QUAVRIL_BENCH_GENERATOR:-$build/tests/fake_generator}
for f in "$generator" "$build/bin/quavril-cli" "$build/bench/broadcast_probe"; do
    [ -x "$f" ] || { echo "$0: $f is not built" >&2; exit 2; }
done
command -v xdotool >/dev/null || { echo "$0: xdotool is not installed" >&2; exit 2; }
first_args=""
[ -n "${QUAVRIL_BENCH_GENERATOR:-}" ] || first_args="--hotkey"

work=$(mktemp -d "${TMPDIR:-/tmp}/quavril-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config"
# Only this configuration: no sound server can take the default device over, and a second
# device keeps the device list from looking empty.
printf '%s\n' 'pcm.!default { type null }' \
    'pcm.spare { type null hint { show on description "Spare" } }' >"$work/asound.conf"
export XDG_CONFIG_HOME="$work/config" ALSA_CONFIG_PATH="$work/asound.conf"
export QT_QPA_PLATFORM=xcb QUAVRIL_GENERATOR="$generator" QUAVRIL_FIRST_ARGS="$first_args"
export QUAVRIL_BUILD="$build" QUAVRIL_RUNS="$runs"
"$root/tests/app/with_x11.sh" bash -c '
    set -euo pipefail
    pids=()
    trap "kill \${pids[*]} 2>/dev/null || true; wait 2>/dev/null || true" EXIT
    # The first copy must own its name (and so hold the key) before the others start.
    "$QUAVRIL_GENERATOR" $QUAVRIL_FIRST_ARGS >/dev/null 2>&1 &
    pids+=($!)
    for i in $(seq 100); do
        "$QUAVRIL_BUILD/bin/quavril-cli" send 1027 1 --pid "${pids[0]}" 2>/dev/null && break
        sleep 0.1
    done
    for i in 2 3 4 5 6 7 8; do
        "$QUAVRIL_GENERATOR" >/dev/null 2>&1 &
        pids+=($!)
    done
    "$QUAVRIL_BUILD/bench/broadcast_probe" 8 "$QUAVRIL_RUNS"
' 2> >(grep -v "Failed to set fd limit" >&2)
