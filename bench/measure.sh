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

# Starts the meter simulator on a pseudo-terminal at LINK, RATE dual-display packets a second,
# from the build BUILD; waits for the link to appear.
qv_start_sim() {
    local build=$1 link=$2 rate=$3
    "$build/tools/quorvane-meter-sim" --link "$link" --meter dual --rate "$rate" >/dev/null 2>&1 &
    qv_bench_pids+=($!)
    for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.1; done
}

# Waits for "ready" in OUT from PID (started by the caller).
qv_wait_ready() {
    local pid=$1 out=$2 err=$3
    for _ in $(seq 300); do grep -q '^ready' "$out" 2>/dev/null && break; sleep 0.1; done
    grep -q '^ready' "$out" || { cat "$err" >&2; echo "the program did not start" >&2; return 1; }
}

# CPU of PID over SECONDS, as a percentage of one core, with RSS at both ends. The time on a core
# comes from the scheduler's nanosecond count of every thread (/proc/PID/task/*/schedstat): the
# clock ticks of /proc/PID/stat step by 10 ms, half of all that 40 s at 0.05% of a core adds up
# to. Sets QV_CPU, QV_RSS_START and QV_RSS_END.
qv_measure() {
    local pid=$1 span=$2
    oncpu() {
        if [ -r "/proc/$pid/schedstat" ]; then
            cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {printf "%d", ns}'
        else
            awk -v hz="$(getconf CLK_TCK)" '{printf "%d", ($14 + $15) * 1e9 / hz}' "/proc/$pid/stat"
        fi
    }
    rss() { awk '/^VmRSS:/ {print $2}' "/proc/$pid/status"; }
    local c0 c1 s0 s1
    c0=$(oncpu); QV_RSS_START=$(rss); s0=$(date +%s.%N)
    sleep "$span"
    c1=$(oncpu); QV_RSS_END=$(rss); s1=$(date +%s.%N)
    QV_CPU=$(awk -v c0="$c0" -v c1="$c1" -v s0="$s0" -v s1="$s1" \
        'BEGIN { printf "%.3f", 100 * (c1 - c0) / 1e9 / (s1 - s0) }')
}
