#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets (datagram, journal, marking, work) with clang
# (preset fuzz, build/fuzz) and runs each for 30 seconds from the committed
# seed corpus. Fails when clang is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
# Paths relative to the checkout, so another clone reuses the compiler cache.
export CCACHE_BASEDIR="$PWD"
bash scripts/setup-debian.sh --dev
# The fuzz targets are part of CI: without clang they cannot be built, and
# that is a failure, not a pass (setup-debian.sh --dev installs clang).
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found; install clang (scripts/setup-debian.sh --dev) to build and run the fuzz targets" >&2
  exit 1
fi
cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz
