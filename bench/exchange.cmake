# W5: CSV export of 20 x 1,000,000 cells beside one fwrite of the same bytes.
add_executable(tzgrid_export_bench ${CMAKE_CURRENT_SOURCE_DIR}/ExportBench.cpp)
target_link_libraries(tzgrid_export_bench PRIVATE tzgrid_headless tzgrid_core benchmark::benchmark)
