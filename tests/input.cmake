# Input: scrolling, mouse, column resize and drag with the auto-scroll
# worker, keyboard navigation and the in-place editor, driven through window
# messages on the headless window.
tzgrid_add_unit_tests(tzgrid_input_tests
  ScrollTest.cpp
  MouseTest.cpp
  EditorTest.cpp
  DragTest.cpp
  KeyboardTest.cpp
)
