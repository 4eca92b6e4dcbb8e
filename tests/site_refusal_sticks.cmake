# A configure that refuses a site value names it and says what is wrong, and
# leaves the build folder refusing: every build fails with the same words
# until a configure with good values passes, even for a value the cache
# cannot hold (a line break), without which the next build would pass.
# Run with: cmake -DSOURCE_DIR=... -DWORK_DIR=... -DTOOLCHAIN=... -P site_refusal_sticks.cmake
cmake_minimum_required(VERSION 3.21)

# Runs the command after `words`; fails unless it passes (words "") or fails saying `words`.
function(run words)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REGEX REPLACE "[ \n]+" " " flat "${output}")
  if(NOT (words STREQUAL "" AND result EQUAL 0) AND NOT (words AND NOT result EQUAL 0 AND flat MATCHES "${words}"))
    message(FATAL_ERROR "'${ARGN}' exited ${result}, not as expected (${words}):\n${output}")
  endif()
endfunction()

set(configure ${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${WORK_DIR}" -G Ninja
    "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF)
set(build ${CMAKE_COMMAND} --build "${WORK_DIR}")
set(refusal [[SITE_BRAND "Hanbit\\nBooks" cannot be the brand word: it contains a line break \(U\+000A\)\.]])
file(REMOVE_RECURSE "${WORK_DIR}")
run("" ${configure})
run([[SITE_HOST "https://www\.trelvik\.example/" is not a plain fully qualified host name: it contains a scheme]]
    ${configure} "-DSITE_HOST=https://www.trelvik.example/")
run("${refusal}" ${configure} -DSITE_HOST=www.trelvik.example "-DSITE_BRAND=Hanbit\nBooks")
run("${refusal}" ${build})
run("${refusal}" ${build})
if(EXISTS "${WORK_DIR}/Ostrivane.exe")
  message(FATAL_ERROR "a refused build folder built Ostrivane.exe")
endif()
run("" ${configure} -DSITE_BRAND=Hanbit)
run("" ${build})
if(NOT EXISTS "${WORK_DIR}/Ostrivane.exe")
  message(FATAL_ERROR "the build after a good configure made no Ostrivane.exe")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
