#!/usr/bin/env bash
# Installs what is missing, builds, starts the test database servers and runs every test.
# Extra arguments go to ctest (e.g. ./test.sh -R Settings).
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
build=$root/build

scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DKELVORAN_BUILD_TESTS=ON -DKELVORAN_BUILD_GUI=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

# shellcheck source=scripts/test-servers.sh
source scripts/test-servers.sh
trap kelvoran_servers_stop EXIT
kelvoran_servers_start "$build"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
