# Cross-compiling Lumaris.scr for 64-bit Windows with Debian's MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# The 64-bit build is the one this machine can run: its tests run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
