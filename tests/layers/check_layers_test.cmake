# Runs the layering check over a small made-up source tree and compares its verdict:
#   cmake -DCASE=<name> -DCHECK=<check_layers.cmake> -DWORK=<scratch folder> -P this file
# Each case lists its files as "<path>><included header>" pairs ("<path>>": a file that
# includes nothing) or "<path>=<line>" (a line of code, '@' for ';'), and the text the check
# must report (empty: the tree passes).
cmake_minimum_required(VERSION 3.20)
set(clean_files "platform/linux/impl.cpp>platform/linux/own.h"
                "platform/linux/impl.cpp>platform/files.h" "launcher/a.cpp>platform/files.h"
                "launcher/a.cpp>launcher/a.h" "launcher/b.cpp>launcher/a.h"
                "platform/files.h>" "platform/files.cpp>platform/port/files.h"
                "platform/linux/impl.cpp>platform/port/files.h"
                "tests/linux/t.cpp>platform/linux/own.h"
                "platform/log.h=int Logf(const char* text)@" "platform/log.cpp=int Logf(const char* text) {"
                "platform/port/log.h=int OsOpenLog(int a)@" "platform/linux/impl.cpp=int OsOpenLog(int a) {")
set(clean_report "")
set(port_incomplete_files "platform/files.h=int fsRemoveFile(const char* path)@"
                          "platform/linux/impl.cpp=int fsRemoved(const char* path) {")
set(port_incomplete_report "platform/linux/ does not define fsRemoveFile, which a port provides")
set(linux_above_files "launcher/a.cpp>platform/linux/own.h")
set(linux_above_report "launcher/a.cpp includes platform/linux/own.h")
set(test_reaches_linux_files "tests/x/t.cpp>platform/linux/own.h")
set(test_reaches_linux_report "tests/x/t.cpp includes platform/linux/own.h")
set(portable_reaches_linux_files "platform/log.cpp>platform/linux/own.h")
set(portable_reaches_linux_report "platform/log.cpp includes platform/linux/own.h")
set(port_reaches_port_files "platform/dummy/impl.cpp>platform/linux/own.h")
set(port_reaches_port_report "platform/dummy/impl.cpp includes platform/linux/own.h")
set(port_above_files "platform/files.h>" "platform/port/files.h>"
                     "launcher/a.cpp>platform/port/files.h")
set(port_above_report "launcher/a.cpp includes platform/port/files.h")
set(port_without_service_files "platform/port/sockets.h>")
set(port_without_service_report "platform/port/sockets.h is not the port header of a service")
set(port_subfolder_files "platform/files.h>" "platform/port/files/more.h>")
set(port_subfolder_report "platform/port/files/more.h is not the port header of a service")
set(mutual_files "launcher/a.cpp>launcher/b.h" "launcher/b.cpp>launcher/a.h")
set(mutual_report "launcher/a and launcher/b include each other")
set(mutual_beside_files "util/x.h>y.h" "util/y.h>x.h")
set(mutual_beside_report "util/x and util/y include each other")

if(NOT DEFINED ${CASE}_files)
  message(FATAL_ERROR "no case ${CASE}")
endif()
set(root ${WORK}/${CASE})
file(REMOVE_RECURSE ${root})
foreach(pair IN LISTS ${CASE}_files)
  if(pair MATCHES "^([^=>]+)=(.*)$")
    string(REPLACE "@" ";" line "${CMAKE_MATCH_2}")
    file(APPEND ${root}/${CMAKE_MATCH_1} "${line}\n")
    continue()
  endif()
  string(REPLACE ">" ";" parts "${pair}")
  list(GET parts 0 path)
  list(GET parts 1 header)
  if(header STREQUAL "")
    file(APPEND ${root}/${path} "")  # a file that includes nothing
  else()
    file(APPEND ${root}/${path} "#include \"${header}\"\n")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${root} -P ${CHECK} RESULT_VARIABLE result
                ERROR_VARIABLE report)
set(expected "${${CASE}_report}")
if(expected STREQUAL "")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "a sound tree failed the check:\n${report}")
  endif()
elseif(result EQUAL 0)
  message(FATAL_ERROR "the check passed a tree where ${expected}")
else()
  string(FIND "${report}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the report does not say \"${expected}\":\n${report}")
  endif()
endif()
