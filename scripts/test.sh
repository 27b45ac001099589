#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
# Paths relative to the checkout, so another clone reuses the compiler cache.
export CCACHE_BASEDIR="$PWD"
bash scripts/setup-debian.sh --dev
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset dev
cmake --build --preset dev -j "$jobs"
ctest --preset dev -j "$jobs"
