#!/usr/bin/env bash
# Configures and builds one tree from CMakePresets.json. Usage: tools/build.sh [release|asan]
# (release: build/, asan: build-asan/; both with warnings as errors)
set -euo pipefail
cd "$(dirname "$0")/.."
kind="${1:-release}"
case "$kind" in
    release | asan) ;;
    *) echo "usage: $0 [release|asan]" >&2; exit 2 ;;
esac
cmake --preset "$kind" >/dev/null
cmake --build --preset "$kind" -j "$(nproc)"
