#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a while, one process each at the lowest priority.
#   fuzz/run.sh [SECONDS] [FUZZ_BUILD_DIR] [NORMAL_BUILD_DIR]
# The seed corpus: fuzz/seeds/<target>, the inputs kept in tests/fuzz/inputs/<target>, and
# the shipped preset banks (NORMAL_BUILD_DIR/bin/*.qvl) with their sources. New inputs that
# break a rule land in <FUZZ_BUILD_DIR>/fuzz-findings/<target>: copy them into
# tests/fuzz/inputs/<target> and fix the fault; the regression test runs them from then on.
set -euo pipefail
seconds=${1:-600}
here=$(cd "$(dirname "$0")/.." && pwd)
fuzzbuild=${2:-$here/build-fuzz}
normal=${3:-$here/build}
cmake -S "$here" -B "$fuzzbuild" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUAVRIL_FUZZ=ON \
    -DQUAVRIL_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
nice cmake --build "$fuzzbuild" -j2 --target fuzz_preset_v36 fuzz_preset_v32 fuzz_wave_header \
    fuzz_settings_file fuzz_script fuzz_scpi
for target in preset_v36 preset_v32 wave_header settings_file script scpi; do
    corpus=$fuzzbuild/fuzz-corpus/$target
    findings=$fuzzbuild/fuzz-findings/$target
    mkdir -p "$corpus" "$findings"
    for dir in "$here/fuzz/seeds/$target" "$here/tests/fuzz/inputs/$target"; do
        [ -d "$dir" ] && cp -n "$dir"/* "$corpus"/ 2>/dev/null || true
    done
    case $target in
    preset_v36)
        cp -n "$normal"/bin/*.qvl "$corpus"/ 2>/dev/null || true
        cp -n "$here"/resources/presets/* "$here"/fuzz/seeds/preset_v32/* "$corpus"/ ;;
    preset_v32) cp -n "$here"/resources/presets/* "$corpus"/ ;;
    esac
    nice -n 19 "$fuzzbuild/bin/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=70000 \
        -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/" "$corpus" \
        >"$fuzzbuild/fuzz-$target.log" 2>&1 &
done
wait
for target in preset_v36 preset_v32 wave_header settings_file script scpi; do
    echo "$target: $(grep -E '^#[0-9]+' "$fuzzbuild/fuzz-$target.log" | tail -1)"
    ls "$fuzzbuild/fuzz-findings/$target"
done
