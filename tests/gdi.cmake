# The headless drawing context: pixels, text and PNG files.
tzgrid_add_unit_tests(tzgrid_gdi_tests
  HeadlessGdiTest.cpp
)
