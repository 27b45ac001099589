#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the programs and starts them: the teacher's
# Velcoll and the student's Velmora side by side, so a score can travel from
# one to the other on this computer (teacher address 127.0.0.1).
set -euo pipefail
cd "$(dirname "$0")/.."
# Paths relative to the checkout, so another clone reuses the compiler cache.
export CCACHE_BASEDIR="$PWD"
bash scripts/setup-debian.sh --run
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset release
cmake --build --preset release -j "$jobs"
bin=build/release/bin

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no desktop display here; on a desktop this starts Velcoll and Velmora." >&2
  echo "run: showing the command-line marker on a sample page instead:" >&2
  "$bin/velmora-mark" --set 1 --explain tests/marking/pages/set1_full.htm
  exit 0
fi

"$bin/Velcoll" &
collector=$!
trap 'kill $collector 2>/dev/null || true' EXIT
"$bin/Velmora" --server 127.0.0.1
