#!/usr/bin/env bash
# Cross-builds Qt 6.4.2 (qtbase, Qt Serial Port, Qt Charts) for 64-bit Windows
# with Debian 12's mingw-w64 into a cache folder outside the repository.
#
#   scripts/windows-qt.sh [CACHE]     CACHE defaults to /var/cache/eqset-windows
#
# qtbase comes from Debian's qt6-base source package with Debian's cve-2023-*
# fixes, the SQLite amalgamation built from Debian's sqlite3 source package and
# Wine's wintab headers. Qt Serial Port and Qt Charts come from the archives in
# ../shared/third-party (EQSET_THIRD_PARTY overrides the folder).
#
# Resumable and idempotent: every finished step leaves a stamp in the cache, the
# ninja build folders stay there, so an interrupted run goes on where it stopped
# and a finished install returns at once. The last line printed is the Qt prefix.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${1:-/var/cache/eqset-windows}
prefix=$cache/qt
stamps=$cache/stamps
done_stamp=$prefix/.eqset-qt-6.4.2-complete
third_party=${EQSET_THIRD_PARTY:-$(dirname "$repo")/shared/third-party}
qt_version=6.4.2

say() { echo "windows-qt: $*"; }

if [ -f "$done_stamp" ]; then
  say "Qt $qt_version for Windows is already installed in $prefix"
  echo "$prefix"
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

# --- The add-on archives: look before hours of work, not after. ---------------
addon_archive() { # module -> path of its source archive, or nothing
  local m=$1 f
  for f in "$third_party/$m-$qt_version.tar.xz" "$third_party/$m-everywhere-src-$qt_version.tar.xz"; do
    if [ -f "$f" ]; then echo "$f"; return 0; fi
  done
  return 0
}
missing_addons=()
for m in qtserialport qtcharts; do
  [ -n "$(addon_archive "$m")" ] || missing_addons+=("$m")
done
if [ ${#missing_addons[@]} -gt 0 ]; then
  for m in "${missing_addons[@]}"; do
    echo "windows-qt: missing the Qt $qt_version sources of $m: put $m-$qt_version.tar.xz" \
         "(git archive --prefix=$m-$qt_version/ of tag v$qt_version) or Qt's release archive" \
         "$m-everywhere-src-$qt_version.tar.xz into $third_party (or set EQSET_THIRD_PARTY)" >&2
  done
  exit 1
fi
if [ -f "$third_party/SHA256SUMS" ]; then
  for m in qtserialport qtcharts; do
    f=$(addon_archive "$m")
    sum=$(awk -v n="$(basename "$f")" '$2 == n || $2 == "*" n { print $1 }' "$third_party/SHA256SUMS")
    if [ -n "$sum" ]; then
      echo "$sum  $f" | sha256sum -c --quiet - || { echo "windows-qt: $f does not match SHA256SUMS" >&2; exit 1; }
    fi
  done
  say "add-on archives match $third_party/SHA256SUMS"
fi

# --- 1. Packages. ------------------------------------------------------------
packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine libwine-dev nsis dpkg-dev
  build-essential cmake ninja-build pkg-config tcl xz-utils patch
  qt6-base-dev qt6-base-dev-tools
)
bash "$repo/scripts/setup.sh" "${packages[@]}"

mkdir -p "$cache" "$stamps"
cache=$(cd "$cache" && pwd)
prefix=$cache/qt
stamps=$cache/stamps
done_stamp=$prefix/.eqset-qt-6.4.2-complete

# Wine runs configure-time test programs through the toolchain's emulator: give
# it a prefix in the cache and no prompts for Mono or Gecko.
export WINEPREFIX=$cache/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# --- 2. Sources. -------------------------------------------------------------
src_list=/etc/apt/sources.list.d/eqset-src.sources
if ! grep -qs '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources \
   && ! grep -qs '^deb-src .* bookworm' /etc/apt/sources.list /etc/apt/sources.list.d/*.list; then
  say "adding deb-src entries in $src_list"
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
    | "${sudo_cmd[@]}" tee "$src_list" >/dev/null
  "${sudo_cmd[@]}" apt-get update -qq
fi

debsrc=$cache/debian-sources
mkdir -p "$debsrc"
fetch_source() { # source package -> its .dsc in $debsrc
  local pkg=$1 dsc
  dsc=$(ls "$debsrc"/"${pkg}"_*.dsc 2>/dev/null | head -n1 || true)
  if [ -z "$dsc" ]; then
    say "downloading Debian's $pkg sources" >&2
    (cd "$debsrc" && apt-get source --download-only -qq "$pkg" >/dev/null)
    dsc=$(ls "$debsrc"/"${pkg}"_*.dsc | head -n1)
  fi
  echo "$dsc"
}

qtsrc=$cache/src/qtbase
if [ ! -f "$stamps/qtbase-sources" ]; then
  qt_dsc=$(fetch_source qt6-base)
  sqlite_dsc=$(fetch_source sqlite3)
  staging=$cache/src/qtbase.partial
  rm -rf "$staging" "$qtsrc" "$cache/src/sqlite3"
  mkdir -p "$cache/src"
  say "unpacking $(basename "$qt_dsc")"
  dpkg-source --skip-patches -x "$qt_dsc" "$staging" >/dev/null

  # Debian's own security fixes; its build patches are for Linux and not needed.
  cves=$(grep -iE '^cve-2023-' "$staging/debian/patches/series" | awk '{print $1}' || true)
  for p in $cves; do
    say "applying debian/patches/$p"
    patch -d "$staging" -p1 --forward --quiet < "$staging/debian/patches/$p"
  done

  # Debian's qtbase lacks the bundled SQLite: the amalgamation from Debian's sqlite3.
  say "building the SQLite amalgamation from $(basename "$sqlite_dsc")"
  dpkg-source -x "$sqlite_dsc" "$cache/src/sqlite3" >/dev/null
  (cd "$cache/src/sqlite3" && ./configure --disable-tcl >/dev/null && make -s sqlite3.c >/dev/null)
  mkdir -p "$staging/src/3rdparty/sqlite"
  cp "$cache/src/sqlite3"/{sqlite3.c,sqlite3.h,sqlite3ext.h} "$staging/src/3rdparty/sqlite/"

  # ... and the wintab headers: Wine's (LGPL) behind a shim for what Wine's own
  # headers define and mingw's do not.
  wine_inc=$(dirname "$(dpkg -L libwine-dev | grep -m1 '/wine/windows/wintab\.h$')")
  wt=$staging/src/3rdparty/wintab
  mkdir -p "$wt"
  cp "$wine_inc/wintab.h" "$wt/wine-wintab.h"
  cp "$wine_inc/pktdef.h" "$wt/wine-pktdef.h"
  cat > "$wt/wintab.h" <<'SHIM'
/* Wine's wintab.h (LGPL-2.1-or-later) with the macros Wine's own headers provide. */
#ifndef EQSET_WINTAB_SHIM_H
#define EQSET_WINTAB_SHIM_H
#include <windows.h>
#ifndef WINELIB_NAME_AW
# ifdef UNICODE
#  define WINELIB_NAME_AW(func) func##W
# else
#  define WINELIB_NAME_AW(func) func##A
# endif
#endif
#ifndef DECL_WINELIB_TYPE_AW
# define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;
#endif
#ifndef API
# define API WINAPI
#endif
#include "wine-wintab.h"
#endif
SHIM
  cat > "$wt/pktdef.h" <<'SHIM'
/* Wine's pktdef.h (LGPL-2.1-or-later); it is included once per PACKETDATA. */
#include "wintab.h"
#include "wine-pktdef.h"
SHIM
  mv "$staging" "$qtsrc"
  touch "$stamps/qtbase-sources"
fi

# --- 3. qtbase: configure, build, install. -----------------------------------
toolchain=$cache/mingw-w64.cmake
{ echo "set(EQSET_QT_PREFIX \"$prefix\")"; cat "$repo/cmake/mingw-w64.cmake"; } > "$toolchain.new"
if cmp -s "$toolchain.new" "$toolchain"; then rm "$toolchain.new"; else mv "$toolchain.new" "$toolchain"; fi

qtbuild=$cache/build/qtbase
mkdir -p "$qtbuild"
if [ ! -f "$stamps/qtbase-configured" ] || [ ! -f "$qtbuild/build.ninja" ]; then
  say "configuring qtbase in $qtbuild"
  (cd "$qtbuild" && "$qtsrc/configure" -prefix "$prefix" -release -shared \
    -xplatform win32-g++ -qt-host-path /usr -nomake examples -nomake tests \
    -no-opengl -no-dbus -no-icu -no-glib -no-feature-vulkan -no-feature-network \
    -no-feature-concurrent -no-feature-xml -qt-zlib -qt-libpng -qt-libjpeg \
    -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion \
    -sql-sqlite -qt-sqlite -no-sql-odbc -no-sql-psql -no-sql-mysql \
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
  touch "$stamps/qtbase-configured"
fi

start=$SECONDS
if [ ! -f "$stamps/qtbase-built" ]; then
  say "building qtbase ($(nproc) cores); an interrupted build resumes from $qtbuild"
  nice ninja -C "$qtbuild"
  touch "$stamps/qtbase-built"
fi
if [ ! -f "$stamps/qtbase-installed" ]; then
  cmake --install "$qtbuild" >/dev/null
  touch "$stamps/qtbase-installed"
fi
qtbase_seconds=$((SECONDS - start))
say "qtbase built and installed in $((qtbase_seconds / 60)) min $((qtbase_seconds % 60)) s (this run)"

# --- Qt Serial Port and Qt Charts. -------------------------------------------
for m in qtserialport qtcharts; do
  [ -f "$stamps/$m-installed" ] && continue
  archive=$(addon_archive "$m")
  msrc=$cache/src/$m
  if [ ! -f "$stamps/$m-sources" ]; then
    rm -rf "$msrc" && mkdir -p "$msrc"
    tar -xJf "$archive" -C "$msrc" --strip-components=1
    touch "$stamps/$m-sources"
  fi
  mbuild=$cache/build/$m
  mkdir -p "$mbuild"
  m_start=$SECONDS
  if [ ! -f "$mbuild/build.ninja" ]; then
    say "configuring $m"
    (cd "$mbuild" && "$prefix/bin/qt-configure-module" "$msrc")
  fi
  say "building $m"
  (cd "$mbuild" && nice cmake --build . && cmake --install . >/dev/null)
  touch "$stamps/$m-installed"
  say "$m built and installed in $((SECONDS - m_start)) s"
done

touch "$done_stamp"
total=$((SECONDS - start))
say "Qt build and install took $((total / 60)) min $((total % 60)) s (this run)"
say "installed size: $(du -sh "$prefix" | cut -f1) in $prefix"
echo "$prefix"
