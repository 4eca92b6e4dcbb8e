# Configuring with a host that is not a plain host name must stop with a
# message that names the value and what is wrong with it.
# Run with: cmake -DSOURCE_DIR=... -DWORK_DIR=... -DTOOLCHAIN=... -P site_host_configure.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${WORK_DIR}" -G Ninja
          "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DBUILD_TESTING=OFF
          "-DSITE_HOST=https://www.trelvik.example/"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
file(REMOVE_RECURSE "${WORK_DIR}")

cmake_minimum_required(VERSION 3.21)

if(result EQUAL 0)
  message(FATAL_ERROR "configure accepted SITE_HOST=https://www.trelvik.example/")
endif()
string(REGEX REPLACE "[ \n]+" " " output "${output}")
if(NOT output MATCHES "SITE_HOST \"https://www.trelvik.example/\" is not a plain fully qualified host name: it contains a scheme")
  message(FATAL_ERROR "configure failed without naming the value and the problem:\n${output}")
endif()
