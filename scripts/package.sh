#!/usr/bin/env bash
# Builds the Debian package quorvane_<version>_<arch>.deb from a Release build
# and checks it with lintian (an error fails the script). The package is left
# at the top of the repository; install it with
#   sudo apt install ./quorvane_<version>_<arch>.deb
# The Release build folder is build/rel (QV_BUILD names another); only what the
# package holds is built in it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${QV_BUILD:-build/rel}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=ON \
  -DQUORVANE_BENCH=ON >/dev/null
cmake --build "$build" --target qv_installed -j "$(nproc)"
out="$build/package"
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
debs=("$out"/quorvane_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "package.sh: cpack made no single package in $out" >&2
  exit 1
fi
deb=$(basename "${debs[0]}")
cp "${debs[0]}" "./$deb"
echo "Built $deb:"
dpkg-deb --field "$deb" Package Version Architecture Depends
# lintian prints every tag it finds (errors, warnings); only errors fail.
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "lintian: no error in $deb"
