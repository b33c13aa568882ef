#!/usr/bin/env bash
# Runs the toolkit demo under Xvfb and saves PNGs of its windows into out/:
#   LoginForm.png, msgForm.png, waitForm.png, UserAuthForm.png, KelvoMainForm.png,
#   MpuCustomDlg.png (layout chooser), MenuWnd.png (camera menu) (each window's first frame)
#   screen-login.png (the whole virtual screen while the login window is up)
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-out}
demo="$build/bin/duilib_demo"
if [ ! -x "$demo" ]; then
  echo "screenshot: $demo not built (cmake --build $build --target duilib_demo)" >&2
  exit 1
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "screenshot: xvfb-run missing (apt-get install xvfb)" >&2
  exit 1
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)
export SDL_VIDEODRIVER=x11
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$0" --shot "$1" &
  pid=$!
  sleep 0.4
  if command -v import >/dev/null 2>&1; then import -window root "$1/screen-login.png" || true; fi
  wait $pid
' "$demo" "$out"
ls -1 "$out"/*.png
