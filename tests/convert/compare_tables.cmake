# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DGENERATOR=... -DOUT_DIR=... -DREF_DIR=... -P compare_tables.cmake
file(REMOVE_RECURSE "${OUT_DIR}")
execute_process(COMMAND "${GENERATOR}" "${OUT_DIR}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the generator failed (${rc})")
endif()
foreach(blob 101.bin 102.bin 103.bin)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT_DIR}/${blob}" "${REF_DIR}/${blob}"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${blob} differs from the committed ${REF_DIR}/${blob}")
  endif()
  message(STATUS "${blob} identical")
endforeach()
