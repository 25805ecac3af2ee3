#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Idempotent: does nothing when everything is present; runs `apt-get update` once otherwise.
#   scripts/setup.sh           what ./run and ./test need
#   scripts/setup.sh --fuzz    also clang and its sanitizer runtimes, for fuzz/run.sh
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libavcodec-dev libavformat-dev libavutil-dev libavfilter-dev libswscale-dev libswresample-dev libavdevice-dev
  libsdl2-dev libjpeg62-turbo-dev
  googletest libgtest-dev libgmock-dev
  ffmpeg
  fonts-dejavu-core
  time
)
if [ "${1:-}" = "--fuzz" ]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
