# Cross-build for Windows with MinGW-w64 (the -posix compilers, which have
# std::thread and std::mutex); programs run under Wine.
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
# The target is 32-bit x86, Korvel's home platform. KORVEL_MINGW_ARCH=x86_64
# builds the same code for 64-bit Windows, run by wine64: for machines that
# cannot execute 32-bit programs (and so not 32-bit Wine).
set(KORVEL_MINGW_ARCH "i686" CACHE STRING "MinGW-w64 target: i686 (32-bit) or x86_64")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORVEL_MINGW_ARCH)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KORVEL_MINGW_ARCH})
set(korvel_mingw ${KORVEL_MINGW_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${korvel_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${korvel_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${korvel_mingw}-windres)
set(CMAKE_DLLTOOL ${korvel_mingw}-dlltool)
set(CMAKE_OBJDUMP ${korvel_mingw}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${korvel_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run through Wine (CTest puts this before each of them).
if(KORVEL_MINGW_ARCH STREQUAL "x86_64")
  find_program(KORVEL_WINE NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
else()
  find_program(KORVEL_WINE NAMES wine NO_CMAKE_FIND_ROOT_PATH)
endif()
if(KORVEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVEL_WINE})
endif()
