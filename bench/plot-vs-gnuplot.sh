#!/usr/bin/env bash
# The plot of a whole save file as a PNG, by `quorvane --plot FILE --export` and by gnuplot (time
# axis from the date and time columns, both displays, the same size), on a dual-display save file
# of ROWS rows one a second. CPU time is user plus system of each program (GNU time), the best of
# three runs each, with the file in the page cache for both.
# Usage: bench/plot-vs-gnuplot.sh ROWS
# Last line: rows=<n> quorvane_cpu_s=<s> gnuplot_cpu_s=<s> ratio=<q/g> quorvane_rss_kb=<n>
set -euo pipefail
ROWS=${1:?usage: bench/plot-vs-gnuplot.sh ROWS}
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$QV_ROOT/scripts/deps.sh"

qv_ensure_packages "${QV_BUILD_PACKAGES[@]}"
# The peer and the stopwatch are the benchmark's own, not the build's or the tests'.
qv_ensure_packages gnuplot-nox time
BUILD="$QV_ROOT/build-rel"
qv_build "$BUILD" Release quorvane bench_plot >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file="$work/DAYS.CSV"
"$BUILD/bench/bench_plot" --write-save-file "$file" "$ROWS"
echo "file: $(stat -c %s "$file") bytes, $ROWS rows"
cat "$file" >/dev/null # into the page cache for both

WIDTH=1600
HEIGHT=900
cat >"$work/plot.gp" <<GP
set terminal png size $WIDTH,$HEIGHT
set output '$work/gnuplot.png'
set datafile separator ","
set xdata time
set timefmt "%s"
set format x "%m-%d\n%H:%M"
set ytics nomirror
set y2tics
plot '$file' using (timecolumn(7,"%m-%d-%Y")+timecolumn(6,"%H:%M:%S")):2 with lines title "%RH", \
     '' using (timecolumn(7,"%m-%d-%Y")+timecolumn(6,"%H:%M:%S")):4 axes x1y2 with lines title "Deg C"
GP

# Runs the command after NAME three times; sets BEST_CPU (seconds) and BEST_RSS (kB, of that run).
best_of_three() {
    local name=$1 i u s m
    shift
    BEST_CPU=""
    for i in 1 2 3; do
        /usr/bin/time -f "%U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" ||
            { cat "$work/err" >&2; echo "failed: $*" >&2; exit 1; }
        read -r u s m <"$work/time"
        local cpu
        cpu=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
        echo "  $name: cpu ${cpu} s, rss ${m} kB" >&2
        if [ -z "$BEST_CPU" ] || awk -v a="$cpu" -v b="$BEST_CPU" 'BEGIN { exit !(a < b) }'; then
            BEST_CPU=$cpu
            BEST_RSS=$m
        fi
    done
}

best_of_three quorvane env -u DISPLAY -u WAYLAND_DISPLAY "$BUILD/app/quorvane" --plot "$file" \
    --export "$work/quorvane.png" --size "${WIDTH}x$HEIGHT"
q_cpu=$BEST_CPU
q_rss=$BEST_RSS
best_of_three gnuplot gnuplot "$work/plot.gp"
g_cpu=$BEST_CPU
ratio=$(awk -v q="$q_cpu" -v g="$g_cpu" 'BEGIN { printf "%.4f", q / g }')
echo "quorvane_bytes_per_row=$(awk -v k="$q_rss" -v r="$ROWS" 'BEGIN { printf "%.1f", k * 1024 / r }')"
echo "rows=$ROWS quorvane_cpu_s=$q_cpu gnuplot_cpu_s=$g_cpu ratio=$ratio quorvane_rss_kb=$q_rss"
