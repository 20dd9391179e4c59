#!/usr/bin/env bash
# Installs what is missing, builds, and starts the panel with the processor simulator on port 1.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
orvex_ensure_packages "${ORVEX_BUILD_PACKAGES[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)" --target orvexdab

exec build/bin/orvexdab "$@"
