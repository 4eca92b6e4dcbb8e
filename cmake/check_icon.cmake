# Fails unless EXECUTABLE carries the program icon as Windows shows it best:
# one icon group holding one image, 48 x 48 pixels at 32 bits with an alpha
# channel, of the size and under the numbers resources/resource_ids.h gives.
# A picture of another size or depth would be embedded by the resource
# compiler without a word.
# Run with: cmake -DOBJDUMP=<objdump> -DEXECUTABLE=<exe> -DRESOURCE_IDS=<resource_ids.h>
#           -P check_icon.cmake

cmake_minimum_required(VERSION 3.21)

file(STRINGS "${RESOURCE_IDS}" defines REGEX "^#define OSTRIVANE_ICON_")
foreach(define IN LISTS defines)
  if(define MATCHES "^#define (OSTRIVANE_ICON_[A-Z_]+) +([0-9]+)")
    set(${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
  endif()
endforeach()

execute_process(COMMAND "${OBJDUMP}" -p "${EXECUTABLE}"
  RESULT_VARIABLE result OUTPUT_VARIABLE headers ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Cannot read the headers of ${EXECUTABLE}: ${error}")
endif()
if(NOT headers MATCHES "\nImageBase[ \t]+([0-9a-fA-F]+)")
  message(FATAL_ERROR "Cannot read the image base of ${EXECUTABLE}")
endif()
set(image_base "0x${CMAKE_MATCH_1}")

function(fail what)
  message(FATAL_ERROR "${EXECUTABLE}'s icon is not a single 48 x 48, 32-bit image of "
                      "${OSTRIVANE_ICON_IMAGE_BYTES} bytes (group ${OSTRIVANE_ICON_GROUP_ID}, image "
                      "${OSTRIVANE_ICON_IMAGE_ID}): ${what}. Give SITE_ICON a square PNG or ICO "
                      "image of at least 48 x 48 pixels.")
endfunction()

# The resources of `type`: "<id>:<address>:<size>" for each, from the
# resource directory objdump prints. Addresses are relative to the image.
function(resources_of type out_var)
  math(EXPR type_hex "${type}" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" type_hex "${type_hex}")
  string(TOLOWER "${type_hex}" type_hex)
  set(found "")
  set(in_type FALSE)
  string(REPLACE "\n" ";" lines "${headers}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-f]+   Entry: ID: 0x0*([0-9a-f]+),")  # a type
      if(CMAKE_MATCH_1 STREQUAL type_hex)
        set(in_type TRUE)
      else()
        set(in_type FALSE)
      endif()
    elseif(in_type AND line MATCHES "^[0-9a-f]+     Entry: ID: 0x([0-9a-f]+),")  # a name
      math(EXPR id "0x${CMAKE_MATCH_1}")
    elseif(in_type AND line MATCHES "Leaf: Addr: 0x([0-9a-f]+), Size: 0x([0-9a-f]+),")
      math(EXPR size "0x${CMAKE_MATCH_2}")
      list(APPEND found "${id}:0x${CMAKE_MATCH_1}:${size}")
    endif()
  endforeach()
  set(${out_var} "${found}" PARENT_SCOPE)
endfunction()

# `count` bytes at `address` (relative to the image), as a hex string.
function(bytes_at address count out_var)
  math(EXPR start "${image_base} + ${address}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR stop "${start} + ${count}" OUTPUT_FORMAT HEXADECIMAL)
  execute_process(COMMAND "${OBJDUMP}" -s -j .rsrc --start-address=${start} --stop-address=${stop}
                          "${EXECUTABLE}"
    RESULT_VARIABLE result OUTPUT_VARIABLE dump)
  set(hex "")
  string(REPLACE "\n" ";" lines "${dump}")
  foreach(line IN LISTS lines)
    # " 4490e8 28000000 30000000 60000000 01002000  (...0...`..... ."
    if(line MATCHES "^ [0-9a-f]+ (([0-9a-f]+ ?)+)  ")
      string(REPLACE " " "" words "${CMAKE_MATCH_1}")
      string(APPEND hex "${words}")
    endif()
  endforeach()
  set(${out_var} "${hex}" PARENT_SCOPE)
endfunction()

# The little-endian number of `size` bytes at byte `offset` of `hex`.
function(number_at hex offset size out_var)
  set(value 0)
  math(EXPR last "${offset} + ${size} - 1")
  foreach(byte RANGE ${last} ${offset} -1)
    math(EXPR position "${byte} * 2")
    string(SUBSTRING "${hex}" ${position} 2 pair)
    math(EXPR value "(${value} << 8) | 0x${pair}")
  endforeach()
  set(${out_var} ${value} PARENT_SCOPE)
endfunction()

resources_of(14 groups)  # RT_GROUP_ICON
resources_of(3 images)   # RT_ICON
list(LENGTH groups group_count)
list(LENGTH images image_count)
if(NOT group_count EQUAL 1 OR NOT image_count EQUAL 1)
  fail("it has ${group_count} icon groups and ${image_count} icon images")
endif()
string(REPLACE ":" ";" group "${groups}")
string(REPLACE ":" ";" image "${images}")
list(GET group 0 group_id)
list(GET group 1 group_address)
list(GET image 0 image_id)
list(GET image 1 image_address)
list(GET image 2 image_size)
if(NOT group_id EQUAL OSTRIVANE_ICON_GROUP_ID OR NOT image_id EQUAL OSTRIVANE_ICON_IMAGE_ID)
  fail("its group is numbered ${group_id} and its image ${image_id}")
endif()
if(NOT image_size EQUAL OSTRIVANE_ICON_IMAGE_BYTES)
  fail("its image is ${image_size} bytes")
endif()

# The image's bitmap header: size, width, height (image and mask), planes, bits.
bytes_at(${image_address} 16 header)
number_at("${header}" 0 4 header_size)
number_at("${header}" 4 4 width)
number_at("${header}" 8 4 height)
number_at("${header}" 12 2 planes)
number_at("${header}" 14 2 bits)
if(NOT header_size EQUAL 40 OR NOT width EQUAL 48 OR NOT height EQUAL 96 OR NOT planes EQUAL 1 OR
   NOT bits EQUAL 32)
  fail("its image is ${width} x ${height} with ${planes} planes at ${bits} bits per pixel")
endif()

# The group's one entry: 48 x 48, 32 bits, the image's size and number.
bytes_at(${group_address} 20 entry)
number_at("${entry}" 4 2 entries)
number_at("${entry}" 6 1 entry_width)
number_at("${entry}" 7 1 entry_height)
number_at("${entry}" 12 2 entry_bits)
number_at("${entry}" 14 4 entry_size)
number_at("${entry}" 18 2 entry_id)
if(NOT entries EQUAL 1 OR NOT entry_width EQUAL 48 OR NOT entry_height EQUAL 48 OR
   NOT entry_bits EQUAL 32 OR NOT entry_size EQUAL image_size OR NOT entry_id EQUAL image_id)
  fail("its group lists ${entries} entries, the first ${entry_width} x ${entry_height} at "
       "${entry_bits} bits, ${entry_size} bytes, image ${entry_id}")
endif()
