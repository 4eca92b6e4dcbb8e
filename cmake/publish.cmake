# Copies EXECUTABLE into DIST_DIR with a SHA-256 checksum file beside it, in
# the format `sha256sum -c` reads, and a plain-text record of what was built:
# RECORD (written at configure time: site, brand, version, edition, icon),
# then the signature and the checksum. Each file is written under a
# temporary name and renamed into place, so DIST_DIR never holds a
# half-written file.
# Run with: cmake -DEXECUTABLE=<exe> -DDIST_DIR=<dir> -DRECORD=<file> -DSITE_HOST=<host>
#                 [-DSIGNATURE=<how it was signed>] -P publish.cmake

cmake_minimum_required(VERSION 3.21)

get_filename_component(name "${EXECUTABLE}" NAME)
file(MAKE_DIRECTORY "${DIST_DIR}")
file(SHA256 "${EXECUTABLE}" hash)
if(SIGNATURE)
  set(state "${SIGNATURE}")
else()
  set(state "unsigned")
endif()
file(READ "${RECORD}" record)

file(COPY_FILE "${EXECUTABLE}" "${DIST_DIR}/${name}.partial")
file(WRITE "${DIST_DIR}/${name}.sha256.partial" "${hash}  ${name}\n")
file(WRITE "${DIST_DIR}/release.txt.partial" "${record}Signature: ${state}\nSHA-256: ${hash}\n")
foreach(file IN ITEMS ${name} ${name}.sha256 release.txt)
  file(RENAME "${DIST_DIR}/${file}.partial" "${DIST_DIR}/${file}")
endforeach()

message(STATUS "Published ${DIST_DIR}/${name} for https://${SITE_HOST} (${state}), SHA-256 ${hash}")
