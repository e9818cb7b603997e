# Geometry, cell attributes and painting.
tzgrid_add_unit_tests(tzgrid_render_tests
  ${CMAKE_CURRENT_LIST_DIR}/GeometryTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CellAttributesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PaintTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DrawCellTest.cpp
)
