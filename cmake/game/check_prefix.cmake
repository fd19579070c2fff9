# Checked before anything is copied: a line break or tab cannot be written into
# uninstall.log or the desktop entry, ';' splits CMake lists, and CMake itself takes '\' for
# a folder separator.
if(CMAKE_INSTALL_PREFIX MATCHES "[\n\r\t;\\]")
  message(FATAL_ERROR "The install prefix must not hold line breaks, tabs, ';' or '\\'")
endif()
