#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages that building need, and more for testing.
#   --run      what building, running and packaging the programs need
#   --dev      that, and what the tests, benchmarks, fuzzers and checks need (default)
#   --windows  --dev, and what the Windows cross-build, Wine tests and installers need
# Idempotent: apt runs only when something is missing.
set -euo pipefail

mode=${1:---dev}
case "$mode" in
  --run|--dev|--windows) ;;
  *) echo "usage: setup-debian.sh [--run | --dev | --windows]" >&2; exit 2 ;;
esac

# Building, running and packaging the programs (the page editor included).
packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev qt6-translations-l10n
  fonts-wqy-microhei
  libxlsxwriter-dev
  dpkg-dev file
  qt6-webengine-dev libqt6webenginecore6-bin
)
# Tests, benchmarks, fuzzers and the package checks.
if [ "$mode" != --run ]; then
  packages+=(
    clang libclang-rt-14-dev clang-format
    xvfb xauth xdotool imagemagick x11-utils
    libbenchmark-dev valgrind
    python3
    desktop-file-utils lintian appstream
  )
fi
# The Windows cross-build, its tests under Wine and the installers.
if [ "$mode" = --windows ]; then
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
