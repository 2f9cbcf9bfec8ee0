# Runs one hostile case: simhost with the given arguments, in a temporary
# folder of its own, and checks the exit code, a fragment of what it printed,
# that it ended within the time limit, and that it left nothing behind in
# the temporary folder.
#
#   cmake -DSIMHOST=... -DWORK=... -DEXIT=n -DMESSAGE=text -DLIMIT=seconds
#         -DARGS=a;b;c -P run_case.cmake
# ARGS may use @WORK@ for the case's own folder (for outputs it writes).
# Today's rules for @VAR@ and escapes: "@WORK@" below is the placeholder, not a variable.
cmake_minimum_required(VERSION 3.25)
foreach(required SIMHOST WORK EXIT LIMIT)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "run_case.cmake: ${required} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/tmp")
# The arguments arrive as one list with escaped separators; unescape them so
# that each reaches simhost as an argument of its own.
string(REPLACE "\\;" ";" args "${ARGS}")
string(REPLACE "@WORK@" "${WORK}" args "${args}")

set(ENV{TMPDIR} "${WORK}/tmp")
execute_process(COMMAND "${SIMHOST}" ${args}
                WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE result
                OUTPUT_VARIABLE out
                ERROR_VARIABLE err
                TIMEOUT ${LIMIT})
set(said "${out}${err}")

if(NOT result STREQUAL "${EXIT}")
  message(FATAL_ERROR "exit ${result}, expected ${EXIT}; simhost said:\n${said}")
endif()
if(DEFINED MESSAGE AND NOT MESSAGE STREQUAL "")
  string(FIND "${said}" "${MESSAGE}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "expected \"${MESSAGE}\" in what simhost said:\n${said}")
  endif()
endif()
file(GLOB left "${WORK}/tmp/*")
if(left)
  message(FATAL_ERROR "simhost left in the temporary folder: ${left}")
endif()
