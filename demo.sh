#!/usr/bin/env bash
# Installs what is missing, builds, starts the device simulator on a pseudo-terminal as Com
# Port 1 and runs the program. The simulator stops when the program ends.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "demo.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
    echo "Run it from a desktop session, or under a virtual one: xvfb-run -a ./demo.sh" >&2
    exit 1
fi

ensure_packages "${ORVEL_BUILD_PACKAGES[@]}"
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVEL_BUILD_TESTS=OFF \
    -DORVEL_BUILD_BENCH=OFF
cmake --build build/demo

workdir=$(mktemp -d)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$workdir"
}
trap cleanup EXIT INT TERM

build/demo/sim/dravelin-sim --log "$workdir/device.log" > "$workdir/sim.out" &
sim_pid=$!
for _ in $(seq 50); do
    [ -s "$workdir/sim.out" ] && break
    sleep 0.1
done
pty=$(head -n 1 "$workdir/sim.out")
if [ -z "$pty" ]; then
    echo "demo.sh: the device simulator did not start." >&2
    exit 1
fi
echo "Device simulator on $pty (Com Port 1); what it receives is logged to $workdir/device.log"
ORVEL_COM1="$pty" build/demo/app/orvel "$@"
