#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything again with address and undefined-behaviour sanitizers
# (preset asan, build/asan) and runs every test on that build; its skipped
# rows are accounted for as in scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
# Paths relative to the checkout, so another clone reuses the compiler cache.
export CCACHE_BASEDIR="$PWD"
bash scripts/setup-debian.sh --dev
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset asan
cmake --build --preset asan -j "$jobs"
rm -f build/asan/test-logs/*.txt
ctest --preset asan -j "$jobs"
if [ "$(id -u)" -eq 0 ]; then pass=linux-root; else pass=linux-user; fi
python3 scripts/check-skips.py --pass "$pass" build/asan/test-logs
