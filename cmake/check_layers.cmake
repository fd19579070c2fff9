# Layering check, run by the build (target check_layers) over the source tree:
#   cmake -DROOT=<source folder> -P check_layers.cmake
# Fails when a file outside platform/ includes a header of platform/linux/ (only the Linux
# layer itself and its own tests in tests/linux/ may) or a port header of platform/port/ (what a port implements is called by
# platform/ alone), when a port header is not the one port header of a service (no service
# header platform/<name>.h beside it, or a folder below port/), or when two files include
# each other; a file and its own header (x.cpp
# and x.h) count as one, so a .cpp that includes a header whose .cpp includes its own header
# closes a circle too. The include roots of the layers make an upward include fail to compile;
# this check also names the files, and covers the circles the compiler cannot see.
cmake_minimum_required(VERSION 3.20)
if(NOT ROOT)
  message(FATAL_ERROR "check_layers: ROOT not set")
endif()
set(folders shell launcher platform state util include engines tests bench fuzz)
set(files)
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE found RELATIVE ${ROOT} ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.h)
  list(APPEND files ${found})
endforeach()

set(faults)
set(units)
foreach(file IN LISTS files)
  string(REGEX REPLACE "\\.(cpp|h)$" "" unit ${file})
  file(STRINGS ${ROOT}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  get_filename_component(folder ${file} DIRECTORY)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    if(NOT header MATCHES "/")
      set(header ${folder}/${header})  # beside the including file
    endif()
    if(header MATCHES "^platform/(linux|port)/" AND NOT file MATCHES "^platform/"
       AND NOT (header MATCHES "^platform/linux/" AND file MATCHES "^tests/linux/"))
      list(APPEND faults "${file} includes ${header}, which only platform/ may")
    endif()
    string(REGEX REPLACE "\\.(cpp|h)$" "" target ${header})
    if(NOT target STREQUAL unit)
      string(MAKE_C_IDENTIFIER "${unit}" key)
      list(APPEND uses_${key} ${target})
      list(APPEND units ${unit})
    endif()
  endforeach()
endforeach()

foreach(file IN LISTS files)
  if(file MATCHES "^platform/port/(.*)$")
    set(service ${CMAKE_MATCH_1})
    if(NOT service MATCHES "^[^/]+\\.h$" OR NOT EXISTS ${ROOT}/platform/${service})
      list(APPEND faults "${file} is not the port header of a service platform/${service}")
    endif()
  endif()
endforeach()

list(REMOVE_DUPLICATES units)
foreach(unit IN LISTS units)
  string(MAKE_C_IDENTIFIER "${unit}" key)
  foreach(target IN LISTS uses_${key})
    string(MAKE_C_IDENTIFIER "${target}" back)
    if(unit STRLESS target AND "${unit}" IN_LIST uses_${back})
      list(APPEND faults "${unit} and ${target} include each other")
    endif()
  endforeach()
endforeach()

if(faults)
  list(REMOVE_DUPLICATES faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Layering check failed:\n  ${text}")
endif()
