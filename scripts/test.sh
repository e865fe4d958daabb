#!/usr/bin/env bash
# Builds the project (release) and runs its tests.
#   BUILD_DIR  build folder (default build/release)
#   CMAKE_ARGS extra arguments for cmake (for example -DVARNO_SANITIZE=ON)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${BUILD_DIR:-build/release}
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" -j "$(nproc)" --output-on-failure
