# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds the fuzz targets with clang++ (run by the fuzz_build test).
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -DCMAKE_CXX_COMPILER=${CXX}
                        -DSUBBIG5_PHRASE_TABLE=${PHRASE_TABLE}
                        -DSUBBIG5_CHAR_MAPS=${CHAR_MAPS}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "configuring the fuzz targets failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} -j2 RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "building the fuzz targets failed")
endif()
