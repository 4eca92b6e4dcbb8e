# Copies EXECUTABLE into DIST_DIR with a SHA-256 checksum file beside it, in
# the format `sha256sum -c` reads. Each file is written under a temporary
# name and renamed into place, so dist/ never holds a half-written file.
# SIGNATURE says with what the file was signed, empty for an unsigned one.
# Run with: cmake -DEXECUTABLE=<exe> -DDIST_DIR=<dir> -DSITE_HOST=<host> -DSIGNATURE=<text>
#           -P publish.cmake

cmake_minimum_required(VERSION 3.21)

get_filename_component(name "${EXECUTABLE}" NAME)
file(MAKE_DIRECTORY "${DIST_DIR}")
file(SHA256 "${EXECUTABLE}" hash)

file(COPY_FILE "${EXECUTABLE}" "${DIST_DIR}/${name}.partial")
file(WRITE "${DIST_DIR}/${name}.sha256.partial" "${hash}  ${name}\n")
file(RENAME "${DIST_DIR}/${name}.partial" "${DIST_DIR}/${name}")
file(RENAME "${DIST_DIR}/${name}.sha256.partial" "${DIST_DIR}/${name}.sha256")

if(SIGNATURE STREQUAL "")
  set(SIGNATURE "unsigned")
endif()
message(STATUS "Published ${DIST_DIR}/${name} for https://${SITE_HOST} (${SIGNATURE}), SHA-256 ${hash}")
