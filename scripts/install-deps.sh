#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those still missing.
# Safe to run again and again; uses sudo only when not root.
set -euo pipefail

# SDL 1.2 comes from the compat package; it must be installed in the same call
# as the SDL_image development package, or apt picks the old SDL 1.2 instead.
PACKAGES=(
  libsdl1.2-compat-dev libsdl-image1.2-dev libsdl-mixer1.2-dev
  libglew-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri mesa-utils
  libfreetype-dev libpng-dev libx11-dev
  xvfb xdotool imagemagick x11-utils strace valgrind
  cmake g++ make clang libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-dejavu-core fonts-liberation fonts-lobster fonts-leckerli-one
  libassimp-dev assimp-testmodels
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
