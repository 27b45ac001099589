# SPDX-License-Identifier: MIT
# Runs one fuzz target for a fixed time on a fresh copy of its seed corpus.
# Called by CTest as: cmake -DFUZZER=... -DSEEDS=... -DWORK=... -DSECONDS=...
#   [-DDICT=...] [-DMAX_LEN=...] -P RunFuzzer.cmake
# New corpus entries stay in WORK/corpus for a look afterwards; a crash input
# lands in WORK/artifacts and fails the test.
foreach(var FUZZER SEEDS WORK SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFuzzer.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(COPY ${SEEDS}/ DESTINATION ${WORK}/corpus)

set(args -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
         -artifact_prefix=${WORK}/artifacts/)
if(DEFINED DICT)
  list(APPEND args -dict=${DICT})
endif()
if(DEFINED MAX_LEN)
  list(APPEND args -max_len=${MAX_LEN})
endif()

execute_process(COMMAND ${FUZZER} ${args} ${WORK}/corpus RESULT_VARIABLE rc)
file(GLOB found ${WORK}/artifacts/*)
if(NOT rc EQUAL 0 OR found)
  message(FATAL_ERROR "fuzzing ${FUZZER} failed (exit ${rc}); inputs kept: ${found}")
endif()
