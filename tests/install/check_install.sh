#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check_install.sh BUILD_DIR SOURCE_DIR: installs the build into a staging
# folder and checks that each deliverable's program folder runs as built.
set -euo pipefail
build=$1
source=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
DESTDIR="$stage" cmake --install "$build" >/dev/null
root="$stage$prefix"
if [ "$prefix" = /opt/velmora ]; then share="$stage/usr/share"; bindir="$stage/usr/bin"
else share="$root/share"; bindir="$root/bin"; fi

student="$root/student"
teacher="$root/teacher"
for f in "$student/Velmora" "$student/velmora-mark" "$teacher/Velcoll"; do
  [ -x "$f" ] || fail "missing program $f"
done
[ -s "$teacher/汇总成绩.xls" ] || fail "workbook missing beside Velcoll"
[ ! -e "$student/汇总成绩.xls" ] || fail "workbook installed with the student program"
[ ! -e "$teacher/wf" ] || fail "exercise material installed with the teacher program"

# The student's programs carry no teacher code: nothing of the collector
# (receiver, journal, score book, its saving) is linked into them. The
# workbook and CSV writers they share with Velcoll live in velmora::reports.
command -v nm >/dev/null || fail "nm is not installed (binutils)"
for f in "$student/Velmora" "$student/velmora-mark"; do
  symbols=$(nm -C "$f" 2>/dev/null) || fail "nm cannot read $f"
  [ -n "$symbols" ] || fail "$f has no symbol table to check"
  teacher_code=$(echo "$symbols" | grep -m 3 ' velmora::collector::' || true)
  [ -z "$teacher_code" ] || fail "$(basename "$f") carries teacher code:
$teacher_code"
done

names=(第一套 第二套 第三套 第四套 第五套 第六套 第七套 第八套 第九套)
pages=(hu.htm index.htm cjjj.htm index.htm cjyl.htm home.htm home.htm aoyun.htm aoyun.htm)
for i in 1 2 3 4 5 6 7 8 9; do
  n=${names[$((i-1))]}
  [ -s "$student/wf/$i.txt" ] || fail "task file wf/$i.txt missing"
  [ -s "$student/wf/$n/$n/${pages[$((i-1))]}" ] || fail "template page wf/$n/$n/${pages[$((i-1))]} missing"
done
# The installed material is the material of the source tree, byte for byte.
diff -r "$source/student/material/wf" "$student/wf" >/dev/null || fail "installed wf differs from the source"

for l in velmora velcoll velmora-mark; do
  [ -x "$bindir/$l" ] || fail "launcher $l missing in $bindir"
done
grep -q "$prefix/student/Velmora" "$bindir/velmora" || fail "velmora launcher does not start $prefix/student/Velmora"
grep -q "$prefix/teacher/Velcoll" "$bindir/velcoll" || fail "velcoll launcher does not start $prefix/teacher/Velcoll"

for d in velmora velcoll; do
  desktop-file-validate "$share/applications/$d.desktop" || fail "$d.desktop is not valid"
  grep -q '^Name\[zh_CN\]=' "$share/applications/$d.desktop" || fail "$d.desktop has no Chinese name"
  for s in 16 32 48 256; do
    png="$share/icons/hicolor/${s}x${s}/apps/$d.png"
    [ -s "$png" ] || fail "icon $png missing"
    [ "$(identify -format '%wx%h' "$png")" = "${s}x${s}" ] || fail "icon $png is not ${s}x${s}"
  done
done

# The installed marker works from its own folder on a model answer.
out=$("$student/velmora-mark" --set 1 "$source/tests/material/answers/1/hu.htm")
echo "$out" | grep -q '^总分：25$' || fail "installed velmora-mark did not give 25: $out"
echo "install layout: all checks passed"
