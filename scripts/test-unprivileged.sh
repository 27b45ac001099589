#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The second pass: the permission and fault tests again, as a user without
# root's rights. Root reads and writes any file, so as root (how CI runs) the
# rows that need permission bits to bite skip; here they run, and
# check-skips.py makes sure that every row the root run skipped passes now.
#
#   bash scripts/test-unprivileged.sh [build dir, default build/dev]
#
# Needs root (to change user with setpriv); anyone else already ran the suite
# without root's rights, so the pass is skipped with a message.
# Environment: VELMORA_TEST_USER (default nobody).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
# The tests whose rows depend on who runs them: permission bits, mounts,
# the immutable flag, raw sockets.
tests=(tst_common tst_marking tst_velmora_mark tst_student_core tst_work
       tst_faults_student tst_faults_collector)

if [ "$(id -u)" -ne 0 ]; then
  echo "unprivileged pass: skipped, not root; the suite already ran as $(id -un), without root's rights"
  exit 0
fi
user=${VELMORA_TEST_USER:-nobody}
uid=$(id -u "$user")
gid=$(id -g "$user")

# A place of the user's own for HOME, TMPDIR and the logs.
work=$(mktemp -d /tmp/velmora-unprivileged.XXXXXX)
restore=()
cleanup() {
  local d
  for d in "${restore[@]}"; do chmod o-x "$d"; done
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
mkdir -p "$work/home" "$work/tmp" "$work/logs"
chown "$uid:$gid" "$work/home" "$work/tmp" "$work/logs"

# The tests find the build tree and the sources by their paths, so the user
# must be able to reach them. A checkout under /root is not reachable: give
# the folders on the way the search right (not the read right) for the pass.
for d in "$PWD" "$(cd "$build" && pwd)"; do
  while [ "$d" != / ]; do
    if ! setpriv --reuid="$uid" --regid="$gid" --clear-groups test -x "$d"; then
      chmod o+x "$d"
      restore+=("$d")
    fi
    d=$(dirname "$d")
  done
done

as_user() {
  setpriv --reuid="$uid" --regid="$gid" --clear-groups \
    env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" TMPDIR="$work/tmp" \
    QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$@"
}

failed=()
start=$SECONDS
for t in "${tests[@]}"; do
  program=$build/tests/$t
  if [ ! -x "$program" ]; then
    echo "unprivileged pass: $program is missing; build the tests first" >&2
    exit 1
  fi
  echo "== unprivileged pass ($user): $t"
  if ! as_user timeout 300 "$program" -o "$work/logs/$t.txt,txt" -o -,txt >"$work/$t.out" 2>&1; then
    cat "$work/$t.out"
    failed+=("$t")
  else
    grep -E '^(Totals|SKIP)' "$work/$t.out" || true
  fi
done
echo "unprivileged pass: ${#tests[@]} tests in $((SECONDS - start)) s"
if [ ${#failed[@]} -ne 0 ]; then
  echo "unprivileged pass: failed: ${failed[*]}" >&2
  exit 1
fi
python3 scripts/check-skips.py --pass linux-user --covers "$build/test-logs" "$work/logs"
