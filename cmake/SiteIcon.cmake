# The site's mark, the program icon's picture. Without SITE_ICON it is the
# default mark drawn by tools/make_icon.py; with it, tools/site_icon.py turns
# the operator's PNG or ICO into the same kind of 48 x 48 image at configure
# time, and refuses an image it cannot use, naming the file and the reason.

# A Python 3 that has `module` (PIL for Pillow, pefile), or "".
function(ostrivane_find_python module out_var)
  find_program(path_python NAMES python3 python)
  foreach(python IN ITEMS ${path_python} /usr/bin/python3)
    if(EXISTS "${python}")
      execute_process(COMMAND "${python}" -c "import ${module}"
                      RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
      if(result EQUAL 0)
        set(${out_var} "${python}" PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  set(${out_var} "" PARENT_SCOPE)
endfunction()

# Sets `out_var` to the image file the resource script embeds for `icon`
# (SITE_ICON's value, or "" for the default mark).
function(ostrivane_site_icon_image icon out_var)
  if(NOT icon)
    set(${out_var} "${CMAKE_SOURCE_DIR}/resources/ostrivane-48.dib" PARENT_SCOPE)
    return()
  endif()
  ostrivane_find_python(PIL python)
  if(NOT python)
    message(FATAL_ERROR "SITE_ICON \"${icon}\" needs Python 3 with Pillow, the Python imaging "
                        "library, to be read (Debian: python3-pil; run scripts/setup-debian.sh).")
  endif()
  set(image "${CMAKE_BINARY_DIR}/generated/site-icon-48.dib")
  execute_process(COMMAND "${python}" "${CMAKE_SOURCE_DIR}/tools/site_icon.py" "${icon}" "${image}"
                  RESULT_VARIABLE result ERROR_VARIABLE error OUTPUT_QUIET)
  if(NOT result EQUAL 0)
    string(STRIP "${error}" error)
    message(FATAL_ERROR "${error}")
  endif()
  # A new picture in the same file is taken by the next build, which
  # configures again first.
  set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${icon}")
  set(${out_var} "${image}" PARENT_SCOPE)
endfunction()
