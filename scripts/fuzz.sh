#!/bin/sh
# Builds the decoder's fuzz target with clang and sanitizers and runs it; fails on any finding.
# Usage: scripts/fuzz.sh [RUNS]   (default 1000000)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build-fuzz"
RUNS=${1:-1000000}

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVANE_FUZZ=ON -DBUILD_TESTING=OFF
ninja -C "$BUILD" -j2 fuzz_decoder

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/corpus"
# Seeds: a dual reading, a light-meter packet and a pair of single readings.
stx() { printf '\002'; }
{ printf '\000'; stx; printf '01041202354512x'; } >"$WORK/corpus/dual"
{ printf '\001'; stx; printf '00150008x??1234x'; } >"$WORK/corpus/light"
{ printf '\004'; stx; printf '41040200004512x'; stx; printf '42010100000235x'; } >"$WORK/corpus/pair"

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
cd "$WORK"
"$BUILD/tests/fuzz/fuzz_decoder" -runs="$RUNS" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$ROOT/build-fuzz/" "$WORK/corpus"
