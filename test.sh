#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
ensure_packages "${ORVEL_BUILD_PACKAGES[@]}"

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVEL_WERROR=ON
cmake --build build/test
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/test --output-on-failure -j2
