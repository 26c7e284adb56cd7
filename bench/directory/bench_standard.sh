#!/usr/bin/env bash
# Search NDS Tree on a directory in the standard schemas (profile standard): the
# generated tree of generate_standard.py (default 200,000 inetOrgPerson under 2,000
# organizationalUnits), loaded into a private slapd with the standard schemas, then
# side by side, RUNS times interleaved:
#   ldapsearch dumping the whole subtree from the server,
#   quorvane-cli discover through the ldap:// backend (the same server),
#   quorvane-cli discover through the ldif: backend (the same directory's file).
# Prints seconds and peak memory of each and the ratio discover / ldapsearch.
# Usage: bench/directory/bench_standard.sh [generate_standard.py options]
# QUORVANE_CLI names the program (default build/release/quorvane-cli, built when
# missing); RUNS the number of rounds (default 3).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
cli=${QUORVANE_CLI:-build/release/quorvane-cli}
runs=${RUNS:-3}
if [ ! -x "$cli" ]; then
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
  cmake --build build/release --target quorvane-cli -j "$(nproc)"
fi
cli=$(realpath "$cli")
work=$(mktemp -d /tmp/quorvane-bench-standard.XXXXXX)
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
base=dc=bench,dc=example

measure() { # label command...: prints "label seconds peak-MB"
  local label=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
    { echo "$label failed:"; tail -5 "$work/stderr"; exit 1; }
  read -r secs kb <"$work/time"
  printf '%-26s %8.2f s %8d MB\n' "$label" "$secs" $((kb / 1024))
  echo "$secs" >>"$work/$(echo "$label" | tr -c 'a-z0-9\n' '_').secs"
}

python3 bench/directory/generate_standard.py "$work/standard.ldif" --base "$base" "$@"
echo "entries: $(grep -c '^dn:' "$work/standard.ldif")"
mkdir "$work/db"
cat >"$work/slapd.conf" <<CONF
include /etc/ldap/schema/core.schema
include /etc/ldap/schema/cosine.schema
include /etc/ldap/schema/inetorgperson.schema
include /etc/ldap/schema/nis.schema
include $root/data/quorvane.schema
pidfile $work/slapd.pid
modulepath /usr/lib/ldap
moduleload back_mdb
sizelimit unlimited
loglevel 0

database mdb
suffix "$base"
rootdn "cn=admin,$base"
directory $work/db
maxsize 4294967296
dbnosync
index objectClass eq
CONF
start=$(date +%s.%N)
/usr/sbin/slapadd -q -f "$work/slapd.conf" -l "$work/standard.ldif"
awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "slapadd -q: %.1f s\n", b - a }'
port=$(shuf -i 20000-60000 -n 1)
(ulimit -n 1024; exec /usr/sbin/slapd -f "$work/slapd.conf" -h "ldap://127.0.0.1:$port/" -d none \
  >"$work/slapd.log" 2>&1) &
slapd_pid=$!
for _ in $(seq 100); do
  ldapsearch -x -H "ldap://127.0.0.1:$port/" -b "$base" -s base dn >/dev/null 2>&1 && break
  sleep 0.1
done
"$cli" trees add STD_TREE "ldap://127.0.0.1:$port/$base" --profile standard
"$cli" trees add STD_LDIF "ldif:$work/standard.ldif" --profile standard
cd "$work"
for _ in $(seq "$runs"); do
  measure ldapsearch ldapsearch -x -LLL -H "ldap://127.0.0.1:$port/" -b "$base"
  measure "discover ldap://" "$cli" discover STD_TREE "$work/ldap.qvd"
  measure "discover ldif:" "$cli" discover STD_LDIF "$work/ldif.qvd"
done
grep -h "Directory profile" DSSEARCH.ERR || true
awk 'FNR == 1 { f++ } f == 1 { l += $1; n++ } f == 2 { d += $1; m++ }
     END { printf "discover ldap:// / ldapsearch (means of %d runs): %.2f\n", n, (d / m) / (l / n) }' \
  "$work/ldapsearch.secs" "$work/discover_ldap___.secs"
