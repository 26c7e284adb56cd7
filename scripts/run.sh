#!/usr/bin/env bash
# Installs what is missing, builds Quorvane (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
if [ -x build/release/quorvane ]; then
  exec build/release/quorvane "$@"
fi
exec build/release/quorvane-cli --help
