#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check_packages.sh BUILD_DIR: builds the two Debian packages with cpack and
# checks their names, dependencies and content.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
student=$(ls "$out"/velmora-student_*.deb 2>/dev/null) || fail "no velmora-student package"
teacher=$(ls "$out"/velmora-teacher_*.deb 2>/dev/null) || fail "no velmora-teacher package"

field() { dpkg-deb --field "$1" "$2"; }
[ "$(field "$student" Package)" = velmora-student ] || fail "student package name"
[ "$(field "$teacher" Package)" = velmora-teacher ] || fail "teacher package name"
for deb in "$student" "$teacher"; do
  deps=$(field "$deb" Depends)
  for want in libqt6widgets6 libqt6network6 qt6-qpa-plugins fonts-wqy-microhei; do
    echo "$deps" | grep -q "$want" || fail "$(basename "$deb") does not depend on $want: $deps"
  done
done

contents() { dpkg-deb --contents "$1" | awk '{print $6}'; }
s=$(contents "$student"); t=$(contents "$teacher")
for want in ./opt/velmora/student/Velmora ./opt/velmora/student/velmora-mark \
            ./opt/velmora/student/wf/1.txt ./opt/velmora/student/wf/第九套/第九套/aoyun.htm \
            ./usr/bin/velmora ./usr/share/applications/velmora.desktop \
            ./usr/share/icons/hicolor/48x48/apps/velmora.png; do
  echo "$s" | grep -qxF "$want" || fail "student package lacks $want"
done
for want in ./opt/velmora/teacher/Velcoll ./opt/velmora/teacher/汇总成绩.xls ./usr/bin/velcoll \
            ./usr/share/applications/velcoll.desktop ./usr/share/icons/hicolor/48x48/apps/velcoll.png; do
  echo "$t" | grep -qxF "$want" || fail "teacher package lacks $want"
done
echo "$t" | grep -q 'Velmora$\|/wf/' && fail "teacher package carries student files"
echo "$s" | grep -q 'Velcoll$\|\.xls$' && fail "student package carries teacher files"

# Menu entries as packaged are valid.
x=$(mktemp -d "$out/x.XXXX")
dpkg-deb -x "$student" "$x"; dpkg-deb -x "$teacher" "$x"
desktop-file-validate "$x/usr/share/applications/velmora.desktop" "$x/usr/share/applications/velcoll.desktop" \
  || fail "packaged .desktop files are not valid"
echo "deb packages: all checks passed"
