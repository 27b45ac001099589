# SPDX-License-Identifier: MIT
# One place for the flags every target of the project gets.

option(VELMORA_FUZZ "Instrument every target for libFuzzer with address and undefined-behaviour sanitizers (clang only) and build the fuzz targets" OFF)

function(velmora_strict target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wmissing-declarations)
    # gcc's -Wshadow=local is unknown to clang, whose -Wshadow also covers
    # locals shadowing locals.
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
      target_compile_options(${target} PRIVATE -Wshadow -Wno-shadow-field-in-constructor)
    else()
      target_compile_options(${target} PRIVATE -Wshadow=local)
    endif()
    if(VELMORA_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
  # Debian's hardening flags: stack protector, format checks, fortified libc
  # calls (they need optimisation, and the sanitizers bring their own checks),
  # read-only relocations bound at start-up.
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -fstack-protector-strong -Wformat -Werror=format-security)
    if(NOT VELMORA_SANITIZE AND NOT VELMORA_FUZZ)
      target_compile_definitions(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
    endif()
    target_link_options(${target} PRIVATE -Wl,-z,relro -Wl,-z,now)
  endif()
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
    if(VELMORA_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  endif()
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER)
  if(VELMORA_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # Coverage feedback for libFuzzer in every library the fuzz targets link;
    # the fuzz targets themselves add -fsanitize=fuzzer for libFuzzer's main.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  elseif(VELMORA_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# A QtTest executable registered with CTest. Widget tests run offscreen.
function(velmora_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  velmora_strict(${name})
  target_compile_definitions(${name} PRIVATE
    VELMORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VELMORA_BIN_DIR="${VELMORA_BIN_DIR}")
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    velmora_add_wine_test(${name})
  else()
    # The log goes to the terminal as before and to test-logs/<name>.txt,
    # where scripts/check-skips.py finds the skipped rows: CTest counts a
    # program with skipped rows as passed.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-logs)
    add_test(NAME ${name}
      COMMAND ${name} -o ${CMAKE_BINARY_DIR}/test-logs/${name}.txt,txt -o -,txt)
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT 300)
endfunction()

# A static Qt links only the default platform plugin; the tests run offscreen
# (set in the Wine prefix, cmake/windows/WinePrefix.cmake). Under Wine the log
# goes through a file (cmake/windows/RunQtTest.cmake).
function(velmora_add_wine_test name)
  get_target_property(qt_type Qt6::Core TYPE)
  if(qt_type STREQUAL "STATIC_LIBRARY")
    qt_import_plugins(${name} INCLUDE Qt6::QOffscreenIntegrationPlugin)
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}
            -DPROGRAM=$<TARGET_FILE:${name}> -DLOG=${CMAKE_BINARY_DIR}/test-logs/${name}.txt
            -P ${CMAKE_SOURCE_DIR}/cmake/windows/RunQtTest.cmake)
  # The Wine prefix is made once, before the tests start in parallel.
  get_property(prefix_test GLOBAL PROPERTY VELMORA_WINE_PREFIX_TEST)
  if(NOT prefix_test)
    set_property(GLOBAL PROPERTY VELMORA_WINE_PREFIX_TEST ON)
    add_test(NAME wine_prefix
      COMMAND ${CMAKE_COMMAND} -DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}
              -P ${CMAKE_SOURCE_DIR}/cmake/windows/WinePrefix.cmake)
    set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
endfunction()
