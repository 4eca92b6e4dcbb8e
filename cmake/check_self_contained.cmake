# Fails unless EXECUTABLE imports only DLLs that every Windows has and
# carries no manifest resource.
# Run with: cmake -DOBJDUMP=<objdump> -DEXECUTABLE=<exe> -P check_self_contained.cmake

cmake_minimum_required(VERSION 3.21)

set(system_dlls
  kernel32.dll user32.dll gdi32.dll shell32.dll ole32.dll oleaut32.dll advapi32.dll
  comctl32.dll comdlg32.dll shlwapi.dll version.dll msvcrt.dll)

execute_process(COMMAND "${OBJDUMP}" -p "${EXECUTABLE}"
  RESULT_VARIABLE result OUTPUT_VARIABLE headers ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Cannot read the headers of ${EXECUTABLE}: ${error}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
set(foreign "")
foreach(import IN LISTS imports)
  string(REGEX REPLACE "DLL Name: *" "" dll "${import}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll_lower)
  if(NOT dll_lower IN_LIST system_dlls)
    list(APPEND foreign "${dll}")
  endif()
endforeach()
if(foreign)
  string(REPLACE ";" ", " foreign "${foreign}")
  message(FATAL_ERROR "${EXECUTABLE} imports DLLs that Windows does not have: ${foreign}. "
                      "Link the runtimes statically.")
endif()

# Top-level entries of the resource directory are resource types; 24 (0x18)
# is RT_MANIFEST.
string(REGEX MATCHALL "\n[0-9a-f]+   Entry: ID: 0x0*18," manifest "${headers}")
if(manifest)
  message(FATAL_ERROR "${EXECUTABLE} carries a manifest resource; it must not.")
endif()
