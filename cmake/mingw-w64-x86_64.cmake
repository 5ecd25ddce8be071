# Cross-builds the library and its tools for 64-bit Windows with Debian's MinGW-w64 (posix threads)
# and runs the test programs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(QLV_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(QLV_WINE)
    # Through a script that tries again a start Wine failed before the program ran.
    set(CMAKE_CROSSCOMPILING_EMULATOR
        "/bin/sh;${CMAKE_CURRENT_LIST_DIR}/../scripts/run_under_wine.sh;${QLV_WINE}")
endif()
