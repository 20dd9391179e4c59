#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
orvex_ensure_packages "${ORVEX_BUILD_PACKAGES[@]}" "${ORVEX_TEST_PACKAGES[@]}"

echo "== Formatting check"
tools/format.sh --check

echo "== Build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)"

echo "== Tests"
ctest --test-dir build --output-on-failure --parallel "$(nproc)"
