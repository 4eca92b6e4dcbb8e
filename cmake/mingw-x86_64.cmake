# 64-bit Windows with MinGW-w64: the same program for Windows installations
# without 32-bit support.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(OSTRIVANE_TARGET_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
