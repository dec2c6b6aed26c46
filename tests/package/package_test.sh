#!/usr/bin/env bash
# package_test.sh CPACK BUILD_DIR VERSION
# Packs BUILD_DIR's executables into the Debian package, unpacks it into a
# temporary root and checks what an installation gets: the fields, exactly the
# files meant to be installed (no test or benchmark), an
# "eqset --version" that answers, a valid desktop entry, the copyright file
# and no lintian error.
set -euo pipefail
cpack=$1
build=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)

for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing (scripts/setup.sh installs it)"
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  exit 1
fi
deb=$work/out/eqset_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
  echo "no package $deb:"
  ls -l "$work/out"
  exit 1
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = eqset ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
depends=$(field Depends)
# Taken from the shared libraries (Qt Widgets), and what Qt loads as plugins:
# the settings store's SQLite driver and the window's platform plugins.
names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
for dep in libqt6widgets6 libqt6sql6-sqlite qt6-qpa-plugins; do
  grep -qx "$dep" <<<"$names" || fail "Depends lacks $dep: $depends"
done

# Exactly these files, owned by root.
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ {print $6}' <<<"$listing" | sort)
expected=$(sort <<'LIST'
./usr/bin/eqset
./usr/bin/eqset-sim
./usr/share/applications/eqset.desktop
./usr/share/doc/eqset/changelog.gz
./usr/share/doc/eqset/copyright
./usr/share/icons/hicolor/scalable/apps/eqset.svg
LIST
)
if [ "$files" != "$expected" ]; then
  fail "packaged files differ from the expected ones:"
  diff <(echo "$expected") <(echo "$files") || true
fi

root=$work/root
dpkg-deb -x "$deb" "$root"
sh "$here/version_check.sh" "$root/usr/bin/eqset" "$version" || fail "unpacked eqset --version"

desktop=$root/usr/share/applications/eqset.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses eqset.desktop"

copyright=$root/usr/share/doc/eqset/copyright
grep -qx 'Copyright: 2026 the EQSet authors' "$copyright" || fail "copyright names no holder"
grep -qx ' Permission is hereby granted, free of charge, to any person obtaining a copy' "$copyright" ||
  fail "copyright lacks the licence text"

# Warnings (no manual pages) are accepted, errors (an unstripped binary, say)
# are not.
lintian --fail-on error "$deb" 2>/dev/null || fail "lintian reports errors"

exit "$failed"
