#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quorvane.
# With no arguments it starts the bundled meter simulator and maps "Com Port 1" to it;
# with --datalogger [N] the simulator also holds a datalogger of N records (default 300) that a key
# press in this terminal (or kill -USR1 on the simulator) sends, as the meter's RESET key does;
# with other arguments (for example --port 1=/dev/ttyUSB0) they go to the program and no
# simulator runs.
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

records=0
if [ "${1:-}" = "--datalogger" ]; then
    records=300
    if [ $# -ge 2 ]; then
        records=$2
    fi
    if ! [[ "$records" =~ ^[0-9]+$ ]] || [ "$records" -lt 1 ]; then
        echo "--datalogger takes a number of records, for example --datalogger 500" >&2
        exit 2
    fi
elif [ $# -gt 0 ]; then
    exec "$BUILD/app/quorvane" "$@"
fi

link="${XDG_RUNTIME_DIR:-/tmp}/quorvane-meter-$$"
sim_args=(--link "$link" --meter dual --rate 1)
if [ "$records" -gt 0 ]; then
    sim_args+=(--datalogger "$records")
    # The simulator watches this terminal's keys itself; without a terminal only the signal works.
    if [ -t 0 ] && { : </dev/tty; } 2>/dev/null; then
        "$BUILD/tools/quorvane-meter-sim" "${sim_args[@]}" >/dev/null </dev/tty &
    else
        "$BUILD/tools/quorvane-meter-sim" "${sim_args[@]}" >/dev/null </dev/null &
    fi
else
    "$BUILD/tools/quorvane-meter-sim" "${sim_args[@]}" >/dev/null &
fi
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -f "$link"' EXIT
trap 'exit 130' INT TERM
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
echo "Meter simulator on $link: choose \"Com Port 1\" in the port dialog."
if [ "$records" -gt 0 ]; then
    echo "Datalogger of $records records: after \"File\" > \"Download Datalogger\" and its two messages," \
        "press a key in this terminal (or run: kill -USR1 $sim) to send them."
fi
"$BUILD/app/quorvane" --port "1=$link"
