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

qv_ensure_packages "${QV_BUILD_PACKAGES[@]}" xvfb
BUILD="$QV_ROOT/build-rel"
qv_build "$BUILD" Release bench_live quorvane-meter-sim >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

disp=90
while [ -e "/tmp/.X11-unix/X$disp" ] || [ -e "/tmp/.X$disp-lock" ]; do disp=$((disp + 1)); done
Xvfb ":$disp" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$disp" ] && break; sleep 0.1; done

"$BUILD/tools/quorvane-meter-sim" --link "$work/meter" --meter dual --rate "$RATE" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/meter" ] && break; sleep 0.1; done

# The program reports its packet count when a line arrives on this pipe, and only then.
mkfifo "$work/ask"
exec 3<>"$work/ask"
DISPLAY=":$disp" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
    "$BUILD/bench/bench_live" "$work/meter" ${3:+"$3"} <"$work/ask" >"$work/out" 2>"$work/err" &
live=$!
pids+=($live)
for _ in $(seq 300); do grep -q '^ready' "$work/out" 2>/dev/null && break; sleep 0.1; done
grep -q '^ready' "$work/out" || { cat "$work/err" >&2; echo "bench_live did not start" >&2; exit 1; }

ticks() { awk '{print $14 + $15}' "/proc/$live/stat"; }
rss() { awk '/^VmRSS:/ {print $2}' "/proc/$live/status"; }
hz=$(getconf CLK_TCK)
t0=$(ticks); r0=$(rss); s0=$(date +%s.%N)
sleep "$SPAN"
t1=$(ticks); r1=$(rss); s1=$(date +%s.%N)
echo >&3
for _ in $(seq 50); do grep -q '^packets=' "$work/out" && break; sleep 0.1; done
packets=$(grep '^packets=' "$work/out" | tail -1 | cut -d= -f2)
awk -v t0="$t0" -v t1="$t1" -v hz="$hz" -v s0="$s0" -v s1="$s1" -v r0="$r0" -v r1="$r1" -v p="$packets" \
    'BEGIN { printf "cpu=%.2f rss_start_kb=%d rss_end_kb=%d packets=%d\n", 100 * (t1 - t0) / hz / (s1 - s0), r0, r1, p }'
