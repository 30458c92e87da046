#!/usr/bin/env bash
# The floor under the live view's cost: the CPU that Qt and the X server connection take to paint
# and flush WINDOWS plain windows RATE times a second, each changing only a 40 x 20 corner, under
# Xvfb as bench/live-cpu.sh runs the program. Nothing of the program runs.
# Usage: bench/paint-floor.sh RATE SECONDS [WINDOWS]   (WINDOWS: a count, default 4)
# Last line: cpu=<percent of one core> windows=<n> rate=<n>
set -euo pipefail
RATE=${1:?usage: bench/paint-floor.sh RATE SECONDS [WINDOWS]}
SPAN=${2:?usage: bench/paint-floor.sh RATE SECONDS [WINDOWS]}
COUNT=${3:-4}
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$QV_ROOT/scripts/deps.sh"
source "$QV_ROOT/bench/measure.sh"

qv_ensure_packages "${QV_BUILD_PACKAGES[@]}" xvfb
BUILD="$QV_ROOT/build-rel"
qv_build "$BUILD" Release bench_paint_floor >/dev/null

work=$(mktemp -d)
trap 'qv_bench_cleanup; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
qv_start_xvfb

DISPLAY="$QV_DISPLAY" XDG_RUNTIME_DIR="$work" \
    "$BUILD/bench/bench_paint_floor" "$COUNT" "$RATE" >"$work/out" 2>"$work/err" &
floor=$!
qv_bench_pids+=($floor)
qv_wait_ready "$floor" "$work/out" "$work/err"
qv_measure "$floor" "$SPAN"
echo "cpu=$QV_CPU windows=$COUNT rate=$RATE"
