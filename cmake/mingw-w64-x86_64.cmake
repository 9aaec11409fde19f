# Cross-compiles the 64-bit Windows program with Debian's mingw-w64 tools:
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELVARN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELVARN_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${KELVARN_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${KELVARN_MINGW_PREFIX}-windres)

# Libraries and headers come from the mingw-w64 tree only, never from the
# build machine; programs (the build tools) come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${KELVARN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

