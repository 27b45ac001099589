# SPDX-License-Identifier: MIT
# Finds libxlsxwriter and offers it as the imported target XlsxWriter::XlsxWriter.
# Works for Debian's libxlsxwriter-dev and for a static build installed into a
# prefix (CMAKE_PREFIX_PATH or XlsxWriter_ROOT), as the MinGW cross build uses.
# A static library also needs zlib and, when it was built against the system's
# minizip instead of its bundled copy, libminizip: both are added when found.
find_path(XlsxWriter_INCLUDE_DIR xlsxwriter.h)
find_library(XlsxWriter_LIBRARY NAMES xlsxwriter libxlsxwriter)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(XlsxWriter
  REQUIRED_VARS XlsxWriter_LIBRARY XlsxWriter_INCLUDE_DIR)

if(XlsxWriter_FOUND AND NOT TARGET XlsxWriter::XlsxWriter)
  add_library(XlsxWriter::XlsxWriter UNKNOWN IMPORTED)
  set_target_properties(XlsxWriter::XlsxWriter PROPERTIES
    IMPORTED_LOCATION "${XlsxWriter_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${XlsxWriter_INCLUDE_DIR}")
  if(XlsxWriter_LIBRARY MATCHES "\\.a$")
    find_package(ZLIB REQUIRED)
    set(_xlsxwriter_deps ZLIB::ZLIB)
    find_library(XlsxWriter_MINIZIP_LIBRARY NAMES minizip)
    if(XlsxWriter_MINIZIP_LIBRARY)
      list(PREPEND _xlsxwriter_deps "${XlsxWriter_MINIZIP_LIBRARY}")
    endif()
    set_target_properties(XlsxWriter::XlsxWriter PROPERTIES
      INTERFACE_LINK_LIBRARIES "${_xlsxwriter_deps}")
    unset(_xlsxwriter_deps)
  endif()
endif()
mark_as_advanced(XlsxWriter_INCLUDE_DIR XlsxWriter_LIBRARY XlsxWriter_MINIZIP_LIBRARY)
