#!/usr/bin/env bash
# Installs the Debian packages Quorvane needs to build, run and test, when missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-liberation xauth xvfb poppler-utils
  clang libclang-rt-dev clang-format
  slapd ldap-utils libldap-dev openssl
  coinor-libcbc-dev
  appstream shared-mime-info
  dpkg-dev file lintian desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
# The directory server is only ever started privately by the tests and the
# demo script: no system instance is configured, and none is started while
# the package installs.
echo "slapd slapd/no_configuration boolean true" | $SUDO debconf-set-selections
policy=/usr/sbin/policy-rc.d
placed_policy=""
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
  $SUDO chmod 755 "$policy"
  placed_policy=1
  trap '$SUDO rm -f "$policy"' EXIT
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
if [ -n "$placed_policy" ]; then
  $SUDO rm -f "$policy"
fi
if command -v service >/dev/null 2>&1 && pgrep -x slapd >/dev/null 2>&1; then
  $SUDO service slapd stop >/dev/null 2>&1 || true
fi
