#!/usr/bin/env bash
# Formats every C++ source in place, or with --check only reports what is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
existing=()
for f in "${files[@]}"; do [ -f "$f" ] && existing+=("$f"); done
if [ "${1:-}" = "--check" ]; then
    clang-format --dry-run --Werror "${existing[@]}"
else
    clang-format -i "${existing[@]}"
fi
