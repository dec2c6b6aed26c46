#!/usr/bin/env bash
# Builds EQSet and runs every test: unit, window, integration and interop, then
# the unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer,
# then each fuzz target for a few seconds over its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
# One test more than cores: the integration tests spend most of their time
# waiting on the line to the simulator.
(cd build && ctest --output-on-failure -j "$((jobs + 1))" --timeout 300)

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DEQSET_SANITIZE=ON -DEQSET_UNIT_ONLY=ON >/dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest -L unit --output-on-failure -j "$jobs" --timeout 300)
bash scripts/fuzz.sh
