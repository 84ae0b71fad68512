#!/usr/bin/env bash
# Builds the normal and the sanitizer tree and runs the whole test suite in both.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for kind in release asan; do
    echo "=== $kind build ==="
    tools/build.sh "$kind"
    dir=build; [[ $kind == asan ]] && dir=build-asan
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 300
done
