#!/usr/bin/env bash
# Builds EQSet, starts the simulated processor on a pseudo-terminal linked as
# Com7 in the program folder, and opens the program connected to it. Closing
# the program stops the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target eqset eqset-sim

bin=build/bin
port=7
sim_log=$(mktemp)
# The simulator's console: "mic K" written here moves its microphone to
# measurement position K, as "全场均衡" asks.
console="$bin/sim-console"
rm -f "$console"
mkfifo "$console"
exec 3<>"$console"
"$bin/eqset-sim" --com "$port" --dir "$bin" --seed 1 <&3 >"$sim_log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -f "$sim_log" "$console"' EXIT
for _ in $(seq 50); do grep -q '^ready' "$sim_log" && break; sleep 0.1; done
grep -q '^ready' "$sim_log" || { cat "$sim_log"; echo "the simulator did not start" >&2; exit 1; }
echo "simulated processor on $(head -n 1 "$sim_log"), linked as $bin/ports/com$port"
echo "to move its microphone for 全场均衡: echo 'mic 2' > $console"

# First run: no settings store yet. Create it with the simulator's port chosen,
# so the program connects at once; an existing store is left as it is.
if [ ! -e "$bin/TarnDB.mdb" ]; then
  /usr/bin/python3 - "$bin/TarnDB.mdb" "Com$port" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
fields = ["U_Main_Com"] + [f"CmbCopy{i}" for i in range(6)] + ["EqMode", "TypeSig", "MicZero"]
db.execute("CREATE TABLE IF NOT EXISTS TabUser (" + ", ".join(f + " TEXT" for f in fields) + ")")
db.execute("INSERT INTO TabUser VALUES (?,?,?,?,?,?,?,?,?,?)",
           (sys.argv[2], "右", "左", "左", "无", "右环", "左环", "ISO2969", "粉噪源测试", "0"))
db.commit()
PY
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: opening the program on a virtual X display"
  xvfb-run -a -s "-screen 0 1366x768x24" "$bin/eqset"
else
  "$bin/eqset"
fi
