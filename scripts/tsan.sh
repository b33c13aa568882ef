#!/usr/bin/env bash
# Builds a ThreadSanitizer tree and runs the threaded tests (label "threaded").
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_TSAN=ON >/dev/null
cmake --build build-tsan -j "$(nproc)"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
ctest --test-dir build-tsan --output-on-failure -L threaded -j "$(nproc)" "$@"
