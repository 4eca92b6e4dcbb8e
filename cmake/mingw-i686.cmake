# 32-bit Windows with MinGW-w64. On Linux this cross-compiles with Debian's
# i686-w64-mingw32 toolchain; on Windows it uses the MinGW-w64 (i686) gcc on PATH.
if(NOT CMAKE_HOST_WIN32)
  set(CMAKE_SYSTEM_NAME Windows)
  set(CMAKE_SYSTEM_PROCESSOR x86)
  set(triplet i686-w64-mingw32)
  # The posix thread model gives the C++ runtime std::mutex and std::thread
  # (GoogleTest needs them); winpthread is linked in statically like the rest.
  set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
  set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
  set(CMAKE_RC_COMPILER ${triplet}-windres)
  set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
else()
  set(CMAKE_C_COMPILER gcc)
  set(CMAKE_CXX_COMPILER g++)
  set(CMAKE_RC_COMPILER windres)
endif()
