#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the summary workbook 汇总成绩.xls that Velcoll opens with its
# "2.汇总成绩(.xls)" button: a flat OpenDocument spreadsheet written here is
# converted to Excel 97-2003 by LibreOffice. Run by hand when the workbook
# changes; the result is committed under collector/, so builds never need
# LibreOffice.
#   sh tools/workbook/make_workbook.sh [output.xls]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../collector/汇总成绩.xls}
command -v soffice >/dev/null 2>&1 || {
    echo "soffice not found: install libreoffice-calc-nogui (Debian) to build the workbook" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/workbook.fods" "$work/汇总成绩.fods"
# A private profile keeps the conversion independent of any running office.
soffice -env:UserInstallation="file://$work/profile" --headless --norestore \
    --convert-to 'xls:MS Excel 97' --outdir "$work" "$work/汇总成绩.fods" >/dev/null
test -s "$work/汇总成绩.xls" || { echo "conversion failed" >&2; exit 1; }
cp "$work/汇总成绩.xls" "$out"
echo "wrote $out"
