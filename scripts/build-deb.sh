#!/usr/bin/env bash
# Builds the Debian package of Kelvoran (kelvoran and kelvoran-batch, desktop entry, icon, file
# types, examples) into build-deb/ and prints its path and its dependencies.
# Usage: scripts/build-deb.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}

scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DKELVORAN_BUILD_GUI=ON -DKELVORAN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target kelvoran kelvoran-batch
# Depends comes from dpkg-shlibdeps over the installed binaries plus the SQL driver plugins.
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/kelvoran_*.deb | head -1)
echo "$deb"
dpkg-deb --field "$deb" Package Version Depends Recommends
