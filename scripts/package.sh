#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, makes an optimised build and the two Debian
# packages: build/release/velmora-student_*.deb and velmora-teacher_*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
# Paths relative to the checkout, so another clone reuses the compiler cache.
export CCACHE_BASEDIR="$PWD"
bash scripts/setup-debian.sh --run
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset release
cmake --build --preset release -j "$jobs"
cpack --config build/release/CPackConfig.cmake -B build/release
ls -1 build/release/velmora-*.deb
