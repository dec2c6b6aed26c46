#!/bin/sh
# Runs a cross-built Windows program under Wine, for CTest and the scripts:
#   wine-run.sh PREFIX DLLPATH PROGRAM [ARGS...]
# PREFIX is the build's own Wine prefix (made on first use), DLLPATH the
# folders holding Qt's and the mingw runtime's DLLs, separated by '|' (a ';'
# would split CMake's emulator list).
set -eu
prefix=$1
dll_path=$2
shift 2
export WINEPREFIX="$prefix"
export WINEPATH="$(printf '%s' "$dll_path" | tr '|' ';')"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: their download prompts cannot be answered here.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  # Tests run in parallel: one of them makes the prefix, the others wait.
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w
    fi
  ) 9>"$prefix.lock"
fi
exec wine "$@"
