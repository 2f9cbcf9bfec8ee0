# Replay throughput of simhost: the bundled demo stretched to an hour of
# driving, with and without the trace.
if(NOT TARGET cabkit_sim_cli)
  # Benchmark builds leave the host-side tools out; the replay needs the host.
  add_subdirectory(${PROJECT_SOURCE_DIR}/sim ${CMAKE_BINARY_DIR}/sim)
endif()
add_executable(sim_replay_bench ${CMAKE_CURRENT_LIST_DIR}/sim_replay_bench.cpp)
target_link_libraries(sim_replay_bench PRIVATE cabkit_sim_cli cabkit_sim_report cabkit_sim_analysis cabkit_sim_replay cabkit_sim_scenario
                      benchmark::benchmark cabkit_tool_warnings)
target_compile_definitions(sim_replay_bench PRIVATE
  CABKIT_PLUGIN_DIR="${CABKIT_PLUGIN_DIR}"
  DEMO_SCENARIO="${PROJECT_SOURCE_DIR}/scenarios/demo.toml")
add_dependencies(sim_replay_bench Velorin Sentrel Cabrix)
