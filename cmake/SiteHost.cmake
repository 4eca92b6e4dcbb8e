# The site's host name is compiled into the program, into a file name and
# into the shortcut's lines, so only a plain fully qualified ASCII host name
# is accepted: labels of letters, digits and inner hyphens, 1 to 63
# characters each, at least two labels, the last not all digits (so no IPv4
# address), and short enough that the shortcut's temporary file,
# <host>.url.~ and 8 hex digits, is a valid file name of at most 255
# characters (241 characters with today's names).

# How the program names its files, read from the C++ header that defines it,
# so that the limit follows any change there.
file(READ "${CMAKE_CURRENT_LIST_DIR}/../shortcut/file_names.h" file_names)
foreach(name IN ITEMS ShortcutExtension TemporaryMark TemporaryDigits MaxFileNameLength)
  if(NOT file_names MATCHES "k${name}(\\[\\])? = L?\"?([^\";]*)\"?;")
    message(FATAL_ERROR "shortcut/file_names.h does not define k${name} in the form it is read in")
  endif()
  set(ostrivane_${name} "${CMAKE_MATCH_2}")
endforeach()
string(LENGTH "${ostrivane_ShortcutExtension}${ostrivane_TemporaryMark}" named_length)
math(EXPR OSTRIVANE_MAX_HOST_LENGTH
     "${ostrivane_MaxFileNameLength} - ${named_length} - ${ostrivane_TemporaryDigits}")
string(SUBSTRING "1234567890ABCDEF" 0 ${ostrivane_TemporaryDigits} example_digits)
set(ostrivane_temporary_example
    "<host>${ostrivane_ShortcutExtension}${ostrivane_TemporaryMark}${example_digits}")

# Sets `out_var` to what is wrong with `host`, or to "" when it is fine.
function(ostrivane_site_host_problem host out_var)
  set(problem "")
  string(LENGTH "${host}" length)
  if(length EQUAL 0)
    set(problem "it is empty")
  elseif(host MATCHES "[\r\n\t]")
    set(problem "it contains a line break or tab")
  elseif(host MATCHES "://")
    set(problem "it contains a scheme (give the host alone, without http:// or https://)")
  elseif(host MATCHES "[/\\\\]")
    set(problem "it contains a slash or backslash (give the host alone, without a path)")
  elseif(host MATCHES ":")
    set(problem "it contains ':' (no port may be given)")
  elseif(host MATCHES " ")
    set(problem "it contains a space")
  elseif(NOT host MATCHES "^[ -~]+$")
    set(problem "it contains a control character or a non-ASCII character (write an international name in its xn-- form)")
  elseif(NOT host MATCHES "^[A-Za-z0-9.-]+$")
    set(problem "it contains a character other than ASCII letters, digits, '-' and '.'")
  elseif(length GREATER OSTRIVANE_MAX_HOST_LENGTH)
    set(problem "it is ${length} characters long; at most ${OSTRIVANE_MAX_HOST_LENGTH} are allowed, so that <host>${ostrivane_ShortcutExtension} and its temporary file ${ostrivane_temporary_example} are valid file names")
  elseif(host MATCHES "^\\.|\\.$|\\.\\.")
    set(problem "it has an empty label (a leading, trailing or doubled '.')")
  elseif(NOT host MATCHES "\\.")
    set(problem "it has a single label; a fully qualified name has at least two, such as www.example.org")
  elseif(host MATCHES "\\.([0-9]+)$")
    set(problem "its last label '${CMAKE_MATCH_1}' is all digits, as in an IP address; a top-level domain has a letter, such as www.example.org")
  else()
    string(REPLACE "." ";" labels "${host}")
    foreach(label IN LISTS labels)
      string(LENGTH "${label}" label_length)
      if(label_length GREATER 63)
        set(problem "its label '${label}' is ${label_length} characters long; at most 63 are allowed")
        break()
      elseif(label MATCHES "^-|-$")
        set(problem "its label '${label}' starts or ends with '-'")
        break()
      endif()
    endforeach()
  endif()
  set(${out_var} "${problem}" PARENT_SCOPE)
endfunction()
