# The three forms of the version, exactly as the caption and the version
# record have them for 1.0.0, and the versions they cannot hold.
# Run with: cmake -DFORMS=<cmake/Version.cmake> -P version_forms.cmake
cmake_minimum_required(VERSION 3.21)
include(${FORMS})

foreach(row IN ITEMS "1.0.0|(v1.0.0)|1.00|1,0,0,0" "1.2.0|(v1.2.0)|1.02|1,2,0,0"
                     "12.34.5|(v12.34.5)|12.34.5|12,34,5,0")
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 version)
  ostrivane_version_forms("${version}" got)
  set(got "${got_CAPTION};${got_TEXT};${got_NUMBERS}")
  list(SUBLIST row 1 3 expected)
  if(NOT got STREQUAL "${expected}" OR got_PROBLEM)
    message(SEND_ERROR "${version} gave '${got}' ${got_PROBLEM}; expected '${expected}'")
  endif()
endforeach()

foreach(row IN ITEMS "1.0|three numbers" "01.0.0|three numbers" "1.0.0.1|three numbers"
                     "1.100.0|at most 99" "65536.0.0|at most 65535"
                     "1.0.99999999999999999999|at most 65535")
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 version)
  list(GET row 1 words)
  ostrivane_version_forms("${version}" got)
  if(NOT got_PROBLEM MATCHES "${words}")
    message(SEND_ERROR "${version} was not refused with '${words}': '${got_PROBLEM}'")
  endif()
endforeach()
