#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up to first paint by instruction count, which unlike wall time does
# not move with the load of a shared machine: callgrind counts every
# instruction of each start-up probe (a minimal window with one label,
# Velmora's start form, Velcoll's window) from process start until it exits
# after its first paint, under its own Xvfb display. Prints the counts and the
# ratios of the programs to the minimal window.
#
# It starts X servers and programs: run it under the machine's ports lock,
#   flock /tmp/velmora-ports.lock bench/startup/instructions.sh [build folder]
# (build folder default build/release).
set -euo pipefail

here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build/release}
bin=$build/bin

for tool in valgrind xvfb-run; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "instructions.sh: $tool is not installed" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/.config
export QT_QPA_PLATFORM=xcb

# Instructions of one probe run, from start to exit.
count() {
  local probe=$1
  shift
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    valgrind --tool=callgrind --callgrind-out-file="$work/$probe.out" "$bin/$probe" "$@" \
    >"$work/$probe.stdout" 2>"$work/$probe.log" || {
    cat "$work/$probe.log" >&2
    exit 1
  }
  sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$work/$probe.out"
}

# A warm-up run first, so that the font cache and the like exist.
count startup_probe_minimal >/dev/null
minimal=$(count startup_probe_minimal)
velmora=$(count startup_probe_velmora)
# Velcoll listens on a free UDP port, never on the collector's own.
port=$(python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 0)); print(s.getsockname()[1])')
velcoll=$(count startup_probe_velcoll "$port")

ratio() { awk -v a="$1" -v b="$minimal" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-24s %14s %7s\n' probe instructions ratio
printf '%-24s %14d %7s\n' startup_probe_minimal "$minimal" 1.00
printf '%-24s %14d %7s\n' startup_probe_velmora "$velmora" "$(ratio "$velmora")"
printf '%-24s %14d %7s\n' startup_probe_velcoll "$velcoll" "$(ratio "$velcoll")"
echo "start-up to first paint and exit; target: each program at most 1.2 x the minimal window"
