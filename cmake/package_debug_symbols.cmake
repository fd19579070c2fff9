# Run by CPack after it made the packages (CPACK_POST_BUILD_SCRIPTS): each -dbgsym package is
# made again with dpkg-deb, as Debian's own debug packages are, because CPack lists the debug
# files in its md5sums under the staging folder's absolute path (a file that does not exist,
# and a package that differs with the build folder) and gives the package no documents. The
# md5sums are written anew from the files, and usr/share/doc/<package>-dbgsym becomes a link
# to the documents of the package it depends on. dpkg-deb honours SOURCE_DATE_EPOCH.
find_program(QFN_DPKG_DEB dpkg-deb)
if(NOT QFN_DPKG_DEB)
  message(STATUS "No dpkg-deb: the -dbgsym packages stay as CPack made them")
  return()
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "/([^/_]+)-dbgsym_[^/]*\\.ddeb$")
    continue()
  endif()
  set(base "${CMAKE_MATCH_1}")
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND "${QFN_DPKG_DEB}" -R "${package}" "${tree}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb could not open ${package}")
  endif()
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${tree}" "${tree}/usr/*")
  list(SORT files)
  set(sums "")
  foreach(file IN LISTS files)
    file(MD5 "${tree}/${file}" sum)
    string(APPEND sums "${sum}  ${file}\n")
  endforeach()
  file(WRITE "${tree}/DEBIAN/md5sums" "${sums}")
  file(MAKE_DIRECTORY "${tree}/usr/share/doc")
  file(CREATE_LINK "${base}" "${tree}/usr/share/doc/${base}-dbgsym" SYMBOLIC)
  execute_process(COMMAND "${QFN_DPKG_DEB}" --root-owner-group --build "${tree}" "${package}"
                  OUTPUT_QUIET RESULT_VARIABLE failed)
  file(REMOVE_RECURSE "${tree}")
  if(failed)
    message(FATAL_ERROR "dpkg-deb could not make ${package} again")
  endif()
endforeach()
