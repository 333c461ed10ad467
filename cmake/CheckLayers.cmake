# Fails when a source file includes a header of a folder above its own.
# Usage: cmake -DSOURCE_DIR=<tree holding src/> -P CheckLayers.cmake
#
# Each folder of src/ may include the folders listed for it and nothing else
# of src/ (system and Qt headers are not looked at). A folder not listed
# here is refused, so a new folder is placed in the layering when it is made.

cmake_minimum_required(VERSION 3.16)

set(allowed_textfold textfold)
set(allowed_format format)
set(allowed_storage format storage)
set(allowed_library format storage library)
set(allowed_categories format storage library categories)
set(allowed_search textfold format storage library categories search)
set(allowed_transfer format storage library categories transfer)
set(allowed_pdftext pdftext)
set(allowed_fulltext textfold format storage library categories search pdftext fulltext)
set(allowed_pdfview textfold pdfview)
set(core textfold format storage library categories search transfer pdftext fulltext)
set(allowed_cli ${core} cli)
set(allowed_gui ${core} pdfview gui)
set(allowed_main ${core} pdfview gui main)

# Includes that still reach up, each named so that no other joins it
# unnoticed: FLN_DATA, the open library in memory, is declared beside the
# records and holds record arrays.
set(exceptions "src/format/FlnRecords.h:storage/TeskAry.h")

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
if(NOT sources)
  message(FATAL_ERROR "no sources under ${SOURCE_DIR}/src")
endif()

set(faults 0)
foreach(source IN LISTS sources)
  string(REGEX MATCH "^src/([^/]+)/" _ "${source}")
  set(folder "${CMAKE_MATCH_1}")
  if(NOT DEFINED allowed_${folder})
    message(NOTICE "${source}: the folder src/${folder} has no place in the layering")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"/]+/")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "\"(([^\"/]+)/[^\"]*)\"" _ "${line}")
    set(target "${CMAKE_MATCH_2}")
    if("${source}:${CMAKE_MATCH_1}" IN_LIST exceptions)
      continue()
    endif()
    if(NOT EXISTS "${SOURCE_DIR}/src/${target}")
      continue()  # not a folder of src/ (a path of a test or a third-party header)
    endif()
    if(NOT target IN_LIST allowed_${folder})
      string(STRIP "${line}" line)
      message(NOTICE "${source}: ${line} reaches above src/${folder}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

list(LENGTH sources count)
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) break the layering")
endif()
message(STATUS "layering holds in ${count} files")
