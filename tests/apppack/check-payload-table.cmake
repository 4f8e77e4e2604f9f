# cmake -DTOOL=payload-pack -DINSTALLER=setup.exe -DHEADER=payload_constants.h [-DSAME_AS=other.exe]
#       -P check-payload-table.cmake
#
# The payload inside the built setup.exe must verify against its generated
# constants and carry exactly the entry table the installer was built for:
# its sizes and offsets, and a time for the eight programs only. With
# SAME_AS, the payload resource must also be that file's, byte for byte.
execute_process(COMMAND ${TOOL} inspect ${INSTALLER} --expect ${HEADER}
  OUTPUT_VARIABLE report ERROR_VARIABLE errors RESULT_VARIABLE result)
message("${report}${errors}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "payload-pack inspect exited with ${result}")
endif()

# entry, offset, size, whether it carries a last-write time
set(documented
  "0 132 503 none"
  "1 635 184,320 time"
  "2 184,955 200,192 time"
  "3 385,147 380,416 time"
  "4 765,563 440,320 time"
  "5 1,205,883 214,016 time"
  "6 1,419,899 238,592 time"
  "7 1,658,491 376,320 time"
  "8 2,034,811 309,760 time"
  "9 2,344,571 109,568 none"
  "10 2,454,139 109,056 none")
foreach(row IN LISTS documented)
  string(REPLACE " " ";" fields "${row}")
  list(GET fields 0 entry)
  list(GET fields 1 offset)
  list(GET fields 2 size)
  list(GET fields 3 time)
  if(time STREQUAL "none")
    set(time_pattern "none")
  else()
    set(time_pattern "[1-9][0-9]* \\(2023-08-[0-9][0-9] ")
  endif()
  if(NOT report MATCHES "\n +${entry} +${offset} +${size}  ${time_pattern}")
    message(FATAL_ERROR "entry ${entry}: expected offset ${offset}, size ${size}, last write: ${time}")
  endif()
endforeach()
if(NOT report MATCHES "\ndecoded length: 2,563,195 bytes\n")
  message(FATAL_ERROR "expected a decoded length of 2,563,195 bytes")
endif()

if(NOT SAME_AS)
  return()
endif()
# The resource's bytes, found where the inspection says they are.
function(payload_bytes file out_var)
  execute_process(COMMAND ${TOOL} inspect ${file} --format=kv OUTPUT_VARIABLE kv RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT kv MATCHES "resource_offset ([0-9]+)\n" OR NOT kv MATCHES "resource_size ([0-9]+)\n")
    message(FATAL_ERROR "${file}: no payload resource found (exit ${result})")
  endif()
  string(REGEX MATCH "resource_offset ([0-9]+)" ignored "${kv}")
  set(offset ${CMAKE_MATCH_1})
  string(REGEX MATCH "resource_size ([0-9]+)" ignored "${kv}")
  file(READ ${file} bytes OFFSET ${offset} LIMIT ${CMAKE_MATCH_1} HEX)
  set(${out_var} "${bytes}" PARENT_SCOPE)
endfunction()
payload_bytes(${INSTALLER} ours)
payload_bytes(${SAME_AS} theirs)
string(LENGTH "${ours}" digits)
math(EXPR size "${digits} / 2")
if(NOT ours STREQUAL theirs)
  message(FATAL_ERROR "${INSTALLER} and ${SAME_AS} carry different payload resources")
endif()
message("the payload resource (${size} bytes) is ${SAME_AS}'s, byte for byte")
