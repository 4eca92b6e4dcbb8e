# What the two MinGW-w64 toolchain files share. Each sets, before including
# this, the processor and OSTRIVANE_TARGET_BITS (the pointer size of the code
# its preset names); the project checks after its first compile that the
# compiler found really makes code of that size.
#
# On Linux this cross-compiles with Debian's toolchain for that processor;
# on Windows it uses the gcc on PATH, which MSYS2's shell decides (MINGW32
# for 32-bit, MINGW64 for 64-bit).
if(NOT CMAKE_HOST_WIN32)
  set(CMAKE_SYSTEM_NAME Windows)
  if(OSTRIVANE_TARGET_BITS EQUAL 64)
    set(triplet x86_64-w64-mingw32)
  else()
    set(triplet i686-w64-mingw32)
  endif()
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
