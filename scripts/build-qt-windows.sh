#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the static Qt (and libxlsxwriter) for MinGW-w64 that the `windows`
# preset links, from Debian's own source packages, into a cache outside the
# checkout. Does nothing when the cache is already there.
#
#   bash scripts/build-qt-windows.sh          build what is missing
#   bash scripts/build-qt-windows.sh --print  print the two prefixes and stop
#
# Environment: VELMORA_CACHE (default /var/cache/velmora), VELMORA_JOBS (2).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${VELMORA_CACHE:-/var/cache/velmora}
jobs=${VELMORA_JOBS:-2}

qt_conf=$here/cmake/windows/qt-build.conf
xlsx_conf=$here/cmake/windows/xlsxwriter-build.conf
# shellcheck source=../cmake/windows/qt-build.conf
source "$qt_conf"
# shellcheck source=../cmake/windows/xlsxwriter-build.conf
source "$xlsx_conf"

# The first 12 hex digits of the SHA-256 of a file's bytes; cmake/windows/
# mingw-w64-x86_64.cmake finds the prefixes by the same rule.
short_hash() { sha256sum <"$1" | cut -c1-12; }
qt_prefix=$cache/$QT_CACHE_NAME-$(short_hash "$qt_conf")
xlsx_prefix=$cache/$XLSX_CACHE_NAME-$(short_hash "$xlsx_conf")

if [ "${1:-}" = --print ]; then
  echo "$qt_prefix"
  echo "$xlsx_prefix"
  exit 0
fi

mkdir -p "$cache"
# One build at a time per cache; a second caller waits and then finds it done.
exec 9>"$cache/.build.lock"
flock 9

log() { echo "build-qt-windows: $*"; }

# Fetches and unpacks a Debian source package into $2 through a private
# sources list, so the system's apt configuration is left as it is.
fetch_source() {
  local package=$1 version=$2 dest=$3
  local apt_dir=$cache/apt
  mkdir -p "$apt_dir/lists/partial" "$cache/sources"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" \
    >"$apt_dir/sources.list"
  local opts=(-o "Dir::Etc::sourcelist=$apt_dir/sources.list" -o "Dir::Etc::sourceparts=-"
              -o "Dir::State::Lists=$apt_dir/lists" -o "APT::Get::List-Cleanup=0"
              -o "APT::Sandbox::User=root")
  if ! ls "$cache/sources/${package}_${version#*:}".dsc >/dev/null 2>&1; then
    apt-get -qq "${opts[@]}" update
    (cd "$cache/sources" && apt-get -qq "${opts[@]}" source --download-only "$package=$version")
  fi
  rm -rf "$dest"
  dpkg-source --no-check -x "$cache/sources/${package}_${version#*:}.dsc" "$dest" >/dev/null
}

for tool in x86_64-w64-mingw32-g++-posix apt-get dpkg-source cmake ninja; do
  command -v "$tool" >/dev/null || { echo "build-qt-windows: $tool is missing; run scripts/setup-debian.sh --windows" >&2; exit 1; }
done

ccache_opt=()
if command -v ccache >/dev/null; then
  # A private ccache: a restarted build reuses its objects without crowding
  # out the shared cache of the Linux builds.
  export CCACHE_DIR=$cache/ccache-mingw CCACHE_MAXSIZE=4G CCACHE_BASEDIR=$cache/work
  export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
  ccache_opt=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

build_qt() {
  if [ -f "$qt_prefix/.complete" ]; then
    log "Qt is cached in $qt_prefix"
    return
  fi
  local work=$cache/work/qt
  log "building Qt into $qt_prefix (about 15 minutes on two idle cores)"
  rm -rf "$work" "$qt_prefix"
  mkdir -p "$work" "$qt_prefix/share/velmora"
  fetch_source "$QT_SOURCE_PACKAGE" "$QT_SOURCE_VERSION" "$work/src"
  (cd "$work/src" && qt_mend_source)
  # Qt's installed qt.toolchain.cmake loads this file again by its path, so it
  # lives inside the install.
  local toolchain=$qt_prefix/share/velmora/mingw-toolchain.cmake
  printf '%s\n' "$QT_TOOLCHAIN" >"$toolchain"
  cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$qt_prefix" \
    "${ccache_opt[@]}" "${QT_CONFIGURE_OPTIONS[@]}"
  cmake --build "$work/build" --parallel "$jobs"
  # Installed straight into the final prefix (Qt records it in its files);
  # .complete marks a finished install.
  cmake --install "$work/build" >/dev/null
  touch "$qt_prefix/.complete"
  rm -rf "$work"
  log "Qt done"
}

build_xlsxwriter() {
  if [ -f "$xlsx_prefix/.complete" ]; then
    log "libxlsxwriter is cached in $xlsx_prefix"
    return
  fi
  local work=$cache/work/xlsxwriter
  log "building libxlsxwriter into $xlsx_prefix"
  rm -rf "$work" "$xlsx_prefix"
  mkdir -p "$work"
  fetch_source "$XLSX_SOURCE_PACKAGE" "$XLSX_SOURCE_VERSION" "$work/src"
  local toolchain=$work/toolchain.cmake
  printf '%s\n' "$XLSX_TOOLCHAIN" >"$toolchain"
  cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$xlsx_prefix" \
    "${ccache_opt[@]}" "${XLSX_CONFIGURE_OPTIONS[@]}"
  cmake --build "$work/build" --parallel "$jobs"
  cmake --install "$work/build" >/dev/null
  touch "$xlsx_prefix/.complete"
  rm -rf "$work"
  log "libxlsxwriter done"
}

build_xlsxwriter
build_qt
