#!/usr/bin/env bash
# CPU and memory of quorvane-record, fed by the meter simulator at RATE packets a second on a
# pseudo-terminal, recording every second with no limit, measured over SECONDS from /proc.
# Usage: bench/record-cpu.sh RATE SECONDS
# Last line: cpu=<percent of one core> rss_start_kb=<n> rss_end_kb=<n> rows=<rows written>
set -euo pipefail
RATE=${1:?usage: bench/record-cpu.sh RATE SECONDS}
SPAN=${2:?usage: bench/record-cpu.sh RATE SECONDS}
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$QV_ROOT/scripts/deps.sh"
source "$QV_ROOT/bench/measure.sh"

qv_ensure_packages "${QV_BUILD_PACKAGES[@]}"
BUILD="$QV_ROOT/build-rel"
qv_build "$BUILD" Release quorvane-record quorvane-meter-sim >/dev/null

work=$(mktemp -d)
trap 'qv_bench_cleanup; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

qv_start_sim "$BUILD" "$work/meter" "$RATE"

env -u DISPLAY -u WAYLAND_DISPLAY "$BUILD/tools/quorvane-record" --port "$work/meter" --dual \
    --quiet "$work/REC.CSV" 2>"$work/err" &
rec=$!
qv_bench_pids+=($rec)
for _ in $(seq 100); do grep -q ' start: recording ' "$work/err" && break; sleep 0.1; done
grep -q ' start: recording ' "$work/err" || { cat "$work/err" >&2; echo "quorvane-record did not start" >&2; exit 1; }
sleep 2 # past the start-up's own work

rows0=$(wc -l <"$work/REC.CSV")
qv_measure "$rec" "$SPAN"
rows1=$(wc -l <"$work/REC.CSV")
kill -TERM "$rec"
wait "$rec" || { cat "$work/err" >&2; echo "quorvane-record failed" >&2; exit 1; }
echo "cpu=$QV_CPU rss_start_kb=$QV_RSS_START rss_end_kb=$QV_RSS_END rows=$((rows1 - rows0))"
