#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quorvane.
# With no arguments it starts the bundled meter simulator and maps "Com Port 1" to it;
# with arguments (for example --port 1=/dev/ttyUSB0) they go to the program and no simulator runs.
set -euo pipefail
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$QV_ROOT/scripts/deps.sh"

qv_ensure_packages "${QV_BUILD_PACKAGES[@]}"
BUILD="$QV_ROOT/build"
# The program and the simulator only; scripts/test.sh builds the tests and benchmarks.
qv_build "$BUILD" RelWithDebInfo quorvane quorvane-meter-sim

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (DISPLAY is not set): run this from a desktop session." >&2
    exit 1
fi

if [ $# -gt 0 ]; then
    exec "$BUILD/app/quorvane" "$@"
fi

link="${XDG_RUNTIME_DIR:-/tmp}/quorvane-meter-$$"
"$BUILD/tools/quorvane-meter-sim" --link "$link" --meter dual --rate 1 >/dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -f "$link"' EXIT
trap 'exit 130' INT TERM
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
echo "Meter simulator on $link: choose \"Com Port 1\" in the port dialog."
"$BUILD/app/quorvane" --port "1=$link"
