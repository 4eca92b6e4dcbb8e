# Configuring with a host that is not a plain host name must stop with a
# message that names the value and what is wrong with it; configuring with
# another host must name it.
# Run with: cmake -DSOURCE_DIR=... -DWORK_DIR=... -DTOOLCHAIN=... -P site_host_configure.cmake
cmake_minimum_required(VERSION 3.21)

foreach(row IN ITEMS
    "https://www.trelvik.example/|1|SITE_HOST \"https://www.trelvik.example/\" is not a plain fully qualified host name: it contains a scheme"
    "www.example.org|0|Ostrivane.exe opens https://www.example.org, not the default host www.trelvik.example")
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 host)
  list(GET row 1 fails)
  list(GET row 2 words)
  file(REMOVE_RECURSE "${WORK_DIR}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${WORK_DIR}" -G Ninja
            "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DBUILD_TESTING=OFF "-DSITE_HOST=${host}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  file(REMOVE_RECURSE "${WORK_DIR}")
  if(fails AND result EQUAL 0)
    message(FATAL_ERROR "configure accepted SITE_HOST=${host}")
  elseif(NOT fails AND NOT result EQUAL 0)
    message(FATAL_ERROR "configure refused SITE_HOST=${host}:\n${output}")
  endif()
  string(REGEX REPLACE "[ \n]+" " " output "${output}")
  string(FIND "${output}" "${words}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "configure with SITE_HOST=${host} did not say '${words}':\n${output}")
  endif()
endforeach()
