#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages that building, running and testing need.
# Idempotent: apt runs only when something is missing.
#   --windows  also what the Windows cross-build, Wine tests and installers need
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev qt6-translations-l10n
  xvfb xauth xdotool imagemagick x11-utils
  fonts-wqy-microhei
  libbenchmark-dev
  python3
  desktop-file-utils dpkg-dev file
)
if [ "${1:-}" = --windows ]; then
  packages+=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    binutils-mingw-w64-x86-64 libz-mingw-w64-dev
    wine wine64 nsis
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=sudo
  else
    echo "setup: missing packages (${missing[*]}) and not root; run this script as root" >&2
    exit 1
  fi
else
  SUDO=
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
