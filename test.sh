#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
# The suite runs inside a private, headless PipeWire session so that the real-time audio
# tests have a paced sound server; every other test is independent of it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -G Ninja
cmake --build build
if [ -x tests/audio/with_pipewire.sh ]; then
    tests/audio/with_pipewire.sh ctest --test-dir build --output-on-failure
else
    ctest --test-dir build --output-on-failure
fi
