#!/usr/bin/env bash
# Installs every Debian package the build, tests, benchmarks and demo need.
# Skips what is installed; fails with a clear message when apt-get cannot help.
set -euo pipefail

PACKAGES=(
  build-essential g++ clang cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev libjpeg62-turbo-dev libturbojpeg0-dev libyuv-dev libtinyxml-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev libx264-dev
  libsdl2-dev libsdl2-ttf-dev libsdl2-image-dev libsdl2-mixer-dev libfontconfig-dev
  fonts-wqy-microhei
  libspandsp-dev
  nlohmann-json3-dev libcli11-dev libcpp-httplib-dev
  libclang-rt-14-dev libfuzzer-14-dev
  xvfb xdotool x11-utils imagemagick sox ffmpeg python3 ccache dpkg-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "setup-deps: need root (or sudo) to install: ${missing[*]}" >&2; exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get update -q >/dev/null; then
  echo "setup-deps: 'apt-get update' failed; cannot install ${missing[*]}" >&2; exit 1
fi
if ! $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  echo "setup-deps: 'apt-get install' failed for: ${missing[*]}" >&2; exit 1
fi
