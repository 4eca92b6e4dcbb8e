# A configure that refuses a site value says which value and what is wrong,
# and leaves the build folder refusing: every build fails with the same words
# until a configure with good values passes, even for a value the cache
# cannot hold (a line break), which the next build would otherwise configure
# again without, and pass.
# Run with: cmake -DSOURCE_DIR=... -DWORK_DIR=... -DTOOLCHAIN=... -P site_refusal_sticks.cmake
cmake_minimum_required(VERSION 3.21)

# Runs the command after `expect` and fails unless it exits with `expect`
# (0 or "refused") and, when refused, prints `words`.
function(run expect words)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REGEX REPLACE "[ \n]+" " " flat "${output}")
  string(REGEX REPLACE "[ \n]+" " " words "${words}")
  if(expect STREQUAL "0" AND NOT result EQUAL 0)
    message(FATAL_ERROR "'${ARGN}' failed:\n${output}")
  elseif(expect STREQUAL "refused" AND result EQUAL 0)
    message(FATAL_ERROR "'${ARGN}' passed:\n${output}")
  elseif(NOT flat MATCHES "${words}")
    message(FATAL_ERROR "'${ARGN}' did not say '${words}':\n${output}")
  endif()
endfunction()

set(configure ${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${WORK_DIR}" -G Ninja
    "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF)
set(build ${CMAKE_COMMAND} --build "${WORK_DIR}")
file(REMOVE_RECURSE "${WORK_DIR}")

run(0 "" ${configure})
run(refused [[SITE_HOST "https://www\.trelvik\.example/" is not a plain fully qualified host name: it contains a scheme]]
    ${configure} "-DSITE_HOST=https://www.trelvik.example/")
set(refusal [[SITE_BRAND "Hanbit\\nBooks" cannot be the brand word: it contains a line break \(U\+000A\)\.]])
run(refused "${refusal}" ${configure} -DSITE_HOST=www.trelvik.example "-DSITE_BRAND=Hanbit\nBooks")
foreach(again IN ITEMS 1 2)
  run(refused "${refusal}" ${build})
endforeach()
if(EXISTS "${WORK_DIR}/Ostrivane.exe")
  message(FATAL_ERROR "a refused build folder built Ostrivane.exe")
endif()
run(0 "is branded \"Hanbit\"" ${configure} -DSITE_BRAND=Hanbit)
run(0 "" ${build})
if(NOT EXISTS "${WORK_DIR}/Ostrivane.exe")
  message(FATAL_ERROR "the build after a good configure made no Ostrivane.exe")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
