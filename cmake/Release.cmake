# What turns a build of Ostrivane.exe, checked fit to ship, into something to
# ship: Authenticode signing, when asked. Publishing a site's release, both editions checked and recorded in
# dist/<host>/, is scripts/release.sh's alone: a build folder keeps what it
# was configured with, so a release made from one could carry another
# site's settings.

set(SIGN_CERT "" CACHE FILEPATH
    "Certificate (PEM or DER, a chain in any order) to sign Ostrivane.exe with, or a PKCS#12 bundle holding it and its key")
# A pkcs11: URI is no path: a FILEPATH entry would make it one
# (<folder>/pkcs11:token=...), so the entry's type follows its value, and a key
# file named by a relative path is still made absolute.
set(sign_key_help "Private key of SIGN_CERT: a PEM file, or a pkcs11: URI of a key on a token; "
                  "empty for a PKCS#12 bundle. Its password or PIN in the environment variable "
                  "OSTRIVANE_SIGN_PASSWORD")
if(SIGN_KEY MATCHES "^pkcs11:")
  set(SIGN_KEY "" CACHE STRING "${sign_key_help}")
  set_property(CACHE SIGN_KEY PROPERTY TYPE STRING)
else()
  set(SIGN_KEY "" CACHE FILEPATH "${sign_key_help}")
  set_property(CACHE SIGN_KEY PROPERTY TYPE FILEPATH)
endif()
set(SIGN_PKCS11_MODULE "" CACHE FILEPATH "PKCS#11 library of the token that holds SIGN_KEY")
set(SIGN_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 timestamp servers for the signature, tried in order (a list: url;url); empty for none")

# For scripts/release.sh: the version forms it checks the built file for,
# the toolchain its record names (each tool's own first line of --version,
# and the MinGW-w64 runtime's version as its header defines it), and the
# program that plays the user in its one run under Wine.
function(ostrivane_first_line variable)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE output ERROR_QUIET)
  string(REGEX MATCH "^[^\n]*" line "${output}")
  string(STRIP "${line}" line)
  set(${variable} "${line}" PARENT_SCOPE)
endfunction()
ostrivane_first_line(release_compiler ${CMAKE_CXX_COMPILER} --version)
ostrivane_first_line(release_binutils ${CMAKE_LINKER} --version)
file(WRITE ${CMAKE_BINARY_DIR}/mingw_version.c "#include <_mingw_mac.h>\n__MINGW64_VERSION_STR\n")
execute_process(COMMAND ${CMAKE_C_COMPILER} -E -P ${CMAKE_BINARY_DIR}/mingw_version.c
                OUTPUT_VARIABLE release_mingw ERROR_QUIET)
string(REGEX REPLACE "[\" \t\r\n]" "" release_mingw "${release_mingw}")
foreach(value IN ITEMS release_compiler release_binutils release_mingw)
  string(REPLACE "\\" "\\\\" ${value} "${${value}}")
  string(REPLACE "\"" "\\\"" ${value} "${${value}}")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/release.json
     "{\"version\": \"${PROJECT_VERSION}\", \"caption\": \"${OSTRIVANE_VERSION_CAPTION}\", "
     "\"record\": \"${OSTRIVANE_VERSION_TEXT}\",\n \"toolchain\": {\"compiler\": \"${release_compiler}\", "
     "\"binutils\": \"${release_binutils}\", \"mingw-w64\": \"${release_mingw}\"}}\n")
add_executable(release_run EXCLUDE_FROM_ALL tests/e2e/release_run.cpp tests/support/driver.cpp)
target_include_directories(release_run PRIVATE tests/support)
target_link_libraries(release_run PRIVATE ostrivane_core)
# The caption and the shortcut's description as the program's own code makes
# them (resources/texts.h), for the release's check and record: compiled, not
# linked, and each taken out of its section as UTF-16 text, ending in a NUL.
add_library(release_texts_object OBJECT EXCLUDE_FROM_ALL tools/release_texts.cpp)
target_link_libraries(release_texts_object PRIVATE ostrivane_options)
# Optimised at link time, the object would hold no data, only the compiler's code.
set_target_properties(release_texts_object PROPERTIES INTERPROCEDURAL_OPTIMIZATION OFF
                      INTERPROCEDURAL_OPTIMIZATION_RELEASE OFF)
set(release_texts ${CMAKE_BINARY_DIR}/release-texts)
add_custom_command(OUTPUT ${release_texts}/caption.utf16 ${release_texts}/description.utf16
  COMMAND ${CMAKE_COMMAND} -E make_directory ${release_texts}
  COMMAND ${CMAKE_OBJCOPY} -O binary -j .caption $<TARGET_OBJECTS:release_texts_object>
          ${release_texts}/caption.utf16
  COMMAND ${CMAKE_OBJCOPY} -O binary -j .descr $<TARGET_OBJECTS:release_texts_object>
          ${release_texts}/description.utf16
  DEPENDS release_texts_object $<TARGET_OBJECTS:release_texts_object>
  VERBATIM)
add_custom_target(release_texts DEPENDS ${release_texts}/caption.utf16 ${release_texts}/description.utf16)

# Signing, on the same rules as scripts/release.sh (tools/sign.py): checked
# now, so that a build never starts with settings it cannot sign with.
if(SIGN_CERT OR SIGN_KEY)
  if(NOT SIGN_CERT)
    ostrivane_refuse("SIGN_KEY is given without SIGN_CERT: give its certificate as SIGN_CERT.")
  endif()
  execute_process(COMMAND ${OSTRIVANE_PYTHON} ${CMAKE_SOURCE_DIR}/tools/sign.py check
                          "${SIGN_CERT}" "${SIGN_KEY}" "${SIGN_PKCS11_MODULE}" ${SIGN_TIMESTAMP_URL}
    RESULT_VARIABLE result OUTPUT_VARIABLE signature ERROR_VARIABLE said)
  string(STRIP "${said}" said)
  if(NOT result EQUAL 0)
    ostrivane_refuse("${said}")
  endif()
  string(STRIP "${signature}" signature)
  # Named on every configure: the settings stay in the cache like the host.
  message(STATUS "Ostrivane.exe will be ${signature} (-DSIGN_CERT= -DSIGN_KEY= for an unsigned build)")
  if(said)
    message(WARNING "${said}")
  endif()
  # The built Ostrivane.exe stays the reproducible unsigned file; the signed
  # copy is made beside it, and again whenever the executable, the
  # certificate or the key file changes. A renewed certificate also runs
  # configure again, so its checks are new too.
  set(signed_exe ${CMAKE_BINARY_DIR}/signed/Ostrivane.exe)
  set(sign_files "${SIGN_CERT}")
  if(SIGN_KEY AND NOT SIGN_KEY MATCHES "^pkcs11:")
    list(APPEND sign_files "${SIGN_KEY}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sign_files})
  # A pkcs11: URI's semicolons would split it into a list.
  string(REPLACE ";" "$<SEMICOLON>" key "${SIGN_KEY}")
  add_custom_command(OUTPUT ${signed_exe}
    COMMAND ${OSTRIVANE_PYTHON} ${CMAKE_SOURCE_DIR}/tools/sign.py sign $<TARGET_FILE:Ostrivane>
            ${signed_exe} "${SIGN_CERT}" "${key}" "${SIGN_PKCS11_MODULE}" ${SIGN_TIMESTAMP_URL}
    DEPENDS Ostrivane ${sign_files} ${CMAKE_SOURCE_DIR}/tools/sign.py
            ${CMAKE_SOURCE_DIR}/tools/ostrivane_site/signing.py
    COMMENT "Signing Ostrivane.exe"
    VERBATIM)
  add_custom_target(ostrivane_signed ALL DEPENDS ${signed_exe})
else()
  message(STATUS "Ostrivane.exe will not be signed (pass -DSIGN_CERT=... to sign it)")
endif()
