#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs one.
# Usage: fuzz/run.sh TARGET [SECONDS]   e.g. fuzz/run.sh fuzz_design_file 600
# The seed corpus is fuzz/corpus/<target without fuzz_>/; new inputs go to
# fuzz/work/<target>/, findings to fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: fuzz/run.sh TARGET [SECONDS]}
seconds=${2:-600}
scripts/install-deps.sh
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVANE_FUZZ=ON -DQUORVANE_SANITIZE=ON -DQUORVANE_TESTS=OFF -DQUORVANE_GUI=OFF >/dev/null
cmake --build build/fuzz --target "$target" -j "$(nproc)"
corpus=fuzz/corpus/${target#fuzz_}
mkdir -p "fuzz/work/$target" fuzz/artifacts
exec "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix=fuzz/artifacts/ "fuzz/work/$target" "$corpus"
