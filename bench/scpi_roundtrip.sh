#!/usr/bin/env bash
# Round trip of `FREQ 1000;*OPC?` from PyVISA against the real program, beside the same setting
# over D-Bus, on a private session bus with a device that plays nowhere (run by hand, never a
# test; needs python3-pyvisa, python3-pyvisa-py, python3-dbus).
#   bench/scpi_roundtrip.sh [BUILD_DIR] [CALLS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
calls=${2:-1000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'pcm.!default { type null }\npcm.spare {\n type null\n hint { show on description "Spare" }\n}\n' \
    >"$work/asound.conf"
mkdir -p "$work/config"
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export ALSA_CONFIG_PATH="$work/asound.conf" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen
dbus-run-session -- bash -c '
    "$0/bin/quavril" --scpi=127.0.0.1:$1 >/dev/null 2>&1 &
    generator=$!
    for _ in $(seq 100); do
        /usr/bin/python3 -c "import socket; socket.create_connection((\"127.0.0.1\", $1)).close()" \
            2>/dev/null && break
        sleep 0.1
    done
    /usr/bin/python3 "$3/bench/scpi_roundtrip.py" "$1" "$generator" "$2"
    kill $generator; wait $generator || true
' "$build" "$port" "$calls" "$here"
