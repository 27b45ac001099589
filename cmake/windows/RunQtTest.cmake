# SPDX-License-Identifier: MIT
# Runs one QtTest program under Wine. Its standard output is lost there, so the
# log goes to a file (QtTest's -o through Wine's drive Z:) that is printed
# afterwards, and the program's exit code decides.
#   cmake -DEMULATOR=wine -DPROGRAM=<exe> -DLOG=<file> -P RunQtTest.cmake
get_filename_component(log_dir ${LOG} DIRECTORY)
file(MAKE_DIRECTORY ${log_dir})
file(REMOVE ${LOG})
execute_process(COMMAND ${EMULATOR} ${PROGRAM} -o "Z:${LOG},txt" RESULT_VARIABLE result)
if(EXISTS ${LOG})
  execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${LOG})
else()
  message("No test log was written to ${LOG}")
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ended with ${result}")
endif()
