#!/usr/bin/env bash
# Builds the sanitized test tree and runs the fault-injection soak:
#   scripts/soak.sh SECONDS      e.g. scripts/soak.sh 1800
# Prints one line per fault cycle and the resource figures at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/soak.sh SECONDS}
bash scripts/setup-deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELVO_SANITIZE=ON >/dev/null
cmake --build build-asan --target soak_faults KelvoSim -j2
# A small quarantine keeps ASan's own memory from reading as growth.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:quarantine_size_mb=16
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export KELVO_BUILD_DIR=$PWD/build-asan KELVO_SOURCE_DIR=$PWD KELVO_SOAK_SECONDS=$seconds
echo "soak: $(date -u) load $(cut -d' ' -f1-3 /proc/loadavg)"
build-asan/tests/soak_faults --gtest_color=no
echo "soak: $(date -u) load $(cut -d' ' -f1-3 /proc/loadavg)"
