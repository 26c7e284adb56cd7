#!/usr/bin/env bash
# The Debian package as a user gets it: cpack builds it from this build folder
# (the install rules and package settings scripts/package.sh uses on its
# Release build), dpkg unpacks it into a scratch root, and the installed
# programs run from there: quorvane-cli --help, dump of the installed example,
# and Server Schema Comparison, which finds quorvane-cmd and SCHCMP in
# libexec/quorvane and the directory schema in share/quorvane/data.
#
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# ---- the package ----
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  exit 1
}
debs=("$work"/out/quorvane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || {
  echo "FAIL: cpack made no single package" >&2
  exit 1
}
deb=${debs[0]}
version=$(dpkg-deb --field "$deb" Version)
arch=$(dpkg-deb --field "$deb" Architecture)
[ "$(basename "$deb")" = "quorvane_${version}_${arch}.deb" ] ||
  fail "package named $(basename "$deb"), not quorvane_${version}_${arch}.deb"
[ "$arch" = "$(dpkg --print-architecture)" ] || fail "architecture $arch"
# The newest entry of the Debian changelog names the version being packaged.
head -n1 "$source/packaging/debian/changelog" | grep -qF "quorvane ($version) " ||
  fail "packaging/debian/changelog has no entry for $version at its top"
# The dependencies come from dpkg-shlibdeps: the libraries the programs link.
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libldap; do
  case "$depends" in
    *"$lib"*) ;;
    *) fail "Depends lacks $lib: $depends" ;;
  esac
done

# ---- the file list ----
# Every file lies in /usr, belongs to root and is readable by all; the
# programs in bin and libexec/quorvane are executable by all.
dpkg-deb --contents "$deb" >"$work/contents"
while read -r mode owner _ _ _ path rest; do
  path=${path#.}
  [ -n "$rest" ] && fail "link or odd entry: $path $rest"
  [ "$owner" = "root/root" ] || fail "$path belongs to $owner"
  case "$path" in
    / | /usr/ | /usr/*) ;;
    *) fail "$path lies outside /usr" ;;
  esac
  case "$mode" in
    d*) [ "$mode" = drwxr-xr-x ] || fail "folder $path is $mode" ;;
    -*)
      case "$path" in
        /usr/bin/* | /usr/libexec/quorvane/*)
          [ "$mode" = -rwxr-xr-x ] || fail "program $path is $mode" ;;
        *) [ "$mode" = -rw-r--r-- ] || fail "file $path is $mode" ;;
      esac
      ;;
    *) fail "$path is neither file nor folder ($mode)" ;;
  esac
done <"$work/contents"
awk '{ sub(/^\./, "", $6); print $6 }' "$work/contents" | grep -v '/$' | sort >"$work/files"
expected=(
  /usr/bin/quorvane /usr/bin/quorvane-cli
  /usr/libexec/quorvane/quorvane-cmd /usr/libexec/quorvane/nlist
  /usr/libexec/quorvane/schcmp /usr/libexec/quorvane/dsrights /usr/libexec/quorvane/rights
  /usr/share/quorvane/data/quorvane.schema /usr/share/quorvane/data/quorvane.ldif
  /usr/share/quorvane/examples/corp.qvd /usr/share/quorvane/examples/corp_tree.ldif
  /usr/share/quorvane/examples/volumes/FS1_SYS/PUBLIC/README.TXT
  /usr/share/applications/quorvane.desktop
  /usr/share/mime/packages/quorvane.xml
  /usr/share/metainfo/org.quorvane.Quorvane.metainfo.xml
  /usr/share/man/man1/quorvane.1.gz /usr/share/man/man1/quorvane-cli.1.gz
  /usr/share/doc/quorvane/copyright /usr/share/doc/quorvane/changelog.Debian.gz
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/quorvane.png"
             "/usr/share/icons/hicolor/${size}x${size}/mimetypes/application-x-quorvane-design.png")
done
for f in "${expected[@]}"; do
  grep -qxF "$f" "$work/files" || fail "the package lacks $f"
done
# Only the two programs go into the search path.
bins=$(grep '^/usr/bin/' "$work/files" | tr '\n' ' ')
[ "$bins" = "/usr/bin/quorvane /usr/bin/quorvane-cli " ] || fail "in /usr/bin: $bins"

# ---- unpacked into a scratch root ----
root="$work/root"
dpkg -x "$deb" "$root"
for size in 16 22 24 32 48 64 128 256; do
  for icon in "$root/usr/share/icons/hicolor/${size}x${size}"/*/*.png; do
    file -b "$icon" | grep -q "PNG image data, $size x $size," || fail "$icon: $(file -b "$icon")"
  done
done
for gz in "$root"/usr/share/man/man1/*.gz "$root/usr/share/doc/quorvane/changelog.Debian.gz"; do
  gzip -t "$gz" || fail "$gz is no gzip file"
done
cmp -s <(gzip -dc "$root/usr/share/man/man1/quorvane-cli.1.gz") "$source/docs/man/quorvane-cli.1" ||
  fail "the installed quorvane-cli(1) differs from docs/man/quorvane-cli.1"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
  "$root/usr/share/doc/quorvane/copyright" || fail "the copyright file is not in the Debian format"

# The desktop entry, the AppStream description and the file type, as installed.
appstreamcli validate --no-net "$root/usr/share/metainfo/org.quorvane.Quorvane.metainfo.xml" \
  >"$work/appstream.log" 2>&1 || {
  cat "$work/appstream.log" >&2
  fail "appstreamcli validate"
}
desktop-file-validate "$root/usr/share/applications/quorvane.desktop" >"$work/desktop.log" 2>&1 || {
  cat "$work/desktop.log" >&2
  fail "desktop-file-validate"
}
[ ! -s "$work/desktop.log" ] || {
  cat "$work/desktop.log" >&2
  fail "desktop-file-validate has remarks"
}
cp -r "$root/usr/share/mime" "$work/mime"
update-mime-database "$work/mime" >"$work/mime.log" 2>&1 || {
  cat "$work/mime.log" >&2
  fail "update-mime-database"
}
grep -q '^application/x-quorvane-design:\*\.qvd$' "$work/mime/globs" ||
  fail "*.qvd is not application/x-quorvane-design"

# ---- the installed programs, run from the scratch root ----
home="$work/home"
mkdir -p "$home" "$work/run"
run() {
  (cd "$work/run" && env HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    QT_QPA_PLATFORM=offscreen "$@" </dev/null)
}
cli="$root/usr/bin/quorvane-cli"
examples="$root/usr/share/quorvane/examples"
run "$cli" --help >"$work/help.txt" 2>&1 || fail "quorvane-cli --help: exit $?"
grep -qx 'Commands:' "$work/help.txt" || fail "quorvane-cli --help lists no commands"
run "$cli" dump "$examples/corp.qvd" >"$work/dump.txt" 2>"$work/dump.err" ||
  fail "quorvane-cli dump: exit $? $(cat "$work/dump.err")"
run "$build/quorvane-cli" dump "$source/examples/corp.qvd" >"$work/dump-build.txt" 2>/dev/null
# The first line names the file; the rest is the design.
[ "$(head -n1 "$work/dump.txt")" = "Design $examples/corp.qvd" ] ||
  fail "quorvane-cli dump begins: $(head -n1 "$work/dump.txt")"
[ "$(wc -l <"$work/dump.txt")" -gt 10 ] &&
  cmp -s <(tail -n +2 "$work/dump.txt") <(tail -n +2 "$work/dump-build.txt") ||
  fail "the installed example dumps otherwise than examples/corp.qvd"

# Server Schema Comparison on the installed example tree: quorvane-cli starts
# the installed quorvane-cmd, which finds SCHCMP beside it; SCHCMP reads the
# installed directory schema for FS3.
run "$cli" trees add CORP_TREE "ldif:$examples/corp_tree.ldif" >/dev/null 2>&1 ||
  fail "quorvane-cli trees add"
if run timeout 120 "$cli" compare-schema "$examples/corp.qvd" FS1 FS3 --tick-ms 50 \
  >"$work/schema.txt" 2>"$work/schema.err"; then
  grep -q '^Server: FS3$' "$work/schema.txt" && grep -q 'QVCONTAINER' "$work/schema.txt" ||
    fail "compare-schema printed: $(head -c 2000 "$work/schema.txt")"
else
  fail "quorvane-cli compare-schema: exit $? $(cat "$work/schema.err")"
fi
[ -f "$work/run/SRD1.TXT" ] || fail "SCHCMP wrote no SRD1.TXT"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures" >&2
  exit 1
fi
echo "$(basename "$deb"): $(wc -l <"$work/files") files, Depends: $depends"
