#!/bin/sh
# Runs a command against a private virtual X server and a private session bus:
#   tests/app/with_x11.sh COMMAND [ARGS...]
# DISPLAY points at the server for the command; the server is stopped when the command ends
# and the command's exit status is returned. QUAVRIL_X11_SCREEN sets the screen (default
# 1024x768x24).
set -eu
if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi
for tool in Xvfb dbus-run-session; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$0: $tool is not installed (Debian: xvfb dbus)" >&2
        exit 2
    fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/quavril-x11.XXXXXX")
xvfb=""
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
# The server picks a free display number and writes it to the fifo once it accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 "${QUAVRIL_X11_SCREEN:-1024x768x24}" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r number <"$work/display"
export DISPLAY=":$number"
# GUI programs want a private runtime folder and complain without one.
mkdir -m 0700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
unset WAYLAND_DISPLAY 2>/dev/null || true
status=0
dbus-run-session -- "$@" || status=$?
exit $status
