# Plug-ins that reach beyond what the host hands them: past or in front of
# the arrays, into them between calls, into simhost's process, streams and
# signals. Each must fail its run naming the plug-in (or saying plainly that
# none can be named), and never hang, flood or outlive simhost.
set(contained_plugins ${CMAKE_BINARY_DIR}/test-plugins/hostile)

# cabkit_uncontained_plugins(<set> <plug-in> <fault> [NODELETE])
# Builds Velorin, Sentrel and Cabrix into ${contained_plugins}/<set>/: the
# one named from plugins/uncontained_plugin.c with the fault, the others quiet.
function(cabkit_uncontained_plugins set faulty fault)
  cmake_parse_arguments(ARG "NODELETE" "" "" ${ARGN})
  foreach(name Velorin Sentrel Cabrix)
    set(target hostile_${set}_${name})
    if(name STREQUAL faulty)
      add_library(${target} SHARED ${CABKIT_HOSTILE_DIR}/plugins/uncontained_plugin.c)
      target_compile_definitions(${target} PRIVATE FAULT=FAULT_${fault})
      if(ARG_NODELETE)
        target_link_options(${target} PRIVATE -Wl,-z,nodelete)
      endif()
    else()
      add_library(${target} SHARED ${CABKIT_HOSTILE_DIR}/plugins/faulty_plugin.c)
    endif()
    target_link_libraries(${target} PRIVATE cabkit_host)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
                          LIBRARY_OUTPUT_DIRECTORY ${contained_plugins}/${set})
    add_dependencies(sim_tests ${target})
  endforeach()
endfunction()

set(second ${CABKIT_HOSTILE_DIR}/plugins/one_second.toml)

# The arrays: a write outside them or outside Elapse fails the run.
cabkit_uncontained_plugins(past_panel Sentrel PAST_PANEL)
cabkit_hostile_case(plugin_writes_past_panel EXIT 1
                    MESSAGE "plug-in Sentrel failed in Elapse at frame 10 (08:00:00.160, 0.0 m): killed by signal 11 (SIGSEGV), reaching past the end of the panel array (slot 256)"
                    ARGS check ${second} --plugins ${contained_plugins}/past_panel)
cabkit_uncontained_plugins(past_sound Velorin PAST_SOUND)
cabkit_hostile_case(plugin_writes_past_sound EXIT 1
                    MESSAGE "plug-in Velorin failed in Elapse at frame 10 (08:00:00.160, 0.0 m): killed by signal 11 (SIGSEGV), reaching past the end of the sound array (slot 256)"
                    ARGS check ${second} --plugins ${contained_plugins}/past_sound)
cabkit_uncontained_plugins(before_panel Cabrix BEFORE_PANEL)
set(before_panel_message "plug-in Cabrix failed in Elapse at frame 10 (08:00:00.160, 0.0 m)")
if(NOT CMAKE_C_FLAGS MATCHES "sanitize=address")
  # Under the address sanitizer the poisoned bytes end the replay at the write itself.
  string(APPEND before_panel_message ": it wrote in front of slot 0 of the panel array")
endif()
cabkit_hostile_case(plugin_writes_before_panel EXIT 1
                    MESSAGE "${before_panel_message}"
                    ARGS check ${second} --plugins ${contained_plugins}/before_panel)
cabkit_uncontained_plugins(thread_writes Sentrel THREAD_WRITES)
cabkit_hostile_case(plugin_thread_writes_between_calls EXIT 1
                    MESSAGE "the panel array changed while no plug-in was called"
                    ARGS check ${second} --plugins ${contained_plugins}/thread_writes)
cabkit_uncontained_plugins(write_in_dispose Velorin WRITE_IN_DISPOSE)
cabkit_hostile_case(plugin_writes_in_dispose EXIT 1
                    MESSAGE "plug-in Velorin failed in Dispose after the last frame (frame 63, 08:00:01.008, 0.0 m): it changed the panel array outside Elapse (slot 7 from 0 to 1)"
                    ARGS check ${second} --plugins ${contained_plugins}/write_in_dispose)

# The process: a fork, a signal to simhost, closed files.
cabkit_uncontained_plugins(fork Sentrel FORK)
cabkit_hostile_case(plugin_forks EXIT 1
                    MESSAGE "plug-in Sentrel failed in Elapse at frame 10 (08:00:00.160, 0.0 m): it forked the replay process"
                    ARGS check ${second} --plugins ${contained_plugins}/fork --trace @WORK@/trace.csv)
cabkit_uncontained_plugins(signal_host Cabrix SIGNAL_HOST)
cabkit_hostile_case(plugin_signals_simhost EXIT 1
                    MESSAGE "plug-in Cabrix failed in Elapse at frame 10 (08:00:00.160, 0.0 m): simhost received signal 15 (SIGTERM) from the replay"
                    ARGS check ${second} ${second} --plugins ${contained_plugins}/signal_host)
cabkit_uncontained_plugins(close_files Velorin CLOSE_FILES)
cabkit_hostile_case(plugin_closes_files EXIT 1 MESSAGE "a plug-in may have closed"
                    ARGS check ${second} --plugins ${contained_plugins}/close_files)
cabkit_hostile_case(plugin_closes_files_of_trace EXIT 2 MESSAGE "a plug-in may have closed"
                    ARGS check ${second} --plugins ${contained_plugins}/close_files --trace @WORK@/trace.csv)

# simhost's output and life: a helper, a flood, a held lock, a stop at exit.
cabkit_uncontained_plugins(helper Sentrel HELPER)
cabkit_hostile_case(plugin_starts_helper EXIT 0 LIMIT 15 MESSAGE "PASS"
                    ARGS check ${second} --plugins ${contained_plugins}/helper)
cabkit_uncontained_plugins(flood Cabrix FLOOD)
cabkit_hostile_case(plugin_floods_output EXIT 0 LIMIT 60 MESSAGE "were not shown"
                    ARGS check ${second} ${second} -j 2 --plugins ${contained_plugins}/flood)
cabkit_uncontained_plugins(hold_stdout Velorin HOLD_STDOUT)
cabkit_hostile_case(plugin_holds_output_lock EXIT 1 LIMIT 40 MESSAGE "it stood still for 10 s"
                    ARGS run ${second} --plugins ${contained_plugins}/hold_stdout)
cabkit_uncontained_plugins(stop_at_exit Sentrel STOP_AT_EXIT NODELETE)
cabkit_hostile_case(plugin_stops_process_at_exit EXIT 1 LIMIT 15 MESSAGE "stopped by signal 19 (SIGSTOP)"
                    ARGS check ${second} --plugins ${contained_plugins}/stop_at_exit)
