# Fails unless EXECUTABLE is fit to ship: it imports only DLLs that Windows
# takes from its own system folder whatever folder the program starts from,
# carries no manifest resource, has the security marks of a Windows
# program, and declares MIN_WINDOWS (OSTRIVANE_MIN_WINDOWS, such as 6.1) as
# the oldest Windows it runs on.
# Run with: cmake -DOBJDUMP=<objdump> -DEXECUTABLE=<exe> -DMIN_WINDOWS=<major.minor>
#                 -P check_executable.cmake

cmake_minimum_required(VERSION 3.21)
if(NOT MIN_WINDOWS MATCHES "^([0-9]+)[.]([0-9]+)$")
  message(FATAL_ERROR "check_executable.cmake needs -DMIN_WINDOWS=<major.minor>, such as 6.1; "
                      "got \"${MIN_WINDOWS}\".")
endif()
set(min_major ${CMAKE_MATCH_1})
set(min_minor ${CMAKE_MATCH_2})

# DLLs imported by name are resolved before the program's first line runs,
# looked for beside the program first, unless they are KnownDLLs, which
# Windows takes only from the system folder. These are KnownDLLs on every
# Windows from 7 to 11.
set(known_dlls
  advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll
  oleaut32.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll)

execute_process(COMMAND "${OBJDUMP}" -p "${EXECUTABLE}"
  RESULT_VARIABLE result OUTPUT_VARIABLE headers ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Cannot read the headers of ${EXECUTABLE}: ${error}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
set(unknown "")
foreach(import IN LISTS imports)
  string(REGEX REPLACE "DLL Name: *" "" dll "${import}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll_lower)
  if(NOT dll_lower IN_LIST known_dlls)
    list(APPEND unknown "${dll}")
  endif()
endforeach()
if(unknown)
  string(REPLACE ";" ", " unknown "${unknown}")
  message(FATAL_ERROR "${EXECUTABLE} imports ${unknown}, which Windows would look for beside the "
                      "program first, where anyone can leave a DLL of that name: only KnownDLLs "
                      "(${known_dlls}) may be imported. Link the runtimes statically, and load "
                      "any other system DLL at run time from the system folder "
                      "(LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32), as shcore.dll is.")
endif()

# Top-level entries of the resource directory are resource types; 24 (0x18)
# is RT_MANIFEST.
string(REGEX MATCHALL "\n[0-9a-f]+   Entry: ID: 0x0*18," manifest "${headers}")
if(manifest)
  message(FATAL_ERROR "${EXECUTABLE} carries a manifest resource; it must not.")
endif()

# The security marks, IMAGE_DLLCHARACTERISTICS_* bits.
if(NOT headers MATCHES "\nDllCharacteristics[ \t]+([0-9a-fA-F]+)")
  message(FATAL_ERROR "Cannot read the DLL characteristics of ${EXECUTABLE}")
endif()
set(characteristics_hex "${CMAKE_MATCH_1}")
function(require_mark name bit)
  math(EXPR set "0x${characteristics_hex} & ${bit}")
  if(set EQUAL 0)
    message(FATAL_ERROR "${EXECUTABLE} is not marked ${name} (DllCharacteristics "
                        "0x${characteristics_hex}); link it with the options in CMakeLists.txt.")
  endif()
endfunction()
require_mark(DYNAMIC_BASE 0x40)
require_mark(NX_COMPAT 0x100)
require_mark(TERMINAL_SERVER_AWARE 0x8000)
if(headers MATCHES "\nMagic[ \t]+020b")  # PE32+, 64-bit code
  require_mark(HIGH_ENTROPY_VA 0x20)
endif()

# The oldest Windows the program runs on, as the headers declare it: older
# ones need not try, and newer ones must not be asked for.
foreach(field IN ITEMS OSystem Subsystem)
  if(NOT headers MATCHES "\nMajor${field}Version[ \t]+${min_major}\nMinor${field}Version[ \t]+${min_minor}\n")
    message(FATAL_ERROR "${EXECUTABLE} does not declare Windows ${MIN_WINDOWS} as its minimum "
                        "${field} version; link it with the options in CMakeLists.txt.")
  endif()
endforeach()
