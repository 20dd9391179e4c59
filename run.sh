#!/usr/bin/env bash
# Installs what is missing, builds, and starts the panel with the processor simulator on port 1.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
orvex_ensure_packages "${ORVEX_BUILD_PACKAGES[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)" --target orvexdab orvexdab-sim orvexdab-cli

# Port 1 of the panel is its program folder's ports/COM1 when that exists. The simulator
# takes that name unless something other than a simulator's link (e.g. a user's link to a
# real adapter) is already there, or a simulator started earlier still runs there.
port=build/bin/ports/COM1
sim_log=build/sim.log
sim_pid=""
running_pid=""
if [ -f "$port.owner" ]; then
    running_pid=$(tr -dc '0-9' <"$port.owner" 2>/dev/null) || true
    if [ -z "$running_pid" ] || ! kill -0 "$running_pid" 2>/dev/null; then
        running_pid=""
    fi
fi

stop_simulator() {
    if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
        kill -TERM "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
}

if [ -n "$running_pid" ]; then
    echo "Processor simulator already running on port 1 ($port), process $running_pid;" \
        "its log: $sim_log"
elif { [ -e "$port" ] || [ -L "$port" ]; } &&
    ! { [ -L "$port" ] && [[ "$(readlink "$port")" == /dev/pts/* ]]; }; then
    echo "Port 1 ($port) is already taken by something that is not the simulator's;" \
        "no processor simulator started."
else
    mkdir -p "$(dirname "$port")"
    rm -f "$sim_log"
    build/bin/orvexdab-sim --link "$port" --log "$sim_log" >/dev/null &
    sim_pid=$!
    trap stop_simulator EXIT
    trap 'exit 130' INT TERM HUP
    for _ in $(seq 50); do
        if grep -q "processor ready" "$sim_log" 2>/dev/null || ! kill -0 "$sim_pid" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    if grep -q "processor ready" "$sim_log" 2>/dev/null; then
        echo "Processor simulator on port 1 ($port -> $(readlink "$port"))."
        echo "Processor simulator log: $sim_log"
    else
        echo "The processor simulator did not start; the panel runs without it."
    fi
fi

status=0
build/bin/orvexdab "$@" || status=$?
exit "$status"
