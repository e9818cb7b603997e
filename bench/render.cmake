# Painting: full and one-cell repaints of the benchmark grid.
add_executable(tzgrid_paint_bench ${CMAKE_CURRENT_SOURCE_DIR}/PaintBench.cpp)
target_link_libraries(tzgrid_paint_bench PRIVATE tzgrid_headless tzgrid_core benchmark::benchmark)
