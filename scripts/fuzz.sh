#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs one:
#   scripts/fuzz.sh TARGET SECONDS      e.g. scripts/fuzz.sh fuzz_session 60
# Corpora live in tests/fuzz/corpus/TARGET; findings land in build-fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET SECONDS}
seconds=${2:-60}
bash scripts/setup-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVO_SANITIZE=ON -DKELVO_FUZZ=ON -DKELVO_TESTS=ON >/dev/null
cmake --build build-fuzz --target "$target" -j "$(nproc)"
mkdir -p "tests/fuzz/corpus/$target" build-fuzz/findings
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
"build-fuzz/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix=build-fuzz/findings/ "tests/fuzz/corpus/$target"
