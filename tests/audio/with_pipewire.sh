#!/bin/sh
# Runs a command against a private, headless PipeWire server with a null sink:
#   tests/audio/with_pipewire.sh COMMAND [ARGS...]
# The server (pipewire + wireplumber under its own session bus) lives in a fresh 0700
# XDG_RUNTIME_DIR and is stopped when the command ends; the command's exit status is returned.
# ALSA's "default" and "pipewire" devices then play in real time into the null sink.
# With QUAVRIL_PIPEWIRE_PIDFILE set, the server's process ids are written to that file (for
# tests that take the server away).
set -eu

if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi
for tool in pipewire wireplumber dbus-run-session; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$0: $tool is not installed (Debian: pipewire pipewire-alsa wireplumber dbus)" >&2
        exit 2
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quavril-pw.XXXXXX")
chmod 0700 "$work"
trap 'rm -rf "$work"' EXIT INT TERM
mkdir -p "$work/runtime" "$work/config/pipewire/pipewire.conf.d" "$work/state"
chmod 0700 "$work/runtime"
cat >"$work/config/pipewire/pipewire.conf.d/null-sink.conf" <<'CONF'
context.objects = [
    { factory = adapter
        args = {
            factory.name = support.null-audio-sink
            node.name = null-sink
            media.class = Audio/Sink
            audio.position = [ FL FR ]
            object.linger = true
        }
    }
]
CONF

export XDG_RUNTIME_DIR="$work/runtime"
export XDG_CONFIG_HOME="$work/config"
export XDG_STATE_HOME="$work/state"
export PIPEWIRE_RUNTIME_DIR="$work/runtime"
unset PIPEWIRE_REMOTE PULSE_SERVER 2>/dev/null || true

# The inner shell starts the server, waits until it answers, runs the command, stops the
# server and hands back the command's status.
dbus-run-session -- sh -c '
    pipewire >"$0/pipewire.log" 2>&1 &
    pw=$!
    i=0
    while [ ! -S "$XDG_RUNTIME_DIR/pipewire-0" ] && [ $i -lt 50 ]; do
        sleep 0.1; i=$((i + 1))
    done
    wireplumber >"$0/wireplumber.log" 2>&1 &
    wp=$!
    if [ -n "${QUAVRIL_PIPEWIRE_PIDFILE:-}" ]; then
        echo "$pw $wp" >"$QUAVRIL_PIPEWIRE_PIDFILE"
    fi
    sleep 2
    status=0
    "$@" || status=$?
    kill $wp $pw 2>/dev/null || true
    wait $wp $pw 2>/dev/null || true
    exit $status
' "$work" "$@"
