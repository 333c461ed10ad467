# Fails when code above the library layer works with the container directly:
# its result codes (ZEL_OK, ZEL_ERR_*), its file handle or its calls. The
# library turns them into an FlnResult that names the reason, and the layers
# above see only that.
# Usage: cmake -DSOURCE_DIR=<tree holding src/> -P CheckStorageCodes.cmake
#
# Allowed above: the byte-order helpers (ZEL_Endian*) and the size arithmetic
# of the container's format (ZEL_ItemSize, ZEL_Fits), which answer no code.

cmake_minimum_required(VERSION 3.16)

set(above categories search transfer fulltext pdftext gui cli main)
set(allowed "ZEL_Endian[A-Za-z_]*" "ZEL_ItemSize" "ZEL_Fits")

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(faults 0)
set(count 0)
foreach(folder IN LISTS above)
  file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/${folder}/*.h"
       "${SOURCE_DIR}/src/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    math(EXPR count "${count} + 1")
    file(STRINGS "${SOURCE_DIR}/${source}" lines REGEX "ZEL_[A-Z]")
    foreach(line IN LISTS lines)
      string(REGEX MATCHALL "ZEL_[A-Za-z_]+" names "${line}")
      foreach(name IN LISTS names)
        set(known FALSE)
        foreach(pattern IN LISTS allowed)
          if(name MATCHES "^${pattern}$")
            set(known TRUE)
          endif()
        endforeach()
        if(NOT known)
          message(NOTICE "${source}: ${name} is the container's; above src/library use the library's FlnResult")
          math(EXPR faults "${faults} + 1")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()

if(count EQUAL 0)
  message(FATAL_ERROR "no sources above src/library under ${SOURCE_DIR}")
endif()
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} use(s) of the container above src/library")
endif()
message(STATUS "no container code above src/library in ${count} files")
