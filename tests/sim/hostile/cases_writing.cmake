# Outputs complete or absent: written whole or not at all, never twice at
# once, never through a link swapped in meanwhile, every write error named.
# Included after cases_plugins.cmake, whose plug-ins some of these replay.
set(one ${CABKIT_HOSTILE_DIR}/plugins/one_second.toml)

cabkit_faulty_plugins(chdir_in_load Cabrix FAULT CHDIR_IN_LOAD)
cabkit_faulty_plugins(swap_link_in_load Velorin FAULT SWAP_LINK_IN_LOAD)

# A full disk: the report is lost, and the run says so.
cabkit_hostile_case(junit_onto_a_full_disk EXIT 2 MESSAGE "cannot write the JUnit report /dev/full: No space left"
                    ARGS check ${one} --junit /dev/full)
cabkit_hostile_case(summary_onto_a_full_disk EXIT 2 MESSAGE "cannot write the summary /dev/full: No space left"
                    ARGS run ${one} --summary /dev/full)

# cabkit_hostile_script_case(<name> <script> EXIT <code> [MESSAGE <fragment>] [LIMIT <s>])
# Runs writing/<script> with sh in the case's folder; its arguments are
# simhost, the hostile plug-ins, the case files and the bundled scenarios.
# The script checks the files itself and exits 99 on what it finds wrong.
function(cabkit_hostile_script_case name script)
  cmake_parse_arguments(ARG "" "EXIT;MESSAGE;LIMIT" "" ${ARGN})
  if(NOT DEFINED ARG_LIMIT)
    set(ARG_LIMIT 30)
  endif()
  set(args "${CABKIT_HOSTILE_DIR}/writing/${script}\\;$<TARGET_FILE:simhost>\\;${hostile_plugins}")
  string(APPEND args "\\;${CABKIT_HOSTILE_DIR}/plugins\\;${PROJECT_SOURCE_DIR}/scenarios")
  add_test(NAME hostile.${name}
           COMMAND ${CMAKE_COMMAND} -DSIMHOST=/bin/sh -DWORK=${CMAKE_CURRENT_BINARY_DIR}/work/${name}
             -DEXIT=${ARG_EXIT} "-DMESSAGE=${ARG_MESSAGE}" -DLIMIT=${ARG_LIMIT} "-DARGS=${args}"
             -P ${CABKIT_HOSTILE_DIR}/run_case.cmake)
endfunction()

cabkit_hostile_script_case(interrupted_batch interrupted_batch.sh EXIT 130 MESSAGE "simhost: interrupted" LIMIT 15)
cabkit_hostile_script_case(two_batches_one_folder two_batches_one_folder.sh EXIT 2 LIMIT 15
                           MESSAGE "--trace-dir traces: another simhost is writing into this folder")
cabkit_hostile_script_case(file_size_limit file_size_limit.sh EXIT 2
                           MESSAGE "cannot write the trace trace.csv: File too large")
cabkit_hostile_script_case(link_swapped_in_load link_swapped_in_load.sh EXIT 0)
cabkit_hostile_script_case(plugin_changes_folder_in_load changes_folder_in_load.sh EXIT 0)
