# Sourced by the benchmarks that run a program under Xvfb and measure it from outside.
# Callers set QV_WORK (a scratch folder) and call qv_bench_cleanup on exit.
qv_bench_pids=()

qv_bench_cleanup() {
    local p
    for p in "${qv_bench_pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}

# Starts Xvfb on a free display; sets QV_DISPLAY.
qv_start_xvfb() {
    local disp=90
    while [ -e "/tmp/.X11-unix/X$disp" ] || [ -e "/tmp/.X$disp-lock" ]; do disp=$((disp + 1)); done
    Xvfb ":$disp" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    qv_bench_pids+=($!)
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$disp" ] && break; sleep 0.1; done
    QV_DISPLAY=":$disp"
}

# Waits for "ready" in OUT from PID (started by the caller).
qv_wait_ready() {
    local pid=$1 out=$2 err=$3
    for _ in $(seq 300); do grep -q '^ready' "$out" 2>/dev/null && break; sleep 0.1; done
    grep -q '^ready' "$out" || { cat "$err" >&2; echo "the program did not start" >&2; return 1; }
}

# CPU of PID over SECONDS, as a percentage of one core, from /proc/PID/stat; RSS at both ends.
# Sets QV_CPU, QV_RSS_START and QV_RSS_END.
qv_measure() {
    local pid=$1 span=$2
    ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
    rss() { awk '/^VmRSS:/ {print $2}' "/proc/$pid/status"; }
    local hz t0 t1 s0 s1
    hz=$(getconf CLK_TCK)
    t0=$(ticks); QV_RSS_START=$(rss); s0=$(date +%s.%N)
    sleep "$span"
    t1=$(ticks); QV_RSS_END=$(rss); s1=$(date +%s.%N)
    QV_CPU=$(awk -v t0="$t0" -v t1="$t1" -v hz="$hz" -v s0="$s0" -v s1="$s1" \
        'BEGIN { printf "%.2f", 100 * (t1 - t0) / hz / (s1 - s0) }')
}
