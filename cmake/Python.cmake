# The build's tooling (tools/) is Python on the libraries made for each job:
# idna and unicodedata for the site's host and brand, Pillow for its mark,
# tomllib for the site file, cryptography and PyKCS11 for signing material,
# pefile for reading the built executable back.

set(ostrivane_python_modules idna PIL cryptography pefile PyKCS11 tomllib)

# Sets `out_var` to a Python that has all of them: the one on PATH or the
# system's. Refuses, saying what to install, when there is none.
function(ostrivane_find_python out_var)
  find_program(path_python NAMES python3 python)
  list(JOIN ostrivane_python_modules ", " modules)
  set(tried "")
  foreach(python IN ITEMS ${path_python} /usr/bin/python3)
    if(NOT EXISTS "${python}" OR python IN_LIST tried)
      continue()
    endif()
    list(APPEND tried "${python}")
    execute_process(COMMAND "${python}" -c "import ${modules}"
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(result EQUAL 0)
      set(${out_var} "${python}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  if(NOT tried)
    set(tried "none found")
  endif()
  list(JOIN tried ", " tried)
  string(CONCAT message
    "The build needs Python 3.11 or later with the libraries idna, Pillow, cryptography, "
    "pefile and PyKCS11, and no Python here has them all (tried: ${tried}). On Debian run "
    "scripts/setup-debian.sh (python3-idna python3-pil python3-cryptography python3-pefile "
    "python3-pykcs11); in MSYS2 see the README's \"On Windows\".")
  ostrivane_refuse("${message}")
endfunction()
