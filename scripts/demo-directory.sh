#!/usr/bin/env bash
# Starts a private OpenLDAP server on 127.0.0.1 holding examples/corp_tree.ldif,
# registers it as the tree connection CORP_LDAP and prints how to search it.
# The server runs in the foreground until Ctrl+C; its folder is then removed.
# Usage: scripts/demo-directory.sh [PORT]     (default 3890)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
port=${1:-3890}
scripts/install-deps.sh
cli=${QUORVANE_CLI:-build/release/quorvane-cli}
if [ ! -x "$cli" ]; then
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
  cmake --build build/release --target quorvane-cli -j "$(nproc)"
fi
dir=$(mktemp -d /tmp/quorvane-directory.XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/db"
cat >"$dir/slapd.conf" <<CONF
include /etc/ldap/schema/core.schema
include $root/data/quorvane.schema
pidfile $dir/slapd.pid
modulepath /usr/lib/ldap
moduleload back_mdb
sizelimit unlimited

database mdb
suffix "cn=CORP_TREE"
rootdn "cn=admin,cn=CORP_TREE"
directory $dir/db
maxsize 1073741824
dbnosync
CONF
# The volume's folder is relative to the LDIF file; the server gets it whole.
sed "s#^qvVolumePath: volumes/#qvVolumePath: $root/examples/volumes/#" examples/corp_tree.ldif \
  >"$dir/corp_tree.ldif"
/usr/sbin/slapadd -q -f "$dir/slapd.conf" -l "$dir/corp_tree.ldif"
"$cli" trees add CORP_LDAP "ldap://127.0.0.1:$port/cn=CORP_TREE"
cat <<TEXT
Directory server on ldap://127.0.0.1:$port/ with the base cn=CORP_TREE,
registered as the tree connection CORP_LDAP. Search it:

  $cli discover CORP_LDAP corp_from_ldap.qvd --verbose
  ldapsearch -x -H ldap://127.0.0.1:$port/ -b cn=CORP_TREE

or choose CORP_LDAP in the desktop program (File > Search NDS Tree). The console
utilities (Verify User Default Server, Server Schema Comparison, NDS and File
Rights) read the preferred tree connection; make it this server with

  $cli trees prefer CORP_LDAP
Ctrl+C stops the server.
TEXT
ulimit -n 1024
/usr/sbin/slapd -f "$dir/slapd.conf" -h "ldap://127.0.0.1:$port/" -d none
