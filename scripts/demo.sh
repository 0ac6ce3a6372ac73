#!/usr/bin/env bash
# Builds the loader and the simulated unit, then starts the loader beside a simulated unit
# whose port the drop-down lists as /dev/ttyUNITSIM0. Needs a display. Usage: scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."

link=/dev/ttyUNITSIM0
out="${TMPDIR:-/tmp}/unit-sim-demo"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "demo: no display. Set DISPLAY or WAYLAND_DISPLAY, or run it as: xvfb-run scripts/demo.sh" >&2
    exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "demo: run as root: the simulated unit's port is linked under /dev, where the loader's" >&2
    echo "      port list looks for virtual ports (sudo scripts/demo.sh)" >&2
    exit 2
fi

scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc 2>/dev/null || echo 2)" --target firmware-loader unit-sim

mkdir -p "$out"
"$build/tools/unit-sim/unit-sim" --link "$link" --announce-delay 1500 --out "$out" </dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT

for _ in $(seq 1 50); do
    [ -L "$link" ] && break
    sleep 0.1
done
if [ ! -L "$link" ]; then
    echo "demo: the simulated unit did not start" >&2
    exit 1
fi

cat <<TEXT
The simulated unit waits on $link (what it receives goes to $out).
In the loader: choose $link in the drop-down, press Connect; the unit announces its boot
mode 1.5 s after the port opens. Pick four files and press Send all, then Reboot.
TEXT
"$build/src/app/firmware-loader"
