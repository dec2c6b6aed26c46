#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang into build-fuzz/ and runs each
# for a few seconds over its seed corpus. Fails on any crash, leak or broken
# invariant; the input that did it is kept under build-fuzz/findings/.
#
#   EQSET_FUZZ_SECONDS=600 scripts/fuzz.sh   # longer runs
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

seconds=${EQSET_FUZZ_SECONDS:-5}
targets=(paramfile curvefile reply settingsstore levelconversion settingsfile tuningkeep)

cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz -j "$(nproc)"

# New inputs go to a scratch folder (libFuzzer writes into the first corpus
# folder it is given); fuzz/corpus stays as committed.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p build-fuzz/findings

failed=()
for t in "${targets[@]}"; do
  mkdir -p "$scratch/$t"
  echo "fuzz: $t for ${seconds}s"
  if ! build-fuzz/fuzz_"$t" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="build-fuzz/findings/$t-" "$scratch/$t" "fuzz/corpus/$t" \
      >"$scratch/$t.log" 2>&1; then
    cat "$scratch/$t.log"
    failed+=("$t")
  else
    grep -E '^#[0-9]+[[:space:]]+DONE' "$scratch/$t.log" || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: finding in ${failed[*]}; the inputs are in build-fuzz/findings/" >&2
  exit 1
fi
