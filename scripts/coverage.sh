#!/usr/bin/env bash
# Builds the logic libraries and their tests with coverage counters, runs the
# test suite and prints the line and branch coverage of src/ (without the
# desktop program, which the offscreen GUI tests cover separately).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if ! command -v gcovr >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends gcovr
fi
build=build/coverage
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_GUI=OFF \
  -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$build" -j "$(nproc)"
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest -j "$(nproc)" --timeout 600 >/dev/null) || {
  echo "coverage.sh: some tests failed; the figures below still count what ran" >&2
}
gcovr --root . --object-directory "$build" --filter 'src/' --exclude 'src/gui/' \
  --exclude 'src/platform/' --exclude-unreachable-branches --exclude-throw-branches \
  --output "$build/coverage.txt" --print-summary "$@"
echo "Per file: $build/coverage.txt"
