# The build's tooling (tools/) is Python 3.11 or later on the libraries that
# tools/pyproject.toml lists. Which Python runs it is scripts/tools-python.sh's
# choice alone, for the build as for the scripts; the release passes its own
# (-DOSTRIVANE_PYTHON=), which is that same choice.

# Sets `out_var` to that Python, or refuses saying what each one lacks.
function(ostrivane_find_python out_var)
  if(OSTRIVANE_PYTHON)
    set(${out_var} "${OSTRIVANE_PYTHON}" PARENT_SCOPE)
    return()
  endif()
  find_program(OSTRIVANE_BASH bash)
  if(NOT OSTRIVANE_BASH)
    ostrivane_refuse("The build finds its Python with scripts/tools-python.sh, and no bash is here to run it: "
                     "install bash (in MSYS2 it is there), or give -DOSTRIVANE_PYTHON=.")
  endif()
  execute_process(COMMAND "${OSTRIVANE_BASH}" "${CMAKE_SOURCE_DIR}/scripts/tools-python.sh"
                  RESULT_VARIABLE result OUTPUT_VARIABLE python ERROR_VARIABLE lacks
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0)
    ostrivane_refuse("The build needs Python 3.11 or later with the libraries tools/pyproject.toml lists: "
                     "${lacks}. In MSYS2 see docs/building.md.")
  endif()
  set(${out_var} "${python}" PARENT_SCOPE)
endfunction()
