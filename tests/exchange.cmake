# Clipboard, CSV export and the text file writer.
tzgrid_add_unit_tests(tzgrid_exchange_tests
  ${CMAKE_CURRENT_LIST_DIR}/ClipboardTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ExportTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileWriterTest.cpp
)
