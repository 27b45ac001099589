# SPDX-License-Identifier: MIT
# Makes the tests' Wine prefix once, before the tests start in parallel, and
# gives it the environment the tests need. Wine does not pass variables named
# QT_* from Linux to Windows programs, so they go into the prefix's registry:
# the offscreen platform plugin, and the CJK font it draws text with.
#   cmake -DEMULATOR=wine -P WinePrefix.cmake
execute_process(COMMAND ${EMULATOR} wineboot.exe --init RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "wineboot failed with ${result}")
endif()
foreach(setting "QT_QPA_PLATFORM=offscreen" "QT_QPA_FONTDIR=Z:\\usr\\share\\fonts\\truetype\\wqy")
  string(REPLACE "=" ";" pair "${setting}")
  list(GET pair 0 name)
  list(GET pair 1 value)
  execute_process(COMMAND ${EMULATOR} reg.exe add "HKCU\\Environment" /v ${name} /d ${value} /f
                  OUTPUT_QUIET RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "setting ${name} in the Wine prefix failed with ${result}")
  endif()
endforeach()
