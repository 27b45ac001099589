#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows road in one go: packages, the cached static Qt for MinGW, the
# `windows` preset build, its tests under Wine with their skipped rows
# accounted for (tests/expected-skips.txt, place "windows"), and both
# installers.
#   bash scripts/test-windows.sh
# Prints the time of each step. The first run builds Qt (about 15 minutes);
# later runs find it in /var/cache/velmora.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

step() {
  local name=$1
  shift
  local start=$SECONDS
  echo "== windows: $name"
  "$@"
  echo "== windows: $name took $((SECONDS - start)) s"
}

export CCACHE_BASEDIR=$PWD
step "packages" bash scripts/setup-debian.sh --windows
step "Qt and libxlsxwriter for MinGW" bash scripts/build-qt-windows.sh
step "configure" cmake --preset windows
step "build" cmake --build --preset windows --parallel "${VELMORA_JOBS:-2}"
rm -f build/windows/test-logs/*.txt
step "tests under Wine" ctest --preset windows
step "skipped rows" python3 scripts/check-skips.py --pass windows build/windows/test-logs
step "installers" cmake --build --preset windows --target installers
ls -l build/windows/installers/*.exe
