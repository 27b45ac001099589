#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets (datagram, journal, marking, work) with clang
# (preset fuzz, build/fuzz) and runs each for 30 seconds from the committed
# seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
# Paths relative to the checkout, so another clone reuses the compiler cache.
export CCACHE_BASEDIR="$PWD"
bash scripts/setup-debian.sh --dev
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found, fuzz targets skipped" >&2
  exit 0
fi
cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz
