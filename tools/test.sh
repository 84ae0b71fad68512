#!/usr/bin/env bash
# Builds the normal and the sanitizer tree and runs the whole test suite in both (the test
# presets in CMakePresets.json set the offscreen platform and the sanitizer options).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
for kind in release asan; do
    echo "=== $kind build ==="
    tools/build.sh "$kind"
    ctest --preset "$kind" -j "$(nproc)"
done
