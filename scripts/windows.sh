#!/usr/bin/env bash
# Makes the Windows release of EQSet on Debian 12: a 64-bit NSIS installer.
#
#   scripts/windows.sh [CACHE]      CACHE defaults to /var/cache/eqset-windows
#
# 1. installs the cross tools (mingw-w64, posix threads), Wine and NSIS;
# 2. builds Qt 6.4.2 for Windows into CACHE once (scripts/windows-qt.sh; later
#    runs reuse it);
# 3. cross-builds eqset.exe and its tests (build-windows/win), and eqset-sim for
#    this machine (build-windows/host);
# 4. runs the tests under Wine in the build's own Wine prefix, the COM7 test
#    against eqset-sim included;
# 5. gathers the program folder (build-windows/bundle) and makes the installer;
# 6. tests the installer: a silent install into a fresh Wine prefix as an
#    ordinary user, the installed eqset.exe --version, a first start storing
#    its settings in that user's application data, and the uninstaller.
# Every Wine process it started is ended when it stops. The last line printed
# is the installer's path.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${1:-/var/cache/eqset-windows}
out=$repo/build-windows
triplet=x86_64-w64-mingw32
runtime_dirs=(/usr/lib/gcc/$triplet/12-posix /usr/$triplet/lib)
started=$(date +%s)

say() { echo "windows: $*"; }
elapsed() { echo "$(($(date +%s) - started)) s"; }

# --- 1. Tools ----------------------------------------------------------------
bash "$repo/scripts/setup.sh" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 wine nsis librsvg2-bin xdotool

# --- 2. Qt for Windows ---------------------------------------------------------
qt_started=$(date +%s)
qt=$(bash "$repo/scripts/windows-qt.sh" "$cache" | tail -n 1)
say "Qt for Windows in $qt ($(du -sh "$qt" | cut -f1), $(($(date +%s) - qt_started)) s this run)"

# Every Wine prefix this script uses; their servers are ended on the way out.
prefixes=("$out/wineprefix")
end_wine() {
  for p in "${prefixes[@]}"; do
    [ -d "$p" ] && WINEPREFIX=$p wineserver -k 2>/dev/null || true
  done
}
trap end_wine EXIT

# --- 3. Builds -----------------------------------------------------------------
say "building eqset-sim for this machine"
cmake -S "$repo" -B "$out/host" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
nice ninja -C "$out/host" eqset-sim >/dev/null
say "cross-building eqset.exe and its tests"
cmake -S "$repo" -B "$out/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" -DEQSET_QT_PREFIX="$qt" \
  -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DEQSET_WINEPREFIX="$out/wineprefix" -DEQSET_HOST_SIM="$out/host/bin/eqset-sim" >/dev/null
nice ninja -C "$out/win"
say "built ($(elapsed))"

# --- 4. Tests under Wine ---------------------------------------------------------
say "running the tests under Wine"
ctest_log=$out/ctest-wine.log
# One Wine server for the whole run, started here with its services' output
# going nowhere: a server that ends and starts again between tests can hang a
# test's start, and services that inherit CTest's pipe would hold CTest open.
export WINEPREFIX=$out/wineprefix
"$repo/cmake/wine-run.sh" "$WINEPREFIX" "Z:$qt/bin" cmd /c exit </dev/null >/dev/null 2>&1 || true
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1
wineserver -p >/dev/null 2>&1
"$repo/cmake/wine-run.sh" "$WINEPREFIX" "Z:$qt/bin" cmd /c exit </dev/null >/dev/null 2>&1 || true
unset WINEPREFIX
set +e
(cd "$out/win" && ctest -j2 --timeout 300 --output-on-failure) 2>&1 | tee "$ctest_log"
ctest_rc=${PIPESTATUS[0]}
set -e
summary=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$ctest_log" | tail -n 1)
say "tests under Wine: ${summary:-no summary}"
[ "$ctest_rc" -eq 0 ] || { say "tests failed under Wine"; exit 1; }

# --- 5. The program folder -------------------------------------------------------
bundle=$out/bundle
rm -rf "$bundle"
mkdir -p "$bundle"/{platforms,sqldrivers,styles,imageformats,translations,fonts,licenses}
strip_copy() { "$triplet-strip" --strip-unneeded -o "$2" "$1"; }
strip_copy "$out/win/bin/eqset.exe" "$bundle/eqset.exe"
for p in platforms/qwindows.dll sqldrivers/qsqlite.dll styles/qwindowsvistastyle.dll \
         imageformats/qjpeg.dll imageformats/qgif.dll imageformats/qico.dll; do
  strip_copy "$qt/plugins/$p" "$bundle/$p"
done
# The DLLs every binary imports, found in Qt's bin folder or the mingw
# runtime; Windows' own DLLs are found nowhere here and stay out.
find_dll() {
  local d
  for d in "$qt/bin" "${runtime_dirs[@]}"; do
    [ -f "$d/$1" ] && { echo "$d/$1"; return 0; }
  done
  return 0
}
queue=("$bundle/eqset.exe" "$bundle"/{platforms,sqldrivers,styles,imageformats}/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
  binary=${queue[0]}
  queue=("${queue[@]:1}")
  while read -r dll; do
    [ -e "$bundle/$dll" ] && continue
    source_dll=$(find_dll "$dll")
    [ -n "$source_dll" ] || continue
    strip_copy "$source_dll" "$bundle/$dll"
    queue+=("$bundle/$dll")
  done < <("$triplet-objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
done
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$bundle/translations/"
cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$bundle/fonts/"
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$bundle/qt.conf"
cp "$out/win/packaging/windows/eqset.ico" "$bundle/"
version=$(sed -n 's/^project(EQSet VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")
qt_debian_version=$(sed -n 's/^Version: //p' "$cache"/debian-sources/qt6-base_*.dsc | head -n 1)
crlf() { sed 's/$/\r/' "$@"; }  # a file, or standard input
{
  printf '\xef\xbb\xbf'
  sed -e "s/@VERSION@/$version/g" -e "s/@QT_VERSION@/6.4.2/g" \
      -e "s/@QT_DEBIAN_VERSION@/${qt_debian_version:-6.4.2}/g" \
      "$repo/packaging/windows/notes.txt" | crlf
} >"$bundle/许可证.txt"
crlf "$repo/LICENSE" >"$bundle/licenses/EQSet-MIT.txt"
for l in GPL-3 LGPL-3 Apache-2.0; do crlf "/usr/share/common-licenses/$l" >"$bundle/licenses/$l.txt"; done
say "program folder: $(find "$bundle" -type f | wc -l) files, $(du -sh "$bundle" | cut -f1)"

# The uninstaller removes exactly these files, then the folders left empty.
filelist=$out/uninstall-files.nsh
(
  cd "$bundle"
  find . -type f | sort | sed -e 's|^\./||' -e 's|/|\\|g' -e 's|^|Delete "$INSTDIR\\|' -e 's|$|"|'
  find . -mindepth 1 -type d | sort -r | sed -e 's|^\./||' -e 's|/|\\|g' -e 's|^|RMDir "$INSTDIR\\|' -e 's|$|"|'
) >"$filelist"

# --- 6. The installer -------------------------------------------------------------
installer=$out/EQSet-$version-windows-x64-setup.exe
size_kb=$(du -sk "$bundle" | cut -f1)
nsis_started=$(date +%s)
makensis -V2 -DVERSION="$version" -DBUNDLE="$bundle" -DFILELIST="$filelist" \
  -DOUTFILE="$installer" -DSIZE_KB="$size_kb" "$repo/packaging/windows/eqset.nsi"
say "installer: $(du -h "$installer" | cut -f1) ($(stat -c %s "$installer") bytes), makensis $(($(date +%s) - nsis_started)) s"

prefixes+=("$out/install-test/prefix")
bash "$repo/packaging/windows/installer_test.sh" "$installer" "$version" "$out/install-test" \
  "$out/host/bin/eqset-sim"

say "done in $(elapsed)"
echo "$installer"
