#!/usr/bin/env bash
# The floor under quorvane-record's cost: the CPU that merely taking RATE packets a second off the
# simulator's pseudo-terminal takes, measured as bench/record-cpu.sh measures the recorder.
# "qt" reads through QSerialPort on Qt's plain event loop, as the recorder does; "posix" with poll
# and read alone. Nothing of the program runs.
# Usage: bench/serial-floor.sh RATE SECONDS
# Last two lines: reader=qt cpu=<percent of one core>, then reader=posix cpu=<percent>
set -euo pipefail
RATE=${1:?usage: bench/serial-floor.sh RATE SECONDS}
SPAN=${2:?usage: bench/serial-floor.sh RATE SECONDS}
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$QV_ROOT/scripts/deps.sh"
source "$QV_ROOT/bench/measure.sh"

qv_ensure_packages "${QV_BUILD_PACKAGES[@]}"
BUILD="$QV_ROOT/build-rel"
qv_build "$BUILD" Release bench_serial_floor quorvane-meter-sim >/dev/null

work=$(mktemp -d)
trap 'qv_bench_cleanup; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

qv_start_sim "$BUILD" "$work/meter" "$RATE"

for reader in qt posix; do
    "$BUILD/bench/bench_serial_floor" "$reader" "$work/meter" >"$work/out" 2>"$work/err" &
    floor=$!
    qv_bench_pids+=($floor)
    qv_wait_ready "$floor" "$work/out" "$work/err"
    sleep 2
    qv_measure "$floor" "$SPAN"
    kill "$floor"
    wait "$floor" 2>/dev/null || true
    echo "reader=$reader cpu=$QV_CPU"
done
