#!/bin/sh
# Runs a command against a private virtual X server managed by openbox, as a desktop would:
#   tests/app/with_window_manager.sh COMMAND [ARGS...]
# The screen is 1920x1080; the manager is running (its check window exists) before the command
# starts, and is stopped when the command ends. The command's exit status is returned.
set -eu
here=$(dirname "$0")
if ! command -v openbox >/dev/null 2>&1; then
    echo "$0: openbox is not installed (Debian: openbox)" >&2
    exit 2
fi
QUAVRIL_X11_SCREEN=1920x1080x24 exec "$here/with_x11.sh" sh -c '
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ]; then
            echo "openbox did not start" >&2
            kill $wm 2>/dev/null
            exit 2
        fi
        sleep 0.1
    done
    status=0
    "$@" || status=$?
    kill $wm 2>/dev/null
    wait $wm 2>/dev/null || true
    exit $status
' sh "$@"
