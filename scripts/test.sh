#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds everything and runs every test. Then
# accounts for the skipped rows (scripts/check-skips.py against
# tests/expected-skips.txt: an unexpected skip fails) and, as root, runs the
# permission and fault tests again as an unprivileged user
# (scripts/test-unprivileged.sh), so the rows root skips run too.
set -euo pipefail
cd "$(dirname "$0")/.."
# Paths relative to the checkout, so another clone reuses the compiler cache.
export CCACHE_BASEDIR="$PWD"
bash scripts/setup-debian.sh --dev
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset dev
cmake --build --preset dev -j "$jobs"
# Only this run's logs are accounted for.
rm -f build/dev/test-logs/*.txt
ctest --preset dev -j "$jobs"
if [ "$(id -u)" -eq 0 ]; then pass=linux-root; else pass=linux-user; fi
python3 scripts/check-skips.py --pass "$pass" build/dev/test-logs
bash scripts/test-unprivileged.sh build/dev
