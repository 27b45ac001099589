# SPDX-License-Identifier: MIT
# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (posix threads),
# against the static Qt and libxlsxwriter that scripts/build-qt-windows.sh
# puts in the cache. The programs need no DLLs beside them: the C++ runtime,
# libgcc and winpthread are linked in.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# The cache folders are named by the first 12 hex digits of the SHA-256 of
# their build description, as the build script names them.
if(NOT DEFINED VELMORA_WINDOWS_CACHE)
  if(DEFINED ENV{VELMORA_CACHE})
    set(VELMORA_WINDOWS_CACHE $ENV{VELMORA_CACHE})
  else()
    set(VELMORA_WINDOWS_CACHE /var/cache/velmora)
  endif()
endif()
set(velmora_windows_dir ${CMAKE_CURRENT_LIST_DIR})
function(velmora_cached_prefix conf name_variable out)
  set(conf ${velmora_windows_dir}/${conf})
  file(SHA256 ${conf} hash)
  string(SUBSTRING ${hash} 0 12 hash)
  file(STRINGS ${conf} name_line REGEX "^${name_variable}=")
  string(REGEX REPLACE "^${name_variable}=" "" name "${name_line}")
  set(${out} ${VELMORA_WINDOWS_CACHE}/${name}-${hash} PARENT_SCOPE)
endfunction()
velmora_cached_prefix(qt-build.conf QT_CACHE_NAME VELMORA_WINDOWS_QT)
velmora_cached_prefix(xlsxwriter-build.conf XLSX_CACHE_NAME VELMORA_WINDOWS_XLSXWRITER)
if(NOT EXISTS ${VELMORA_WINDOWS_QT}/.complete)
  message(FATAL_ERROR "No Qt for MinGW in ${VELMORA_WINDOWS_QT}: run scripts/build-qt-windows.sh first")
endif()

set(CMAKE_PREFIX_PATH ${VELMORA_WINDOWS_QT} ${VELMORA_WINDOWS_XLSXWRITER})
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${VELMORA_WINDOWS_QT} ${VELMORA_WINDOWS_XLSXWRITER})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries only (zlib from libz-mingw-w64-dev also ships an import library).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

# Qt's tools (moc, rcc, uic) run on the build machine.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
