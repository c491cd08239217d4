# Cross build for 64-bit Windows with mingw-w64 (posix threads), linked statically so that the
# programs need no DLL beside them:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
# The tests run through wine (the cross-compiling emulator) when one is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZRT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZRT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZRT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZRT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZRT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(ZRT_WINE wine)
if(ZRT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ZRT_WINE})
endif()
