#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer tree and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup-deps.sh
BUILD=${KELVO_TEST_BUILD:-build-asan}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELVO_SANITIZE=ON -DKELVO_TESTS=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" "$@"
