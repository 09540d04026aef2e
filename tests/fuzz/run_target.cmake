# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one fuzz target for SECONDS from its seeds; what it finds new stays in SCRATCH, and
# an input that fails a check is saved beside it as <target>-crash-<hash>.
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(COMMAND ${TARGET} -max_total_time=${SECONDS} -artifact_prefix=${SCRATCH}- ${SCRATCH} ${SEEDS}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${TARGET} failed on an input (saved next to ${SCRATCH}); see the report above")
endif()
