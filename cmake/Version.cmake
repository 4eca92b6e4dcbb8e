# The program's version is written in three forms, all made from the
# project's version (major.minor.patch), so a release changes it in one place:
#   the window caption's "(v1.0.0)",
#   the version record's strings "1.00" (major, then the minor as two digits;
#     the patch follows, as in "1.02.3", only when it is not 0), and
#   the version record's numbers 1,0,0,0.

# Sets `<prefix>_CAPTION`, `<prefix>_TEXT` and `<prefix>_NUMBERS` for
# `version`, or `<prefix>_PROBLEM` to what is wrong with it (else "").
function(ostrivane_version_forms version prefix)
  set(problem "")
  if(NOT version MATCHES "^(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)$")
    set(problem "it is not three numbers, major.minor.patch, such as 1.0.0")
  else()
    set(major ${CMAKE_MATCH_1})
    set(minor ${CMAKE_MATCH_2})
    set(patch ${CMAKE_MATCH_3})
    if(major MATCHES "......" OR patch MATCHES "......" OR major GREATER 65535 OR patch GREATER 65535)
      set(problem "the version record holds each number in 16 bits, so at most 65535")
    elseif(minor MATCHES "..." OR minor GREATER 99)
      set(problem "the minor version is written as two digits (1.00), so at most 99")
    endif()
  endif()
  set(${prefix}_PROBLEM "${problem}" PARENT_SCOPE)
  if(problem)
    foreach(form IN ITEMS CAPTION TEXT NUMBERS)
      set(${prefix}_${form} "" PARENT_SCOPE)
    endforeach()
    return()
  endif()
  if(minor LESS 10)
    set(minor_text "0${minor}")
  else()
    set(minor_text "${minor}")
  endif()
  set(text "${major}.${minor_text}")
  if(NOT patch EQUAL 0)
    string(APPEND text ".${patch}")
  endif()
  set(${prefix}_CAPTION "(v${major}.${minor}.${patch})" PARENT_SCOPE)
  set(${prefix}_TEXT "${text}" PARENT_SCOPE)
  set(${prefix}_NUMBERS "${major},${minor},${patch},0" PARENT_SCOPE)
endfunction()
