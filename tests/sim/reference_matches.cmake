# docs/reference.md must be exactly what `simhost reference` prints, so that
# the manual cannot drift from the tables in the code.
#   cmake -DSIMHOST=... -DREFERENCE=.../docs/reference.md -P reference_matches.cmake
execute_process(COMMAND ${SIMHOST} reference OUTPUT_VARIABLE printed RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "simhost reference failed (${status})")
endif()
file(READ ${REFERENCE} committed)
if(NOT printed STREQUAL committed)
  message(FATAL_ERROR "${REFERENCE} differs from the output of `simhost reference`; "
                      "regenerate it: build/sim/simhost reference > docs/reference.md")
endif()
