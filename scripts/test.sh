#!/usr/bin/env bash
# Installs what is missing (Debian 12), configures, builds and runs every test.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DFOLIAN_BUILD_TESTS=ON
cmake --build build
ctest --test-dir build --output-on-failure -j2
