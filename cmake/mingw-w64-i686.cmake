# Cross-compiling the 32-bit (x86) Windows build with mingw-w64 (posix threads):
# the same sources as the x64 build, for 32-bit hosts (VB6, 32-bit Office).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TZGRID_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
