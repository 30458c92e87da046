#!/usr/bin/env bash
# CPU and memory of the live view, measured on the program under Xvfb, fed by the meter simulator
# at RATE packets a second, with the digital display, analog gauges, graph and raw list all shown.
# Usage: bench/live-cpu.sh RATE SECONDS [WINDOWS]   (WINDOWS: any of d a g r; default all four)
# Last line: cpu=<percent of one core> rss_start_kb=<n> rss_end_kb=<n> packets=<received>
set -euo pipefail
RATE=${1:?usage: bench/live-cpu.sh RATE SECONDS}
SPAN=${2:?usage: bench/live-cpu.sh RATE SECONDS}
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$QV_ROOT/scripts/deps.sh"
source "$QV_ROOT/bench/measure.sh"

qv_ensure_packages "${QV_BUILD_PACKAGES[@]}" xvfb
BUILD="$QV_ROOT/build-rel"
qv_build "$BUILD" Release bench_live quorvane-meter-sim >/dev/null

work=$(mktemp -d)
trap 'qv_bench_cleanup; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
qv_start_xvfb

qv_start_sim "$BUILD" "$work/meter" "$RATE"

# The program reports its packet count when a line arrives on this pipe, and only then.
mkfifo "$work/ask"
exec 3<>"$work/ask"
DISPLAY="$QV_DISPLAY" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
    "$BUILD/bench/bench_live" "$work/meter" ${3:+"$3"} <"$work/ask" >"$work/out" 2>"$work/err" &
live=$!
qv_bench_pids+=($live)
qv_wait_ready "$live" "$work/out" "$work/err"

qv_measure "$live" "$SPAN"
echo >&3
for _ in $(seq 50); do grep -q '^packets=' "$work/out" && break; sleep 0.1; done
packets=$(grep '^packets=' "$work/out" | tail -1 | cut -d= -f2)
echo "cpu=$QV_CPU rss_start_kb=$QV_RSS_START rss_end_kb=$QV_RSS_END packets=$packets"
