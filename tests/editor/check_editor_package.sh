#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check_editor_package.sh BUILD_DIR SOURCE_DIR: builds the Debian packages
# with cpack and checks velmora-editor: its name and dependencies, that the
# student package recommends it, its content, the "Open with" entry (offered
# for HTML, never made the default), its man page and lintian's verdict.
set -euo pipefail
build=$1
source=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
editor=$(ls "$out"/velmora-editor_*.deb 2>/dev/null) || fail "no velmora-editor package"
student=$(ls "$out"/velmora-student_*.deb 2>/dev/null) || fail "no velmora-student package"
field() { dpkg-deb --field "$1" "$2"; }
[ "$(field "$editor" Package)" = velmora-editor ] || fail "editor package name"
deps=$(field "$editor" Depends)
for want in libqt6webenginecore6-bin libqt6webenginewidgets6 qt6-qpa-plugins; do
  echo "$deps" | grep -q "$want" || fail "velmora-editor does not depend on $want: $deps"
done
field "$student" Recommends | grep -q 'velmora-editor' || fail "velmora-student does not recommend velmora-editor"
[ "$(field "$editor" Version)" = "$(field "$student" Version)" ] || fail "editor and student versions differ"

files=$(dpkg-deb --contents "$editor" | awk '{print $6}')
for want in ./opt/velmora/editor/velmora-editor ./usr/bin/velmora-editor \
            ./usr/share/applications/velmora-editor.desktop ./usr/share/man/man1/velmora-editor.1.gz \
            ./usr/share/doc/velmora-editor/copyright; do
  echo "$files" | grep -qx -- "$want" || fail "velmora-editor lacks $want"
done
echo "$files" | grep -q 'mimeapps.list\|defaults.list' && fail "velmora-editor makes itself a default"
dpkg-deb --contents "$student" | awk '{print $6}' | grep -q 'velmora-editor' && fail "student package carries the editor"

x=$(mktemp -d "$out/x.XXXX")
dpkg-deb -x "$editor" "$x"
desktop=$x/usr/share/applications/velmora-editor.desktop
desktop-file-validate "$desktop" || fail "velmora-editor.desktop is not valid"
grep -qx 'MimeType=text/html;' "$desktop" || fail "the editor is not offered for text/html"
grep -qx 'Exec=velmora-editor %f' "$desktop" || fail "the menu entry does not pass the file"
zcat "$x/usr/share/man/man1/velmora-editor.1.gz" | grep -q '^\.TH VELMORA\\-EDITOR 1' || fail "man page"

verdict=$(LC_ALL=C.UTF-8 lintian --pedantic --info --tag-display-limit 0 "$editor" 2>&1 \
  | grep -v '^running with root privileges' || true)
if echo "$verdict" | grep -q '^[EW]:'; then
  fail "lintian reports errors or warnings:
$verdict"
fi
for tag in $(echo "$verdict" | awk '/^[IPX]:/ {print $3}' | sort -u); do
  grep -qw -- "$tag" "$source/packaging/README.md" || fail "lintian tag $tag is neither overridden nor explained in packaging/README.md:
$verdict"
done
echo "velmora-editor package: all checks passed"
