#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check_packages.sh BUILD_DIR SOURCE_DIR: builds the two Debian packages with
# cpack and checks their names, dependencies, content, lintian's verdict, the
# AppStream data and that every place shows the same version.
set -euo pipefail
build=$1
source=$2
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
# lintian, pedantic: no error or warning; a remaining info or pedantic tag
# must be overridden in the package or explained in packaging/README.md.
command -v lintian >/dev/null || fail "lintian is not installed (bash scripts/setup-debian.sh --dev)"
verdict=$(LC_ALL=C.UTF-8 lintian --pedantic --info --tag-display-limit 0 "$student" "$teacher" 2>&1 \
  | grep -v '^running with root privileges' || true)
if echo "$verdict" | grep -q '^[EW]:'; then
  fail "lintian reports errors or warnings:
$verdict"
fi
for tag in $(echo "$verdict" | awk '/^[IPX]:/ {print $3}' | sort -u); do
  grep -qw -- "$tag" "$source/packaging/README.md" || fail "lintian tag $tag is neither overridden nor explained in packaging/README.md:
$verdict"
done

# AppStream data for both programs, valid, with Chinese names and summaries.
command -v appstreamcli >/dev/null || fail "appstreamcli is not installed (bash scripts/setup-debian.sh --dev)"
for id in velmora velcoll; do
  meta="$x/usr/share/metainfo/org.example.$id.metainfo.xml"
  [ -s "$meta" ] || fail "no AppStream data $meta"
  appstreamcli validate --no-net --pedantic "$meta" >/dev/null || fail "$meta is not valid: $(appstreamcli validate --no-net --pedantic "$meta")"
  for want in '<name xml:lang="zh-CN">' '<summary xml:lang="zh-CN">' '<screenshot type="default">' \
              "<launchable type=\"desktop-id\">$id.desktop</launchable>"; do
    grep -qF "$want" "$meta" || fail "$meta lacks $want"
  done
done

# One version everywhere: the packages, their changelogs, the AppStream
# releases and what each program prints for --version, with no display.
version=$(field "$student" Version)
[ "$(field "$teacher" Version)" = "$version" ] || fail "the two packages differ in version"
for pkg in velmora-student velmora-teacher; do
  first=$(zcat "$x/usr/share/doc/$pkg/changelog.gz" | head -n 1)
  [ "$first" = "velmora ($version) stable; urgency=medium" ] || fail "$pkg changelog starts with: $first"
done
grep -qF "<release version=\"$version\"" "$x/usr/share/metainfo/org.example.velmora.metainfo.xml" \
  || fail "AppStream release is not $version"
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
[ "$(nodisplay "$x/opt/velmora/student/Velmora" --version)" = "Velmora $version" ] || fail "Velmora --version"
[ "$(nodisplay "$x/opt/velmora/teacher/Velcoll" --version)" = "Velcoll $version" ] || fail "Velcoll --version"
[ "$(nodisplay "$x/opt/velmora/student/velmora-mark" --version)" = "velmora-mark $version" ] || fail "velmora-mark --version"
nodisplay "$x/opt/velmora/student/Velmora" --help | grep -q -- '--server ADDRESS' || fail "Velmora --help"
nodisplay "$x/opt/velmora/teacher/Velcoll" --help | grep -q -- '--port N' || fail "Velcoll --help"
echo "deb packages: all checks passed"
