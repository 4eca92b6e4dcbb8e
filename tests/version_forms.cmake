# The version's forms, exactly as the caption and the version record have them
# for 1.0.0, and versions the record cannot hold (the reason's first words).
include(${FORMS})
foreach(case IN ITEMS "1.0.0=(v1.0.0) 1.00 1,0,0,0 " "1.2.3=(v1.2.3) 1.02.3 1,2,3,0 "
                      "1.0=   it is not three" "1.100.0=   the minor version"
                      "65536.0.0=   the version record" "1.0.99999999999999999999=   the version record")
  string(REPLACE "=" ";" case "${case}")
  list(GET case 0 version)
  list(GET case 1 expected)
  ostrivane_version_forms("${version}" got)
  set(got "${got_CAPTION} ${got_TEXT} ${got_NUMBERS} ${got_PROBLEM}")
  string(FIND "${got}" "${expected}" at)
  if(NOT at EQUAL 0)
    message(SEND_ERROR "${version} gave '${got}', expected '${expected}'")
  endif()
endforeach()
