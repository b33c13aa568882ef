#!/usr/bin/env bash
# Runs the real viewer against the simulator under Xvfb with 4, 9 and 16 D1
# views and the bare loop beside it; prints one line per figure.
# Usage: viewer-bench.sh BUILD_DIR [SECONDS]   (a Release build with -DKELVO_BENCH=ON)
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
secs=${2:-15}
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d /tmp/kelvo-viewer-bench-XXXXXX)
config="$build/bin/Config.dat"
[ -e "$config" ] && { echo "viewer-bench: $config is in the way" >&2; exit 1; }
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -f "$config"
  [ -n "${KEEP:-}" ] || rm -rf "$tmp"
}
trap cleanup EXIT
now() { date +%s%3N; }

d=95
while [ -e /tmp/.X11-unix/X$d ]; do d=$((d + 1)); done
export DISPLAY=:$d
Xvfb "$DISPLAY" -screen 0 1600x900x24 >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$d ] && break; sleep 0.05; done

# Simulator lines, each stamped with the time it was read.
mkfifo "$tmp/sim.fifo"
"$build/bin/KelvoSim" --scenario "$here/wall16.json" --port 0 --cache-dir "$tmp" >"$tmp/sim.fifo" 2>/dev/null & pids+=($!)
(while IFS= read -r line; do echo "$(now) $line"; done <"$tmp/sim.fifo" >"$tmp/sim.log") & pids+=($!)
for _ in $(seq 600); do grep -q "media ready" "$tmp/sim.log" 2>/dev/null && break; sleep 0.1; done
central=$(grep -o "central=[^ ]*" "$tmp/sim.log" | head -1 | sed 's/.*://')

write_config() {  # cols rows
  cat >"$config" <<XML
<?xml version="1.0" encoding="UTF-8" ?>
<config><autoLogin>1</autoLogin><savePassword>1</savePassword><lastUser>demo</lastUser><lastPassword>ZGVtbw==</lastPassword><serverAddress>127.0.0.1</serverAddress><serverPort>$central</serverPort><videoCol>$1</videoCol><videoRow>$2</videoRow></config>
XML
}

stop() {  # SIGTERM, then SIGKILL after 5 s
  kill -TERM "$1" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_mb() { awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)

# Start-up: program start to the login window's first frame, and the login
# (sent right after that frame) to the first camera opened from the tree.
write_config 2 2
rm -rf "$tmp/shots"; mkdir -p "$tmp/shots"
lines=$(wc -l <"$tmp/sim.log")
t0=$(now)
KELVO_SHOT_DIR="$tmp/shots" KELVO_AUTOPLAY=1 XDG_RUNTIME_DIR="$tmp" "$build/bin/KelvoView" >/dev/null 2>&1 & viewer=$!
for _ in $(seq 300); do [ -e "$tmp/shots/LoginForm.png" ] && break; sleep 0.02; done
for _ in $(seq 300); do tail -n +$((lines + 1)) "$tmp/sim.log" | grep -q "stream start" && break; sleep 0.05; done
login_shown=$(stat -c %.3Y "$tmp/shots/LoginForm.png" | tr -d .)
tree=$(tail -n +$((lines + 1)) "$tmp/sim.log" | grep -m1 "stream start" | cut -d' ' -f1)
cameras=$(tail -n +$((lines + 1)) "$tmp/sim.log" | grep -m1 "cameras demo" | cut -d' ' -f1)
echo "startup start-to-login-window ms=$((login_shown - t0)) login-to-camera-list ms=$((cameras - login_shown)) login-to-first-camera-opened ms=$((tree - login_shown))"
stop $viewer

# The same without screenshots (saving them costs): the login window seen by the X server.
t0=$(now)
KELVO_AUTOPLAY=1 XDG_RUNTIME_DIR="$tmp" "$build/bin/KelvoView" >/dev/null 2>&1 & viewer=$!
for _ in $(seq 500); do xdotool search --onlyvisible --name '^LoginForm$' >/dev/null 2>&1 && break; sleep 0.005; done
echo "startup start-to-login-window-mapped ms=$(($(now) - t0))"
stop $viewer

for n in ${VIEWS:-4 9 16}; do
  side=$(awk -v n=$n 'BEGIN { s = int(sqrt(n)); if (s * s < n) s++; print s }')
  write_config "$side" "$side"
  for attempt in 1 2; do
    KELVO_WALL_STATS=1 KELVO_AUTOPLAY=$n XDG_RUNTIME_DIR="$tmp" "$build/bin/KelvoView" >/dev/null 2>"$tmp/viewer$n.log" & viewer=$!
    sleep 8
    kill -0 $viewer 2>/dev/null && break
    echo "viewer views=$n: ended during warm-up (attempt $attempt): $(head -c 300 "$tmp/viewer$n.log")" >&2
  done
  c0=$(cpu_ticks $viewer); w0=$(now)
  sleep "$secs"
  c1=$(cpu_ticks $viewer); w1=$(now)
  rss=$(rss_mb $viewer)
  cpu=$(awk -v c=$((c1 - c0)) -v hz="$hz" -v ms=$((w1 - w0)) 'BEGIN { printf "%.1f", 100 * c / hz / (ms / 1000) }')
  stats=$(grep "wall stats views=$n " "$tmp/viewer$n.log" | tail -1 | sed 's/wall stats views=[0-9]* //' || true)
  # Input to paint while saturated: clicks on the wall, timed from just before xdotool runs.
  lat=()
  for i in 1 2 3 4 5; do
    before=$(grep -c "wall input" "$tmp/viewer$n.log" || true)
    t=$(now)
    # The top row of panes, away from the toolbar at the bottom of the selected one.
    xdotool mousemove $((450 + i * 100)) 160 click 1
    got=
    for _ in $(seq 200); do [ "$(grep -c "wall input" "$tmp/viewer$n.log" || true)" -gt "$before" ] && got=1 && break; sleep 0.01; done
    if [ -n "$got" ]; then
      painted=$(grep "wall input" "$tmp/viewer$n.log" | sed -n "$((before + 1))p" | sed 's/.*painted at=\([0-9]*\).*/\1/')
      lat+=($((painted - t)))
    else
      lat+=(none)
    fi
    sleep 0.5
  done
  # The same wall unseen (unmapped, as a minimised window is): decoding stops.
  hidden=
  if w=$(xdotool search --name '^MainForm$' 2>/dev/null | head -1) && [ -n "$w" ]; then
    xdotool windowunmap "$w"
    sleep 3
    c0=$(cpu_ticks $viewer); w0=$(now)
    sleep "$secs"
    c1=$(cpu_ticks $viewer); w1=$(now)
    hidden=$(awk -v c=$((c1 - c0)) -v hz="$hz" -v ms=$((w1 - w0)) 'BEGIN { printf "%.1f", 100 * c / hz / (ms / 1000) }')
    xdotool windowmap "$w"
  fi
  kill -0 $viewer 2>/dev/null || echo "viewer views=$n: the viewer had ended (see its log)"
  stop $viewer
  bare=$("$build/bin/viewer_bare_loop" $n "$secs" 2>/dev/null)
  bcpu=$(echo "$bare" | sed 's/.*cpu%=\([0-9.]*\).*/\1/')
  echo "viewer views=$n cpu%=$cpu rss_mb=$rss $stats input-to-paint-ms=${lat[*]} hidden-cpu%=${hidden:-none} hidden/shown=$(awk -v h="${hidden:-0}" -v c="$cpu" 'BEGIN { printf "%.2f", h / c }') | $bare | ratio=$(awk -v a="$cpu" -v b="$bcpu" 'BEGIN { printf "%.2f", a / b }')"
done
