#!/usr/bin/env bash
# Time from a synchronised broadcast's key event until 8 generators play, median of several
# runs, for the stand-in generators and for the real program in the same run:
#   bench/broadcast.sh [BUILD_DIR] [RUNS]
# Everything runs privately: a PipeWire server with a null sink (ALSA's default device plays
# in real time, as a sound card does), a virtual X server and a session bus. For each kind, 8
# generators are started; the first holds the hot key and gets its Sync box ticked with
# `quavril-cli send 1027 1`, the real ones loop their signal. Then build/bench/broadcast_probe
# presses Ctrl+Insert through the X server's test extension and asks all 8 for Playing until
# they all play, timed from the key event. Every wait has a limit; the script ends with status
# 1 when one passes. The stand-ins are tests/fake_generator (the real bus object, broadcast and
# hot key over a target that plays as soon as 1024 arrives); the real program is bin/quavril,
# its settings in a temporary folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-9}
for f in "$build/tests/fake_generator" "$build/bin/quavril" "$build/bin/quavril-cli" \
    "$build/bench/broadcast_probe"; do
    [ -x "$f" ] || { echo "$0: $f is not built" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quavril-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QUAVRIL_WORK="$work" QUAVRIL_BUILD="$build" QUAVRIL_RUNS="$runs"

# One kind of generator: `measure NAME PROGRAM [FIRST_ARGS]`, inside the private servers.
cat >"$work/measure.sh" <<'EOF'
set -euo pipefail
cli="$QUAVRIL_BUILD/bin/quavril-cli"
measure() {
    local name=$1 program=$2 first_args=${3:-}
    local pids=()
    mkdir -p "$QUAVRIL_WORK/$name"
    export XDG_CONFIG_HOME="$QUAVRIL_WORK/$name"
    # The first copy must own its name (and so hold the key) before the others start.
    "$program" $first_args >/dev/null 2>&1 &
    pids+=($!)
    local ok=""
    for _ in $(seq 100); do
        "$cli" send 1027 1 --pid "${pids[0]}" 2>/dev/null && { ok=1; break; }
        sleep 0.1
    done
    [ -n "$ok" ] || { echo "$name: the first generator never came on the bus" >&2; kill "${pids[@]}"; return 1; }
    for _ in 2 3 4 5 6 7 8; do
        "$program" >/dev/null 2>&1 &
        pids+=($!)
    done
    local status=0
    # Looping signals keep playing until switched off.
    timeout 20 bash -c 'until [ "$('"$cli"' generators | wc -l)" -ge 8 ]; do sleep 0.1; done' &&
        "$cli" send 1035 1 >/dev/null || status=1
    if [ $status -eq 0 ]; then
        echo "== $name"
        timeout 300 "$QUAVRIL_BUILD/bench/broadcast_probe" 8 "$QUAVRIL_RUNS" 10000 || status=1
    fi
    kill "${pids[@]}" 2>/dev/null || true
    for pid in "${pids[@]}"; do
        timeout 10 tail --pid="$pid" -f /dev/null 2>/dev/null || kill -KILL "$pid" 2>/dev/null || true
    done
    return $status
}
export QT_QPA_PLATFORM=xcb
measure fake "$QUAVRIL_BUILD/tests/fake_generator" --hotkey
measure real "$QUAVRIL_BUILD/bin/quavril"
EOF

"$root/tests/audio/with_pipewire.sh" "$root/tests/app/with_x11.sh" bash "$work/measure.sh" \
    2> >(grep -v -e "Failed to set fd limit" -e "XDG_RUNTIME_DIR" >&2)
