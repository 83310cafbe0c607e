#!/usr/bin/env bash
# Builds Stashwick and runs every test through CTest (labels: unit, ui, x11). Installs the
# Debian packages it needs first when any are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTASHWICK_WERROR=ON >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure --no-tests=error "$@"
