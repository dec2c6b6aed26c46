#!/bin/sh
# version_check.sh EQSET VERSION
# "eqset --version" prints exactly "EQSet VERSION" and a newline, nothing on
# stderr, and exits 0 without a display. The display is taken away and the xcb
# platform asked for, so a program that built its QApplication first would
# abort; that it does is checked too, or the first check would prove nothing.
set -eu
exe=$1
version=$2
ulimit -c 0
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
headless() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$@"; }

status=0
headless "$exe" --version >"$out" 2>"$err" || status=$?
failed=0
if [ "$status" -ne 0 ]; then
  echo "exit status $status"
  failed=1
fi
if ! printf 'EQSet %s\n' "$version" | cmp -s - "$out"; then
  echo "stdout is not \"EQSet $version\" and a newline:"
  od -c "$out" | head -5
  failed=1
fi
if [ -s "$err" ]; then
  echo "stderr is not empty:"
  cat "$err"
  failed=1
fi
if headless timeout 20 "$exe" >/dev/null 2>&1; then
  echo "without --version the program ran with no display: this check proves nothing"
  failed=1
fi
exit "$failed"
