# Input: one line scroll of the benchmark grid, handler and repaint.
add_executable(tzgrid_scroll_bench ${CMAKE_CURRENT_SOURCE_DIR}/ScrollBench.cpp)
target_link_libraries(tzgrid_scroll_bench PRIVATE tzgrid_headless tzgrid_core benchmark::benchmark)
