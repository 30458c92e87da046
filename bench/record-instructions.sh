#!/usr/bin/env bash
# The instructions quorvane-record and the bare QSerialPort reader of serial-floor.sh execute for
# SECONDS of the simulator's packets at RATE a second, under callgrind. Instructions are counted,
# not timed, so the figures hold on a machine whose CPU time swings with its neighbours'. Each
# program runs twice, for 10 s and for 10 + SECONDS s: the difference leaves out the start-up.
# Usage: bench/record-instructions.sh RATE SECONDS
# Last line: floor_instr=<n> record_instr=<n> ratio=<record/floor>
set -euo pipefail
RATE=${1:?usage: bench/record-instructions.sh RATE SECONDS}
SPAN=${2:?usage: bench/record-instructions.sh RATE SECONDS}
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$QV_ROOT/scripts/deps.sh"
source "$QV_ROOT/bench/measure.sh"

qv_ensure_packages "${QV_BUILD_PACKAGES[@]}" valgrind
BUILD="$QV_ROOT/build-rel"
qv_build "$BUILD" Release quorvane-record quorvane-meter-sim bench_serial_floor >/dev/null

work=$(mktemp -d)
trap 'qv_bench_cleanup; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

qv_start_sim "$BUILD" "$work/meter" "$RATE"

# Instructions of WHO (floor or record) over SECONDS from its start.
instructions() {
    local who=$1 seconds=$2 out="$work/cg.$1.$2"
    local grind=(valgrind --tool=callgrind --callgrind-out-file="$out")
    if [ "$who" = floor ]; then
        "${grind[@]}" "$BUILD/bench/bench_serial_floor" qt "$work/meter" >/dev/null 2>&1 &
    else
        env -u DISPLAY -u WAYLAND_DISPLAY "${grind[@]}" "$BUILD/tools/quorvane-record" \
            --port "$work/meter" --dual --quiet "$work/REC$seconds.CSV" >/dev/null 2>&1 &
    fi
    local pid=$!
    qv_bench_pids+=($pid)
    sleep "$seconds"
    kill -TERM "$pid"
    wait "$pid" || true
    awk '/^(summary|totals):/ {print $2; exit}' "$out"
}

for who in floor record; do
    short=$(instructions "$who" 10)
    long=$(instructions "$who" $((10 + SPAN)))
    eval "${who}_instr=$((long - short))"
done
awk -v f="$floor_instr" -v r="$record_instr" \
    'BEGIN { printf "floor_instr=%d record_instr=%d ratio=%.2f\n", f, r, r / f }'
