#!/usr/bin/env bash
# Search NDS Tree at scale: the large generated design written as a directory,
# loaded into a private slapd, then, side by side in one run:
#   ldapsearch dumping the whole subtree from the server,
#   quorvane-cli discover through the ldap:// backend (the same server),
#   quorvane-cli discover through the ldif: backend (the same directory's file).
# Prints seconds and peak memory of each and the ratio discover / ldapsearch,
# for QUORVANE_BENCH_ROUNDS interleaved rounds (default 3), then the median
# ratio; the designs from ldap:// and from ldif: are compared byte for byte.
# Usage: bench/directory/bench_discover.sh [generate options]
#   default: --containers 20000 --servers 5000 --partitions 10000 --leaves 1000000
# QUORVANE_CLI names the program (default build/release/quorvane-cli, built when missing).
# QUORVANE_BENCH_LDIF names a directory generated before (tree BIG_TREE) to use instead.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
cli=${QUORVANE_CLI:-build/release/quorvane-cli}
if [ ! -x "$cli" ]; then
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
  cmake --build build/release --target quorvane-cli -j "$(nproc)"
fi
cli=$(realpath "$cli")
if [ $# -eq 0 ]; then
  set -- --containers 20000 --servers 5000 --partitions 10000 --leaves 1000000
fi
work=$(mktemp -d /tmp/quorvane-bench.XXXXXX)
slapd_pid=""
cleanup() {
  if [ -n "$slapd_pid" ]; then
    kill -INT "$slapd_pid" 2>/dev/null || true
    wait "$slapd_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config

measure() { # label command...: prints "label seconds peak-MB"
  local label=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
    { echo "$label failed:"; tail -5 "$work/stderr"; exit 1; }
  read -r secs kb <"$work/time"
  printf '%-26s %8.2f s %8d MB\n' "$label" "$secs" $((kb / 1024))
  echo "$secs" >"$work/$label.secs"
}

if [ -n "${QUORVANE_BENCH_LDIF:-}" ]; then
  echo "directory $QUORVANE_BENCH_LDIF"
  ln -s "$(realpath "$QUORVANE_BENCH_LDIF")" "$work/big.ldif"
else
  echo "generate $*"
  "$cli" generate "$@" --ldif "$work/big.ldif" --tree BIG_TREE
fi
echo "entries: $(grep -c '^dn:' "$work/big.ldif")"
mkdir "$work/db"
cat >"$work/slapd.conf" <<CONF
include /etc/ldap/schema/core.schema
include $root/data/quorvane.schema
pidfile $work/slapd.pid
modulepath /usr/lib/ldap
moduleload back_mdb
sizelimit unlimited
# No per-operation log lines: the server's logging is not what is measured.
loglevel 0

database mdb
suffix "cn=BIG_TREE"
rootdn "cn=admin,cn=BIG_TREE"
directory $work/db
maxsize 17179869184
dbnosync
CONF
start=$(date +%s.%N)
/usr/sbin/slapadd -q -f "$work/slapd.conf" -l "$work/big.ldif"
awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "slapadd -q: %.1f s\n", b - a }'
port=$(shuf -i 20000-60000 -n 1)
(ulimit -n 1024; exec /usr/sbin/slapd -f "$work/slapd.conf" -h "ldap://127.0.0.1:$port/" -d none \
  >"$work/slapd.log" 2>&1) &
slapd_pid=$!
for _ in $(seq 100); do
  ldapsearch -x -H "ldap://127.0.0.1:$port/" -b cn=BIG_TREE -s base dn >/dev/null 2>&1 && break
  sleep 0.1
done
"$cli" trees add BIG_TREE "ldap://127.0.0.1:$port/cn=BIG_TREE"
# The same tree name for the file, in a store of its own, so that the two
# designs can be compared byte for byte.
XDG_CONFIG_HOME=$work/config-ldif "$cli" trees add BIG_TREE "ldif:$work/big.ldif"
cd "$work"
rounds=${QUORVANE_BENCH_ROUNDS:-3}
for round in $(seq "$rounds"); do
  echo "round $round"
  measure ldapsearch ldapsearch -x -LLL -H "ldap://127.0.0.1:$port/" -b cn=BIG_TREE
  measure discover-ldap "$cli" discover BIG_TREE ldap.qvd
  measure discover-ldif env XDG_CONFIG_HOME="$work/config-ldif" "$cli" discover BIG_TREE ldif.qvd
  awk -v d="$(cat discover-ldap.secs)" -v a="$(cat ldapsearch.secs)" \
    'BEGIN { printf "discover (ldap) / ldapsearch: %.2f\n", d / a }' | tee -a ratios
  if cmp -s ldap.qvd ldif.qvd; then echo "ldap:// and ldif: designs: identical"; else
    echo "ldap:// and ldif: designs: DIFFERENT"; fi
  rm -f ldap.qvd ldif.qvd
done
sort -t: -k2 -n ratios | awk -F': ' '{ r[NR] = $2 } END { printf "median ratio of %d rounds: %.2f\n", NR, r[int((NR + 1) / 2)] }'
