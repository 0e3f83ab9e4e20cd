#!/bin/sh
# Runs a command inside a private session bus that ends with it, so that the generators a test
# starts see only each other: tests/app/with_session_bus.sh COMMAND [ARGS...]
set -eu
exec dbus-run-session -- "$@"
