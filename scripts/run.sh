#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the programs and starts them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset release
cmake --build --preset release -j "$jobs"
bin=build/release/bin
# Until the windows exist, show the marking command on a sample page.
sample=tests/marking/pages/set1_full.htm
"$bin/velmora-mark" --set 1 --explain "$sample"
