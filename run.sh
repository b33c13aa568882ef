#!/usr/bin/env bash
# Runs the product against its embedded default: the KelvoSim demo cloud on
# 127.0.0.1:8116. Installs what is missing and builds first.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)"

SIM_LOG=$(mktemp)
./build/bin/KelvoSim --port 8116 >"$SIM_LOG" 2>&1 &
SIM_PID=$!
trap 'kill "$SIM_PID" 2>/dev/null || true; wait "$SIM_PID" 2>/dev/null || true; rm -f "$SIM_LOG"' EXIT
for _ in $(seq 1 100); do
  grep -q "KelvoSim ready" "$SIM_LOG" && break
  kill -0 "$SIM_PID" 2>/dev/null || { cat "$SIM_LOG"; echo "run.sh: KelvoSim did not start" >&2; exit 1; }
  sleep 0.1
done

if [ -x build/bin/KelvoView ]; then
  exec_status=0
  ./build/bin/KelvoView || exec_status=$?
  exit $exec_status
fi
# No viewer yet: show the library working against the simulator.
./build/bin/kelvoprobe --host 127.0.0.1 --port 8116 --user demo --password demo
