# What both Windows toolchain files share; each sets TZGRID_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_CXX_COMPILER NAMES ${TZGRID_MINGW_PREFIX}-g++-posix ${TZGRID_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${TZGRID_MINGW_PREFIX}-gcc-posix ${TZGRID_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TZGRID_MINGW_PREFIX}-windres REQUIRED)
find_program(TZGRID_WIDL NAMES ${TZGRID_MINGW_PREFIX}-widl widl)

set(CMAKE_FIND_ROOT_PATH /usr/${TZGRID_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# No runtime DLLs beside the system's: the C++ runtime and winpthreads are
# linked in statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
