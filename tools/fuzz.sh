#!/usr/bin/env bash
# Builds every libFuzzer target (fuzz/*_fuzz.cpp) with clang and the sanitizers, then runs
# each for SECONDS seconds. Exits non-zero when a target fails to build, crashes, or a
# sanitizer reports.
# Usage: tools/fuzz.sh SECONDS [NAME...]   (NAME like settings_fuzz limits the run to those;
# KX_JOBS sets the build parallelism, 2 by default)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || (( seconds == 0 )); then
    echo "usage: $0 SECONDS [NAME...] (a whole number of seconds per fuzz target)" >&2
    exit 2
fi
shift

dir=build-fuzz  # the fuzz preset's tree
targets=()
for src in fuzz/*_fuzz.cpp; do
    [[ -e "$src" ]] || continue
    name="$(basename "$src" .cpp)"
    if (( $# > 0 )) && ! printf '%s\n' "$@" | grep -qxF "$name"; then continue; fi
    targets+=("$name")
done
if (( ${#targets[@]} == 0 )); then
    echo "no fuzz targets found under fuzz/${1:+ named $*}" >&2
    exit 1
fi

# The fuzz preset: clang, the sanitizers, -O1 (sanitizer reports stay exact, and the targets
# run about twice as fast as at -O0).
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${KX_JOBS:-2}" --target "${targets[@]}"

# Seed files for a target: tests/data/<name>/ and, by file kind, matching sample files
# anywhere under tests/data.
seed_files() {
    local base="$1"
    [[ -d "tests/data/$base" ]] && find "tests/data/$base" -type f
    [[ -d tests/data ]] || return 0
    case "$base" in
        settings) find tests/data -type f -iname '*.ini' ;;
        titxt) find tests/data -type f \( -iname '*.txt' -o -iname '*.titxt' \) ;;
        password_file) find tests/data -type f -iname '*password*' ;;
    esac
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
mkdir -p "$dir/artifacts" "$dir/logs"
failed=()
for name in "${targets[@]}"; do
    base="${name%_fuzz}"
    corpus="$dir/corpus/$name"
    seeds="$dir/seeds/$name"
    rm -rf "$seeds"
    mkdir -p "$corpus" "$seeds"
    while IFS= read -r f; do
        [[ -n "$f" ]] && cp "$f" "$seeds/$(echo "$f" | tr '/' '_')"
    done < <(seed_files "$base" | sort -u)

    log="$dir/logs/$name.log"
    echo "=== $name: ${seconds}s, $(ls "$seeds" | wc -l) seed file(s)"
    status=0
    "$dir/fuzz/$name" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -artifact_prefix="$dir/artifacts/$name-" -print_final_stats=1 \
        "$corpus" "$seeds" >"$log" 2>&1 || status=$?
    if (( status != 0 )) || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
        echo "!!! $name failed (exit $status); last lines of $log:"
        tail -n 40 "$log"
        failed+=("$name")
    else
        grep -E '^stat::number_of_executed_units|^Done' "$log" | sed 's/^/    /' || true
    fi
done

if (( ${#failed[@]} > 0 )); then
    echo "fuzzing found problems in: ${failed[*]} (inputs in $dir/artifacts/)" >&2
    exit 1
fi
echo "all ${#targets[@]} fuzz target(s) ran ${seconds}s without a finding"
