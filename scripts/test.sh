#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UBSan,
# and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON \
  -DQUORVANE_WERROR=ON -DQUORVANE_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 600
