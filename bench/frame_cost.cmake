# Frame cost: steady states of the plug-ins driven through their exports,
# timed (frame_cost_bench) and counted under callgrind (frame_cost_count).

# The do-nothing plug-in is the floor of every figure; the test tree builds
# it too, and the benchmarks also build without the tests.
if(NOT TARGET NullPlugin)
  add_library(NullPlugin SHARED ${PROJECT_SOURCE_DIR}/tests/support/null_plugin.cpp)
  target_link_libraries(NullPlugin PRIVATE cabkit_host cabkit_strict_warnings)
  set_target_properties(NullPlugin PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-plugins)
endif()

# The loader is the test tree's, built here without GoogleTest.
add_library(cabkit_frame_rigs STATIC ${CMAKE_CURRENT_LIST_DIR}/steady_states.cpp
            ${PROJECT_SOURCE_DIR}/tests/support/plugin_library.cpp
            ${PROJECT_SOURCE_DIR}/tests/support/temp_folder.cpp)
target_include_directories(cabkit_frame_rigs PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/tests/support)
target_compile_definitions(cabkit_frame_rigs
  PUBLIC CABKIT_PLUGIN_DIR="${CABKIT_PLUGIN_DIR}"
  PRIVATE CABKIT_NULL_PLUGIN="$<TARGET_FILE:NullPlugin>")
target_link_libraries(cabkit_frame_rigs PUBLIC cabkit_host ${CMAKE_DL_LIBS} PRIVATE cabkit_tool_warnings)
add_dependencies(cabkit_frame_rigs Velorin Sentrel Cabrix NullPlugin)

add_executable(frame_cost_bench ${CMAKE_CURRENT_LIST_DIR}/frame_cost_bench.cpp)
target_link_libraries(frame_cost_bench PRIVATE cabkit_frame_rigs benchmark::benchmark cabkit_tool_warnings)

add_executable(frame_cost_count ${CMAKE_CURRENT_LIST_DIR}/frame_cost_count.cpp)
target_link_libraries(frame_cost_count PRIVATE cabkit_frame_rigs cabkit_tool_warnings)
