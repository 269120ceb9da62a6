#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ and runs each for a bounded time on a copy
# of its seed corpus (fuzz/corpus/<target>/ itself never grows). Any crash, leak, hang,
# out-of-memory or sanitizer report fails the script; the input that caused it is kept
# in build-fuzz/artifacts/<target>/.
#
#     ./scripts/fuzz.sh [seconds per target, default 12]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-12}
build="$root/build-fuzz"

"$root/scripts/setup.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORDEVIK_FUZZ=ON -DORDEVIK_SANITIZE=ON >/dev/null

targets=()
for source in "$root"/fuzz/*.cpp; do
    targets+=("$(basename "$source" .cpp)")
done
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()
for target in "${targets[@]}"; do
    run="$work/$target"
    mkdir -p "$run/corpus" "$run/tmp"
    if [ -d "$root/fuzz/corpus/$target" ]; then
        cp -R "$root/fuzz/corpus/$target/." "$run/corpus/"
    fi
    status=0
    # The targets write their temporary files under TMPDIR, which goes with $work.
    TMPDIR="$run/tmp" \
    ASAN_OPTIONS=detect_leaks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" >"$run/log" 2>&1 ||
        status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log")
    if [ "$status" -ne 0 ] ||
        grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$run/log"; then
        failed+=("$target")
        echo "$target: FAILED (exit status $status)"
        grep -E -A 30 'ERROR:|runtime error:|fuzz check failed' "$run/log" | head -60 || true
        mkdir -p "$build/artifacts/$target"
        cp "$run"/crash-* "$run"/leak-* "$run"/timeout-* "$run"/oom-* \
            "$build/artifacts/$target/" 2>/dev/null || true
        cp "$run/log" "$build/artifacts/$target/log"
    else
        echo "$target: ${seconds}s, ${runs:-?} runs, no findings"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found problems in: ${failed[*]} (inputs and logs in $build/artifacts/)"
    exit 1
fi
