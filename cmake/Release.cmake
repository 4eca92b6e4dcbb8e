# What turns a build of Ostrivane.exe, checked fit to ship, into something to
# ship: optional Authenticode signing, and publishing it with its checksum to
# a dist folder.

set(OSTRIVANE_DIST_DIR "" CACHE PATH
    "Folder that receives each site's release after each build, in <folder>/<host>/ (32-bit) or <folder>/<host>/x64/ (64-bit); empty for none")
set(SIGN_CERT "" CACHE FILEPATH
    "Certificate (PEM or DER) to sign Ostrivane.exe with, or a PKCS#12 bundle holding it and its key")
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
set(SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamp server for the signature; empty for none")

# Fails unless the file the cache variable `variable` names can be read,
# naming the file and what is wrong with it.
function(ostrivane_check_readable variable)
  set(file "${${variable}}")
  if(IS_DIRECTORY "${file}")
    message(FATAL_ERROR "${variable} \"${file}\" is a folder, not a file.")
  endif()
  # Not if(EXISTS): it is false for a file this user cannot read. cat says
  # which it is.
  execute_process(COMMAND ${CMAKE_COMMAND} -E cat "${file}"
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
  if(result EQUAL 0)
    return()
  endif()
  string(REGEX REPLACE "^CMake Error: .*: ([^:]*) \\(ignoring\\)\n?$" "\\1" error "${error}")
  string(STRIP "${error}" error)
  if(NOT error MATCHES "^no such file")
    message(FATAL_ERROR "${variable} file \"${file}\" cannot be read: ${error}.")
  endif()
  # A file in a folder this user cannot enter (/etc/ssl/private on Debian)
  # looks missing too: look at the nearest folder above it that is there.
  get_filename_component(folder "${file}" DIRECTORY)
  while(NOT IS_DIRECTORY "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
  execute_process(COMMAND ${CMAKE_COMMAND} -E true WORKING_DIRECTORY "${folder}"
    RESULT_VARIABLE entered OUTPUT_QUIET ERROR_QUIET)
  if(NOT entered EQUAL 0)
    message(FATAL_ERROR "${variable} file \"${file}\" cannot be read: this user cannot enter "
                        "the folder \"${folder}\".")
  endif()
  message(FATAL_ERROR "${variable} file \"${file}\" does not exist.")
endfunction()

# Checks the signing settings (see the README) and sets `signature_var` to
# what the build signs with: the certificate's subject, its expiry and where
# the key is. Fails naming the file, the variable or the token at fault.
function(ostrivane_check_signing signature_var)
  if(NOT SIGN_CERT)
    message(FATAL_ERROR "SIGN_KEY is given without SIGN_CERT: give its certificate as SIGN_CERT.")
  endif()
  ostrivane_check_readable(SIGN_CERT)
  if(SIGN_KEY MATCHES "^pkcs11:")
    if(NOT SIGN_PKCS11_MODULE)
      message(FATAL_ERROR "SIGN_KEY \"${SIGN_KEY}\" is a key on a token: give the token's "
                          "PKCS#11 library as SIGN_PKCS11_MODULE.")
    endif()
    ostrivane_check_readable(SIGN_PKCS11_MODULE)
    set(key_place "key on the PKCS#11 token ${SIGN_KEY} through ${SIGN_PKCS11_MODULE}")
  elseif(SIGN_KEY)
    ostrivane_check_readable(SIGN_KEY)
    set(key_place "key in a file ${SIGN_KEY}")
  else()
    set(key_place "key in a PKCS#12 bundle ${SIGN_CERT}")
  endif()
  if(SIGN_TIMESTAMP_URL AND NOT SIGN_TIMESTAMP_URL MATCHES "^https?://[^/ ]+")
    message(FATAL_ERROR "SIGN_TIMESTAMP_URL \"${SIGN_TIMESTAMP_URL}\" is not an http:// or "
                        "https:// address of an RFC 3161 timestamp server.")
  endif()
  find_program(OPENSSL_PROGRAM openssl)
  find_program(OSSLSIGNCODE_PROGRAM osslsigncode)
  if(NOT OPENSSL_PROGRAM OR NOT OSSLSIGNCODE_PROGRAM)
    message(FATAL_ERROR "Signing needs openssl and osslsigncode: run scripts/setup-debian.sh")
  endif()

  # The certificate, as PEM text on a pipe: the file itself (PEM or DER), or
  # the one that goes with the key in a bundle.
  if(SIGN_KEY)
    set(certificate COMMAND ${OPENSSL_PROGRAM} x509 -in "${SIGN_CERT}")
  else()
    execute_process(COMMAND ${OPENSSL_PROGRAM} x509 -in "${SIGN_CERT}" -noout
      RESULT_VARIABLE read_as_certificate OUTPUT_QUIET ERROR_QUIET)
    if(read_as_certificate EQUAL 0)
      message(FATAL_ERROR "SIGN_CERT \"${SIGN_CERT}\" is a certificate without its key: give the "
                          "key as SIGN_KEY, or a PKCS#12 bundle of both as SIGN_CERT.")
    endif()
    if(DEFINED ENV{OSTRIVANE_SIGN_PASSWORD})
      set(passin -passin env:OSTRIVANE_SIGN_PASSWORD)
    else()
      set(passin -passin pass:)
    endif()
    set(certificate COMMAND ${OPENSSL_PROGRAM} pkcs12 -in "${SIGN_CERT}" -nokeys -clcerts ${passin})
  endif()

  # The key first: it tells a missing or wrong password in the words the build uses.
  execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/signing-key.sh
                          "${SIGN_CERT}" "${SIGN_KEY}" "${SIGN_PKCS11_MODULE}"
    RESULT_VARIABLE result OUTPUT_VARIABLE key_public ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    string(STRIP "${error}" error)
    message(FATAL_ERROR "${error}")
  endif()

  execute_process(${certificate}
    COMMAND ${OPENSSL_PROGRAM} x509 -noout -subject -nameopt RFC2253 -startdate -enddate
            -dateopt iso_8601 -ext extendedKeyUsage -pubkey
    RESULTS_VARIABLE results OUTPUT_VARIABLE details ERROR_VARIABLE error)
  if(NOT results MATCHES "^0;0$|^0$")
    string(STRIP "${error}" error)
    message(FATAL_ERROR "SIGN_CERT \"${SIGN_CERT}\" is not a PEM or DER certificate.\n"
                        "openssl said: ${error}")
  endif()
  string(REGEX MATCH "subject=([^\n]*)" _ "${details}")
  set(subject "${CMAKE_MATCH_1}")
  string(REGEX MATCH "notBefore=([^\n]*)" _ "${details}")
  set(not_before "${CMAKE_MATCH_1}")
  string(REGEX MATCH "notAfter=(([^ \n]*)[^\n]*)" _ "${details}")
  set(not_after "${CMAKE_MATCH_1}")
  set(expiry_day "${CMAKE_MATCH_2}")
  string(REGEX MATCH "-----BEGIN PUBLIC KEY-----.*-----END PUBLIC KEY-----" cert_public "${details}")

  # The real clock: SOURCE_DATE_EPOCH fixes string(TIMESTAMP) for reproducible builds.
  set(source_date "$ENV{SOURCE_DATE_EPOCH}")
  unset(ENV{SOURCE_DATE_EPOCH})
  string(TIMESTAMP now "%Y-%m-%d %H:%M:%SZ" UTC)
  if(NOT source_date STREQUAL "")
    set(ENV{SOURCE_DATE_EPOCH} "${source_date}")
  endif()
  set(dates "valid from ${not_before} until ${not_after}; it is now ${now}")
  if(not_after STRLESS now)
    message(FATAL_ERROR "SIGN_CERT \"${SIGN_CERT}\" has expired (${dates}).")
  endif()
  if(now STRLESS not_before)
    message(FATAL_ERROR "SIGN_CERT \"${SIGN_CERT}\" is not valid yet (${dates}).")
  endif()
  # Without the extension a certificate serves every use; with it, Windows
  # trusts the signature only if code signing is among them.
  if(details MATCHES "Extended Key Usage: *\n *([^\n]*)")
    set(usages "${CMAKE_MATCH_1}")
    if(NOT usages MATCHES "Code Signing|Any Extended Key Usage")
      message(FATAL_ERROR "SIGN_CERT \"${SIGN_CERT}\" is not for signing code: its extended key "
                          "usage is ${usages}.")
    endif()
  endif()

  string(STRIP "${key_public}" key_public)
  if(NOT key_public STREQUAL cert_public)
    if(SIGN_KEY)
      message(FATAL_ERROR "SIGN_KEY \"${SIGN_KEY}\" is not the private key of SIGN_CERT \"${SIGN_CERT}\".")
    endif()
    message(FATAL_ERROR "The key in SIGN_CERT \"${SIGN_CERT}\" is not the private key of its certificate.")
  endif()

  set(signature "signed with \"${subject}\" (valid until ${expiry_day}), ${key_place}")
  if(SIGN_TIMESTAMP_URL)
    string(APPEND signature ", timestamped by ${SIGN_TIMESTAMP_URL}")
  endif()
  set(${signature_var} "${signature}" PARENT_SCOPE)
endfunction()

if(OSTRIVANE_DIST_DIR)
  # Each site's release in a folder of its own, each edition in its own
  # folder there: both keep the name the version record gives the file.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ostrivane_edition "64-bit (x86_64)")
    set(dist_dir "${OSTRIVANE_DIST_DIR}/${SITE_HOST}/x64")
  else()
    set(ostrivane_edition "32-bit (i686)")
    set(dist_dir "${OSTRIVANE_DIST_DIR}/${SITE_HOST}")
  endif()
  if(SITE_ICON)
    file(SHA256 "${SITE_ICON}" icon_hash)
    set(ostrivane_icon_record "${SITE_ICON} (SHA-256 ${icon_hash})")
  else()
    set(ostrivane_icon_record "the default mark")
  endif()
  # What was built, for the record beside the release; the signature and the
  # checksum are added when it is published.
  configure_file(cmake/release_record.txt.in ${CMAKE_BINARY_DIR}/release_record.txt @ONLY)
  # Published by the build that makes the file to ship: see below for a signed one.
  set(publish ${CMAKE_COMMAND} -DDIST_DIR=${dist_dir} -DSITE_HOST=${SITE_HOST}
              -DRECORD=${CMAKE_BINARY_DIR}/release_record.txt)
endif()

if(SIGN_CERT OR SIGN_KEY)
  ostrivane_check_signing(signature)
  # Named on every configure: the settings stay in the cache like the host.
  message(STATUS "Ostrivane.exe will be ${signature} "
                 "(--fresh, or -DSIGN_CERT= -DSIGN_KEY=, for an unsigned build)")
  # The built Ostrivane.exe stays the reproducible unsigned file; the signed
  # copy is made beside it, and again whenever the executable, the
  # certificate or the key file changes. A renewed certificate also runs
  # configure again, so its checks and the signature text are new too.
  set(signed_exe ${CMAKE_CURRENT_BINARY_DIR}/signed/Ostrivane.exe)
  set(sign_files "${SIGN_CERT}")
  if(SIGN_KEY AND NOT SIGN_KEY MATCHES "^pkcs11:")
    list(APPEND sign_files "${SIGN_KEY}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sign_files})
  # A pkcs11: URI's semicolons would split it into a list.
  string(REPLACE ";" "$<SEMICOLON>" key "${SIGN_KEY}")
  string(REPLACE ";" "$<SEMICOLON>" signature "${signature}")
  if(publish)
    set(publish COMMAND ${publish} -DEXECUTABLE=${signed_exe} "-DSIGNATURE=${signature}"
                -P ${CMAKE_SOURCE_DIR}/cmake/publish.cmake)
  endif()
  add_custom_command(OUTPUT ${signed_exe}
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/sign-exe.sh $<TARGET_FILE:Ostrivane> ${signed_exe}
            "${SIGN_CERT}" "${key}" "${SIGN_PKCS11_MODULE}" "${SIGN_TIMESTAMP_URL}"
    ${publish}
    DEPENDS Ostrivane ${sign_files}
            ${CMAKE_SOURCE_DIR}/scripts/sign-exe.sh ${CMAKE_SOURCE_DIR}/scripts/signing-key.sh
    COMMENT "Signing Ostrivane.exe"
    VERBATIM)
  add_custom_target(ostrivane_signed ALL DEPENDS ${signed_exe})
else()
  message(STATUS "Ostrivane.exe will not be signed (pass -DSIGN_CERT=... to sign it)")
  if(publish)
    add_custom_command(TARGET Ostrivane POST_BUILD
      COMMAND ${publish} -DEXECUTABLE=$<TARGET_FILE:Ostrivane> -DSIGNATURE=
              -P ${CMAKE_SOURCE_DIR}/cmake/publish.cmake
      VERBATIM)
  endif()
endif()
