# The dearest single frame of a worst route (door timers all running out at once).
add_executable(worst_frame_bench ${CMAKE_CURRENT_LIST_DIR}/worst_frame_bench.cpp)
target_link_libraries(worst_frame_bench PRIVATE cabkit_frame_rigs benchmark::benchmark cabkit_tool_warnings)
