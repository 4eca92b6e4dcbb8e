# The build's tooling (tools/) is Python 3.11 or later on the libraries that
# tools/pyproject.toml lists; tools/dependencies.py reads that list. PyKCS11,
# for signing with a key on a token, is looked for only then.

# Sets `out_var` to a Python that has all of them: the one on PATH or the
# system's. Refuses, saying what to install, when there is none.
function(ostrivane_find_python out_var)
  find_program(path_python NAMES python3 python)
  set(tried "")
  foreach(python IN ITEMS ${path_python} /usr/bin/python3)
    if(NOT EXISTS "${python}" OR python IN_LIST tried)
      continue()
    endif()
    list(APPEND tried "${python}")
    execute_process(COMMAND "${python}" "${CMAKE_SOURCE_DIR}/tools/dependencies.py" check
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE lacks)
    if(result EQUAL 0)
      set(${out_var} "${python}" PARENT_SCOPE)
      return()
    endif()
    string(STRIP "${lacks}" lacks)
    list(APPEND problems "${lacks}")
  endforeach()
  if(NOT tried)
    set(problems "no python3 or python found")
  endif()
  list(JOIN problems "; " problems)
  string(CONCAT message
    "The build needs Python 3.11 or later with the libraries tools/pyproject.toml lists, "
    "and no Python here has them all (${problems}). On Debian run scripts/setup-debian.sh; "
    "in MSYS2 see docs/building.md.")
  ostrivane_refuse("${message}")
endfunction()
