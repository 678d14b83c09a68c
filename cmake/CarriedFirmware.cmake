# The carried firmware's version, read from the firmware itself: its description
# block is the marker 55 AA AA 55 and six ASCII digits, the version YYMMDD, which
# the device reports and the version decision compares. The window's title shows
# its date as DD.MM.YY.
#
#   carried_firmware_version(<hex file> <version variable> <date variable>)
#
# A file without the block, or with a version that is no date, stops the build.
function(carried_firmware_version file version_var date_var)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "carried firmware: no file ${file}")
  endif()
  # The data records' bytes in the file's order; a block split over two records
  # that follow each other is found too.
  file(READ "${file}" text)
  string(REGEX MATCHALL ":[0-9A-Fa-f]+" records "${text}")
  set(data "")
  foreach(record IN LISTS records)
    string(LENGTH "${record}" length)
    math(EXPR count "${length} - 11")
    string(SUBSTRING "${record}" 7 2 type)
    if(type STREQUAL "00" AND count GREATER 0)
      string(SUBSTRING "${record}" 9 ${count} bytes)
      string(APPEND data "${bytes}")
    endif()
  endforeach()
  string(TOUPPER "${data}" data)
  # Digit pairs only: a match must start on a byte.
  string(REGEX MATCHALL "[0-9A-F][0-9A-F]" pairs "${data}")
  list(JOIN pairs " " spaced)
  if(NOT spaced MATCHES "55 AA AA 55 (3[0-9]) (3[0-9]) (3[0-9]) (3[0-9]) (3[0-9]) (3[0-9])")
    message(FATAL_ERROR "carried firmware ${file}: no description block (55 AA AA 55 and six digits of the version)")
  endif()
  set(version "")
  foreach(i RANGE 1 6)
    string(SUBSTRING "${CMAKE_MATCH_${i}}" 1 1 digit)
    string(APPEND version "${digit}")
  endforeach()
  string(SUBSTRING "${version}" 0 2 yy)
  string(SUBSTRING "${version}" 2 2 mm)
  string(SUBSTRING "${version}" 4 2 dd)
  if(mm LESS 1 OR mm GREATER 12 OR dd LESS 1 OR dd GREATER 31)
    message(FATAL_ERROR "carried firmware ${file}: version ${version} is no date YYMMDD")
  endif()
  set(${version_var} "${version}" PARENT_SCOPE)
  set(${date_var} "${dd}.${mm}.${yy}" PARENT_SCOPE)
endfunction()
