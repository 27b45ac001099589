#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that every C++ file in the repository is formatted as .clang-format
# says. With --fix, formats them instead. Uses clang-format 14, Debian 12's,
# because another version may break lines differently.
set -euo pipefail
cd "$(dirname "$0")/.."

fix=0
case "${1:-}" in
  "") ;;
  --fix) fix=1 ;;
  *) echo "usage: check-format.sh [--fix]" >&2; exit 2 ;;
esac

tool=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$tool" ]; then
  echo "check-format: clang-format is not installed (scripts/setup-debian.sh --dev installs it)" >&2
  exit 1
fi

mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ "$fix" -eq 1 ]; then
  "$tool" -i -- "${files[@]}"
  echo "check-format: formatted ${#files[@]} files"
  exit 0
fi

bad=()
for f in "${files[@]}"; do
  if ! "$tool" --dry-run --Werror -- "$f" >/dev/null 2>&1; then
    bad+=("$f")
  fi
done
if [ ${#bad[@]} -ne 0 ]; then
  echo "check-format: ${#bad[@]} of ${#files[@]} files differ from .clang-format:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  echo "check-format: run 'bash scripts/check-format.sh --fix' and commit the result" >&2
  exit 1
fi
echo "check-format: all ${#files[@]} files follow .clang-format"
