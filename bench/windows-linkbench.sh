#!/usr/bin/env bash
# The link benchmark's full waits and 快速通讯 for the Windows build under Wine,
# against eqset-sim on a pseudo-terminal known to Wine as COM7, then the Linux
# build's on the same machine. Prints figures; passes or fails nothing.
#   bench/windows-linkbench.sh [RUNS]
# Needs scripts/windows.sh's build-windows/ and the Linux build in build/.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-7}
win=$repo/build-windows/win
qt=$(sed -n 's/^EQSET_QT_PREFIX:[A-Z]*=//p' "$win/CMakeCache.txt")
prefix=$repo/build-windows/bench-wineprefix
dll_path="Z:$qt/bin|Z:/usr/lib/gcc/x86_64-w64-mingw32/12-posix|Z:/usr/x86_64-w64-mingw32/lib"
work=$(mktemp -d)
sim_pid=
finish() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

ninja -C "$win" linkbench >/dev/null
"$repo/cmake/wine-run.sh" "$prefix" "$dll_path" cmd /c exit </dev/null >/dev/null 2>&1 || true
rm -f "$prefix/dosdevices/com7"
"$repo/build-windows/host/bin/eqset-sim" --link "$prefix/dosdevices/com7" </dev/null >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do grep -qx ready "$work/sim.out" && break; sleep 0.1; done
echo "== Windows build under Wine $(wine --version 2>/dev/null), COM7 -> $(readlink "$prefix/dosdevices/com7")"
"$repo/cmake/wine-run.sh" "$prefix" "$dll_path" "$win/bin/linkbench.exe" --fast --runs "$runs" | tr -d '\r' || true
kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
sim_pid=
echo
echo "== Linux build, pseudo-terminal"
ninja -C "$repo/build" linkbench >/dev/null
"$repo/build/bin/linkbench" --fast --runs "$runs" || true
