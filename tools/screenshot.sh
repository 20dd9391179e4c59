#!/usr/bin/env bash
# Builds the panel and photographs its main window under a virtual X server.
# Usage: tools/screenshot.sh OUTPUT.png [BUILD_DIR]   (BUILD_DIR defaults to build/)
# The panel runs from a scratch copy of the program folder, so no working or settings file is
# left behind in the build tree. Needs xvfb-run (xvfb, xauth) and ImageMagick's import.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:?usage: tools/screenshot.sh OUTPUT.png [BUILD_DIR]}")"
build="$(realpath -m "${2:-$root/build}")"

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
if ! log="$(cmake --build "$build" --target orvexdab 2>&1)"; then
    echo "$log" >&2
    exit 1
fi

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cp "$build/bin/orvexdab" "$scratch/"

# A first run without a working file reports the missing file; a termination request closes
# that message and the panel, which leaves a working file behind. The second run starts quietly,
# and once its start-up splash has closed itself the panel is photographed.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    cd "$1"
    ./orvexdab >/dev/null 2>&1 &
    pid=$!
    sleep 3
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    ./orvexdab >/dev/null 2>&1 &
    pid=$!
    sleep "${SCREENSHOT_WAIT:-5}"
    if ! import -window "ORVEX DAB+ Setup v 20.01" "$2" 2>/dev/null; then
        import -window root "$2"
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
' _ "$scratch" "$out"
echo "$out"
