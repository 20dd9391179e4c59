#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through ctest: the normal
# build; the package installed and used in a booted Debian 12 root (as root); a
# check that the program's sources compile for Windows, the same tests under AddressSanitizer
# and UndefinedBehaviorSanitizer, then a bounded fuzzing run of every file and line reader.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
orvex_ensure_packages "${ORVEX_BUILD_PACKAGES[@]}" "${ORVEX_TEST_PACKAGES[@]}"
jobs=$(nproc)
phase_name=""
phase_start=$SECONDS
# Prints how long the previous phase took, then the next phase's heading.
phase() {
    if [ -n "$phase_name" ]; then
        echo "   ($phase_name took $(( SECONDS - phase_start )) s, $SECONDS s so far)"
    fi
    phase_name=$1
    phase_start=$SECONDS
    echo "== $1"
}

phase "Formatting check"
tools/format.sh --check

phase "Build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$jobs"

phase "Tests"
ctest --test-dir build --output-on-failure --parallel "$jobs"

phase "Booted station test: the package in a Debian 12 root under systemd-nspawn"
boot_status=0
tests/install/booted_station.sh build || boot_status=$?
# 77: skipped, with the reason printed (not root; a root that does not boot outside CI).
[ "$boot_status" -eq 0 ] || [ "$boot_status" -eq 77 ] || exit "$boot_status"

phase "Windows syntax check of the program's sources"
tools/windows_syntax.sh build "$jobs"

phase "Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVEX_SANITIZE=ON
cmake --build build-asan --parallel "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure --parallel "$jobs" \
    --exclude-regex '^(installed_panel|deb_package)$'

if [ -f tests/fuzz/CMakeLists.txt ]; then
    phase "Fuzzing"
    tools/fuzz.sh "${ORVEX_FUZZ_SECONDS:-20}"
fi
