# A refused configure leaves the build folder refusing. CMake keeps the
# cache of a failed configure, and a cache entry cannot hold every value
# given on the command line (a line break ends it): the next `cmake --build`
# would configure again with what the cache kept, pass, and build something
# that was never asked for. So the refusal also replaces the build tool's
# file with one that only repeats the refusal, until a configure passes and
# writes the real one again.

function(ostrivane_refuse message)
  set(refusal "${CMAKE_BINARY_DIR}/refused.cmake")
  string(REPLACE "]=]" "] =]" quoted "${message}")
  file(WRITE "${refusal}" "message(FATAL_ERROR [=[${quoted}\nThis build folder stays refused until a configure with good values passes.]=])\n")
  if(CMAKE_GENERATOR MATCHES "Ninja")
    string(REPLACE "$" "$$" command "\"${CMAKE_COMMAND}\" -P \"${refusal}\"")
    file(WRITE "${CMAKE_BINARY_DIR}/build.ninja"
         "rule refuse\n  command = ${command}\n  description = Refused at configure\n"
         "build refused: refuse\ndefault refused\n")
  elseif(CMAKE_GENERATOR MATCHES "Makefiles")
    file(WRITE "${CMAKE_BINARY_DIR}/Makefile"
         ".PHONY: all\nall:\n\t\"${CMAKE_COMMAND}\" -P \"${refusal}\"\n%: all\n\t@:\n")
  endif()
  message(FATAL_ERROR "${message}")
endfunction()
