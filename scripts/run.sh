#!/usr/bin/env bash
# Installs what is missing, builds Quorvane (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
# On first start (no tree connection yet) the example directory becomes the
# tree CORP_TREE, read from its LDIF file, so Search NDS Tree and the console
# utilities work at once.
if [ -z "$(build/release/quorvane-cli trees)" ]; then
  build/release/quorvane-cli trees add CORP_TREE "ldif:$PWD/examples/corp_tree.ldif"
  # Its volume FS1_SYS (examples/volumes/FS1_SYS) as drive F:, for File Rights.
  if ! build/release/quorvane-cli utilities | grep -q '^F:'; then
    build/release/quorvane-cli utilities map F FS1_SYS.CORP
  fi
fi
if [ -x build/release/quorvane ]; then
  exec build/release/quorvane "$@"
fi
exec build/release/quorvane-cli --help
