#!/usr/bin/env bash
# Builds the Debian package of EQSet (eqset and eqset-sim, desktop entry,
# icon, copyright) in build-package/ with CPack, and prints the package's path
# as the last line. Install it with: apt install ./build-package/eqset_<version>_<arch>.deb
# The normal build/ folder is not touched.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# Debian's own compiler and linker flags (hardening, reproducible paths) on top
# of a Release build; the debug information -g adds is stripped by CPack.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
# Only what the package holds: the tests and benchmarks are not built here.
cmake --build build-package -j "$(nproc)" --target eqset eqset-sim
rm -f build-package/eqset_*.deb
(cd build-package && cpack -G DEB >/dev/null)

debs=(build-package/eqset_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "package.sh: cpack made no single package in build-package/" >&2
  exit 1
fi
realpath "${debs[0]}"
