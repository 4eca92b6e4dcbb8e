# Which SITE_BRAND values the build accepts, what it says about the rest, and
# how the brand is written for the compiler.
# Run with: cmake -DRULES=<cmake/SiteBrand.cmake> -P site_brand_rules.cmake
cmake_minimum_required(VERSION 3.21)
include(${RULES})

function(expect brand expected_words)
  ostrivane_site_brand_problem("${brand}" problem)
  if(NOT problem STREQUAL "" AND expected_words STREQUAL "")
    message(SEND_ERROR "'${brand}' was refused: ${problem}")
  elseif(NOT expected_words STREQUAL "" AND NOT problem MATCHES "${expected_words}")
    message(SEND_ERROR "'${brand}' gave '${problem}', expected words '${expected_words}'")
  endif()
endfunction()

string(REPEAT "W" 24 latin24)
string(REPEAT "한" 12 hangul12)
string(ASCII 7 bell)
string(ASCII 255 not_utf8)
foreach(accepted IN ITEMS Trelvik 한빛 "Hanbit Books" Ōtsuka 日本語ブランド "${latin24}" "${hangul12}")
  expect("${accepted}" "")
endforeach()
expect("" "it is empty")
expect(" Trelvik" "starts or ends with a space")
expect("한빛　" "starts or ends with a space")  # ideographic space
expect("Trel\nvik" "line break \\(U\\+000A\\)")
expect("Trel vik" "line break \\(U\\+2028\\)")
expect("Trel${bell}vik" "control character \\(U\\+0007\\)")
expect("Trel‮vik" "formatting character \\(U\\+202E\\)")
expect("Trel${not_utf8}" "not valid UTF-8")
expect("${latin24}W" "25 characters \\(25 columns\\) long; at most 24 columns")
expect("${hangul12}한" "13 characters \\(26 columns\\)")
string(REPEAT "x" 200 long)
expect("${long}" "200 characters")

ostrivane_wide_escapes("한빛 T\"\\😀" escaped)
if(NOT escaped STREQUAL "\\uD55C\\uBE5B\\u0020\\u0054\\u0022\\u005C\\U0001F600")
  message(SEND_ERROR "escaped as ${escaped}")
endif()
