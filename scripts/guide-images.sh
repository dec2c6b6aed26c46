#!/usr/bin/env bash
# Makes the pictures of docs/使用说明.md again, into docs/images/: builds
# EQSet, starts the simulated processor on a pseudo-terminal and runs
# build/bin/guideshots, which opens the real window at 1366x768 connected to
# it, goes through the pages, tunes the left channel with "全自动均衡", writes
# a commissioning report and opens the line monitor, taking a picture of each.
# Everything the program writes (settings store, "用户数据") goes to a
# temporary program folder; the simulator is stopped at the end, whatever
# happens.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j 2 --target guideshots eqset-sim

bin=$PWD/build/bin
out=$PWD/docs/images
port=7
work=$(mktemp -d)
# The program folder as the pictures show it (the file dialogs name it).
folder=$work/EQSet
mkdir -p "$folder"
sim=
cleanup() {
  if [ -n "$sim" ]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The simulator's port is linked as ports/com7 in the temporary program folder.
"$bin/eqset-sim" --com "$port" --dir "$folder" --seed 1 >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 50); do grep -q '^ready' "$work/sim.log" && break; sleep 0.1; done
grep -q '^ready' "$work/sim.log" || { cat "$work/sim.log"; echo "the simulator did not start" >&2; exit 1; }

mkdir -p "$out"
rm -f "$out"/*.png
QT_QPA_PLATFORM=offscreen "$bin/guideshots" "$folder" "$port" "$out" | tee "$work/shots.log"

# The report's first page, as the technician sees it in a PDF viewer.
report=$(sed -n 's/^report //p' "$work/shots.log")
if [ -n "$report" ] && command -v pdftoppm >/dev/null; then
  pdftoppm -png -r 75 -f 1 -l 1 -singlefile "$report" "$out/07-调试报告"
fi
ls -l "$out"
