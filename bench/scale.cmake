# The grid at scale: building and filling 20 x 1,000,000 cells, memory per cell.
add_executable(tzgrid_scale_bench ${CMAKE_CURRENT_SOURCE_DIR}/ScaleBench.cpp)
target_link_libraries(tzgrid_scale_bench PRIVATE tzgrid_headless tzgrid_core benchmark::benchmark)
# The layout at scale: point to cell, the last visible row, keyboard moves.
add_executable(tzgrid_layout_bench ${CMAKE_CURRENT_SOURCE_DIR}/LayoutBench.cpp)
target_link_libraries(tzgrid_layout_bench PRIVATE tzgrid_headless tzgrid_core benchmark::benchmark)
