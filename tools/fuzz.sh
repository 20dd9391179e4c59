#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer, then runs each for a bounded time.
# Usage: tools/fuzz.sh [seconds per target] (default 20). Fails on any crash, hang or leak.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVEX_FUZZ=ON >/dev/null
mapfile -t targets < <(sed -n 's/^ *fuzz_target(\([a-z_]*\).*/\1/p' tests/fuzz/CMakeLists.txt)
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

status=0
found=0
for t in "${targets[@]}"; do
    work=$(mktemp -d)
    log="$work/log"
    if "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
        -artifact_prefix="$work/" "$work" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
        runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n 1)
        echo "fuzz $t: ${runs:-?} executions in ${seconds} s, no findings"
    else
        echo "fuzz $t: FINDING"
        tail -n 40 "$log"
        ls "$work"/crash-* "$work"/timeout-* "$work"/leak-* "$work"/oom-* 2>/dev/null || true
        status=1
        found=$((found + 1))
    fi
    rm -rf "$work"
done
echo "fuzzing: $(( ${#targets[@]} - found )) passed, $found failed"
exit $status
