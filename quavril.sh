#!/usr/bin/env bash
# Installs what is missing, builds Quavril and starts the generator window.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -G Ninja
cmake --build build
exec build/bin/quavril "$@"
