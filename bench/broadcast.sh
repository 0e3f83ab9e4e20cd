#!/usr/bin/env bash
# Time from a synchronised broadcast's start until 8 generators play, median of several runs:
#   bench/broadcast.sh [BUILD_DIR] [RUNS]
# Starts a private virtual X server and session bus, 8 generators (the first holds the hot
# key and gets its Sync box ticked with `quavril-cli send 1027 1`), then presses Ctrl+Insert
# and asks all 8 for Playing until they all play (build/bench/broadcast_probe).
# The generators are tests/fake_generator (the real bus, broadcast and hot key over a target
# that starts playing at once on 1024) unless QUAVRIL_BENCH_GENERATOR names another program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-9}
generator=${QUAVRIL_BENCH_GENERATOR:-$build/tests/fake_generator}
for f in "$generator" "$build/bin/quavril-cli" "$build/bench/broadcast_probe"; do
    [ -x "$f" ] || { echo "$0: $f is not built" >&2; exit 2; }
done
command -v xdotool >/dev/null || { echo "$0: xdotool is not installed" >&2; exit 2; }

export QUAVRIL_GENERATOR="$generator" QUAVRIL_BUILD="$build" QUAVRIL_RUNS="$runs"
exec "$root/tests/app/with_x11.sh" bash -c '
    set -euo pipefail
    pids=()
    trap "kill \${pids[*]} 2>/dev/null || true; wait 2>/dev/null || true" EXIT
    QT_QPA_PLATFORM=xcb "$QUAVRIL_GENERATOR" --hotkey >/dev/null 2>&1 &
    pids+=($!)
    for i in 2 3 4 5 6 7 8; do
        QT_QPA_PLATFORM=xcb "$QUAVRIL_GENERATOR" >/dev/null 2>&1 &
        pids+=($!)
    done
    # The first copy must own its name before it can be told to broadcast.
    for i in $(seq 100); do
        "$QUAVRIL_BUILD/bin/quavril-cli" send 1027 1 --pid "${pids[0]}" 2>/dev/null && break
        sleep 0.1
    done
    "$QUAVRIL_BUILD/bench/broadcast_probe" 8 "$QUAVRIL_RUNS"
'
