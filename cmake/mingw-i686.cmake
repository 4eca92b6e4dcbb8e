# 32-bit Windows with MinGW-w64: the program as it ships to every Windows PC.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(OSTRIVANE_TARGET_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
