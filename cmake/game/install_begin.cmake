# Installing one game, step 1 (before its files are copied): the run-time paths of the
# installation and the folders on the way to them that do not exist yet. The game's
# variables file (QFN_G_*) ran just before; the later steps run in the same scope and use
# these variables too.
include("${CMAKE_CURRENT_LIST_DIR}/check_prefix.cmake")
set(qfn_prefix "${CMAKE_INSTALL_PREFIX}")
get_filename_component(qfn_prefix "${qfn_prefix}" ABSOLUTE)
if(qfn_prefix STREQUAL "/")
  set(qfn_prefix "")
endif()
set(qfn_game "${qfn_prefix}/${QFN_G_GAME_DIR}")
set(qfn_launcher "${qfn_game}/bin/${QFN_G_LAUNCHER}")
set(qfn_install_log "${qfn_game}/Resources/uninstall.log")
set(qfn_command_link "${qfn_prefix}/games/${QFN_G_LAUNCHER}")
set(qfn_files "")
foreach(qfn_relative IN LISTS QFN_G_FILES)
  list(APPEND qfn_files "${qfn_prefix}/${qfn_relative}")
endforeach()
set(qfn_mime_type_file "")
if(NOT QFN_G_MIME_FILE STREQUAL "")
  set(qfn_mime_type_file "${qfn_prefix}/${QFN_G_MIME_FILE}")
endif()
# One staging folder per destination: several installs of this build may run at once.
string(MD5 qfn_destination_hash "$ENV{DESTDIR}|${qfn_prefix}")
set(qfn_staging "${QFN_G_WORK}/staging/${qfn_destination_hash}")
file(MAKE_DIRECTORY "${qfn_staging}")

# Folders from each installed file's folder up to the prefix (inclusive) that this install
# is about to create. A staged install (DESTDIR) is for a package, whose manager owns the
# shared folders; only the game's own folders are listed then.
set(qfn_new_folders "")
string(LENGTH "${qfn_prefix}" qfn_prefix_length)
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  set(qfn_prefix_length 100000)
endif()
foreach(qfn_file IN LISTS qfn_files qfn_install_log qfn_mime_type_file)
  get_filename_component(qfn_folder "${qfn_file}" DIRECTORY)
  while(NOT qfn_folder STREQUAL "/" AND NOT qfn_folder STREQUAL "")
    string(LENGTH "${qfn_folder}" qfn_length)
    if(qfn_length LESS qfn_prefix_length)
      break()
    endif()
    if(NOT EXISTS "$ENV{DESTDIR}${qfn_folder}")
      list(APPEND qfn_new_folders "${qfn_folder}")
    endif()
    get_filename_component(qfn_folder "${qfn_folder}" DIRECTORY)
  endwhile()
endforeach()
