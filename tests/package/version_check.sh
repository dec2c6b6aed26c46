#!/bin/sh
# version_check.sh EQSET VERSION
# "eqset --version" prints exactly "EQSet VERSION" and exits 0 with no display
# and the xcb platform asked for, where a program that built its window first
# would abort (checked too, or the first check would prove nothing).
set -eu
ulimit -c 0
headless() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$@"; }
out=$(headless "$1" --version 2>&1) || { echo "exit status $?: $out"; exit 1; }
[ "$out" = "EQSet $2" ] || { echo "printed: $out"; exit 1; }
if headless timeout 20 "$1" >/dev/null 2>&1; then
  echo "without --version the program ran with no display: this check proves nothing"
  exit 1
fi
