#!/usr/bin/env bash
# The Windows link end to end: eqset-sim (the Linux build) on a pseudo-terminal
# that the Wine prefix knows as COM7, and com_test.exe under Wine against it.
#   com_test.sh SIM WINE_RUN PREFIX DLLPATH COM_TEST_EXE
# Passes when the program's tests pass and the simulator's trace holds the
# program's frames and the simulator's replies.
set -euo pipefail
sim=$1 wine_run=$2 prefix=$3 dll_path=$4 exe=$5
work=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The prefix must exist before its dosdevices folder can take the port.
"$wine_run" "$prefix" "$dll_path" cmd /c exit >/dev/null 2>&1 || true
link=$prefix/dosdevices/com7
rm -f "$link"
"$sim" --link "$link" --trace "$work/trace" >"$work/sim.out" 2>"$work/sim.err" </dev/null &
sim_pid=$!
for _ in $(seq 100); do
  grep -qx ready "$work/sim.out" 2>/dev/null && break
  sleep 0.1
done
grep -qx ready "$work/sim.out" || { echo "com_test: eqset-sim did not start"; cat "$work/sim.err"; exit 1; }
echo "com_test: COM7 -> $(readlink "$link")"

"$wine_run" "$prefix" "$dll_path" "$exe"

# What crossed the line, as the simulator saw it.
echo "com_test: the simulator's trace"
cat "$work/trace"
fail=0
want() { # pattern, meaning
  if grep -Eq -- "$1" "$work/trace"; then echo "com_test: trace has $2"; else echo "com_test: trace lacks $2"; fail=1; fi
}
want " in +01 03 00 00 00 10 44 06$" "the block read of registers 0..15"
want " out 01 03 20( 00 0F){16} CF 09$" "its reply: sixteen flat cells"
want " in +01 06 00 21 00 13 98 0D$" "the write of register 33 = 19"
want " out 01 06 00 21 00 13 98 0D$" "its echo"
exit $fail
