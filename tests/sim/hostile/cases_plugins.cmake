# Plug-ins that misbehave, each in a folder of its own beside quiet stand-ins
# for the other two, and the cases that replay them: simhost must name the
# plug-in, the call, the frame; carry on with the batch; never pass a run it
# could not judge; and leave nothing in the temporary folder.
set(hostile_plugins ${CMAKE_BINARY_DIR}/test-plugins/hostile)

# cabkit_faulty_plugins(<set> <plug-in> [FAULT <fault>] [FRAME <n>] [WITHOUT_FAULTY])
# Builds Velorin, Sentrel and Cabrix into ${hostile_plugins}/<set>/, the one
# named with the fault (see plugins/faulty_plugin.c), the others quiet.
# WITHOUT_FAULTY leaves that one out, for a file made otherwise.
function(cabkit_faulty_plugins set faulty)
  cmake_parse_arguments(ARG "WITHOUT_FAULTY" "FAULT;FRAME" "" ${ARGN})
  foreach(name Velorin Sentrel Cabrix)
    if(name STREQUAL faulty AND ARG_WITHOUT_FAULTY)
      continue()
    endif()
    set(target hostile_${set}_${name})
    add_library(${target} SHARED ${CABKIT_HOSTILE_DIR}/plugins/faulty_plugin.c)
    target_link_libraries(${target} PRIVATE cabkit_host)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    if(name STREQUAL faulty AND ARG_FAULT)
      target_compile_definitions(${target} PRIVATE FAULT=FAULT_${ARG_FAULT})
      if(ARG_FRAME)
        target_compile_definitions(${target} PRIVATE FAULT_FRAME=${ARG_FRAME})
      endif()
    endif()
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
                          LIBRARY_OUTPUT_DIRECTORY ${hostile_plugins}/${set})
    # simhost's own tests replay some of them too.
    add_dependencies(sim_tests ${target})
  endforeach()
endfunction()

cabkit_faulty_plugins(exit Sentrel FAULT EXIT_IN_ELAPSE)
cabkit_faulty_plugins(underscore_exit Sentrel FAULT UNDERSCORE_EXIT)
cabkit_faulty_plugins(loop_in_elapse Velorin FAULT LOOP_IN_ELAPSE)
cabkit_faulty_plugins(loop_in_load Cabrix FAULT LOOP_IN_LOAD)
cabkit_faulty_plugins(crash Sentrel FAULT CRASH_IN_ELAPSE FRAME 100)
cabkit_faulty_plugins(abort_in_dispose Velorin FAULT ABORT_IN_DISPOSE)
cabkit_faulty_plugins(constructor_aborts Cabrix FAULT ABORT_IN_CONSTRUCTOR)
cabkit_faulty_plugins(missing_exports Sentrel FAULT MISSING_EXPORTS)

# The first 3000 bytes of the real Velorin: its headers promise segments
# the file does not hold.
cabkit_faulty_plugins(truncated Velorin WITHOUT_FAULTY)
add_custom_command(OUTPUT ${hostile_plugins}/truncated/Velorin.so
                   COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Velorin> ${hostile_plugins}/truncated/Velorin.so
                   COMMAND truncate -s 3000 ${hostile_plugins}/truncated/Velorin.so
                   DEPENDS Velorin VERBATIM)
add_custom_target(hostile_truncated_Velorin ALL DEPENDS ${hostile_plugins}/truncated/Velorin.so)

# Text where a library should be.
cabkit_faulty_plugins(wrong_format Sentrel WITHOUT_FAULTY)
file(WRITE ${hostile_plugins}/wrong_format/Sentrel.so "this is not a library\n")

set(one ${CABKIT_HOSTILE_DIR}/plugins/one_second.toml)
set(five ${CABKIT_HOSTILE_DIR}/plugins/five_seconds.toml)

# A plug-in that ends the process, with any code, fails the scenario.
cabkit_hostile_case(plugin_exits EXIT 1 MESSAGE "plug-in Sentrel failed in Elapse at frame 10"
                    ARGS check ${one} --plugins ${hostile_plugins}/exit)
cabkit_hostile_case(plugin_exits_at_once EXIT 1 MESSAGE "plug-in Sentrel failed in Elapse at frame 10"
                    ARGS run ${one} --plugins ${hostile_plugins}/underscore_exit)
# A call that does not return is ended by the watchdog.
cabkit_hostile_case(plugin_loops_in_elapse EXIT 1 LIMIT 15
                    MESSAGE "plug-in Velorin failed in Elapse at frame 10 (08:00:00.160, 0.0 m): did not return within 1 s"
                    ARGS check ${one} --call-timeout 1 --plugins ${hostile_plugins}/loop_in_elapse)
cabkit_hostile_case(plugin_loops_in_load EXIT 1 LIMIT 15
                    MESSAGE "plug-in Cabrix failed in Load before the first frame"
                    ARGS run ${one} --call-timeout 1 --plugins ${hostile_plugins}/loop_in_load)
# A crash in the second of three scenarios: named, and the third still runs.
cabkit_hostile_case(plugin_crashes EXIT 1 MESSAGE "plug-in Sentrel failed in Elapse at frame 100"
                    ARGS check ${five} --plugins ${hostile_plugins}/crash)
cabkit_hostile_case(plugin_crashes_mid_batch EXIT 1 MESSAGE "3 scenarios: 2 passed, 1 failed, 0 with bad input"
                    ARGS check ${one} ${five} ${one} --plugins ${hostile_plugins}/crash)
# After a whole run the summary is kept, and the run still fails.
cabkit_hostile_case(plugin_aborts_in_dispose EXIT 1 MESSAGE "plug-in Velorin failed in Dispose after the last frame"
                    ARGS check ${one} --plugins ${hostile_plugins}/abort_in_dispose --summary @WORK@/summary.json)
# Libraries that never become plug-ins are bad input, named.
cabkit_hostile_case(plugin_constructor_aborts EXIT 2 MESSAGE "cannot load plug-in Cabrix"
                    ARGS check ${one} --plugins ${hostile_plugins}/constructor_aborts)
cabkit_hostile_case(plugin_truncated EXIT 2 MESSAGE "cannot load plug-in Velorin"
                    ARGS check ${one} --plugins ${hostile_plugins}/truncated)
cabkit_hostile_case(plugin_wrong_format EXIT 2 MESSAGE "cannot load plug-in Sentrel"
                    ARGS check ${one} --plugins ${hostile_plugins}/wrong_format)
cabkit_hostile_case(plugin_missing_exports EXIT 2 MESSAGE "cannot load plug-in Sentrel: it does not export Elapse"
                    ARGS check ${one} --plugins ${hostile_plugins}/missing_exports)
