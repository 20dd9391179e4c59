#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through ctest: the normal
# build, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, then a bounded
# fuzzing run of every file and line reader.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
orvex_ensure_packages "${ORVEX_BUILD_PACKAGES[@]}" "${ORVEX_TEST_PACKAGES[@]}"
jobs=$(nproc)

echo "== Formatting check"
tools/format.sh --check

echo "== Build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$jobs"

echo "== Tests"
ctest --test-dir build --output-on-failure --parallel "$jobs"

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVEX_SANITIZE=ON
cmake --build build-asan --parallel "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure --parallel "$jobs" \
    --exclude-regex '^(installed_panel|deb_package)$'

if [ -f tests/fuzz/CMakeLists.txt ]; then
    echo "== Fuzzing"
    tools/fuzz.sh "${ORVEX_FUZZ_SECONDS:-20}"
fi
