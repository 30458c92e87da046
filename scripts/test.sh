#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless; non-zero on any failure.
set -euo pipefail
QV_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$QV_ROOT/scripts/deps.sh"

qv_ensure_packages "${QV_BUILD_PACKAGES[@]}" "${QV_TEST_PACKAGES[@]}"
BUILD="$QV_ROOT/build"
qv_build "$BUILD" RelWithDebInfo

# The decoder under libFuzzer with address and undefined-behaviour sanitizers. Its clang build
# reads packages of its own, which must be listed too (ctest checks the main build's).
# A short run with every test (about 15 s; the last 700,000 of a million take nearly two minutes
# more); scripts/fuzz.sh alone runs a million by default.
"$QV_ROOT/scripts/fuzz.sh" 300000
"$QV_ROOT/scripts/check-deps.sh" "$QV_ROOT/build-fuzz"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)"
