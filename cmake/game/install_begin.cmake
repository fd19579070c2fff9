# Installing one game, step 1 (before its files are copied): the run-time paths of the
# installation, a refusal when a file it would replace belongs to another game, the folders
# on the way that do not exist yet, and a first install log of everything the install is
# about to make, so that an install that stops half-way can still be uninstalled. The
# game's variables file (QFN_G_*) ran just before; the later steps run in the same scope.
include("${CMAKE_CURRENT_LIST_DIR}/check_prefix.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/install_log_format.cmake")
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

# The game's data in Resources/: every file and folder the DATA items bring.
set(qfn_data_folders "")
foreach(qfn_item IN LISTS QFN_G_DATA)
  get_filename_component(qfn_name "${qfn_item}" NAME)
  set(qfn_target "${qfn_game}/Resources/${qfn_name}")
  if(IS_DIRECTORY "${qfn_item}")
    list(APPEND qfn_data_folders "${qfn_target}")
    file(GLOB_RECURSE qfn_entries LIST_DIRECTORIES true RELATIVE "${qfn_item}" "${qfn_item}/*")
    foreach(qfn_entry IN LISTS qfn_entries)
      if(IS_DIRECTORY "${qfn_item}/${qfn_entry}")
        list(APPEND qfn_data_folders "${qfn_target}/${qfn_entry}")
      else()
        list(APPEND qfn_files "${qfn_target}/${qfn_entry}")
      endif()
    endforeach()
  else()
    list(APPEND qfn_files "${qfn_target}")
  endif()
endforeach()

include("${CMAKE_CURRENT_LIST_DIR}/install_owners.cmake")

# Folders: the game's own, those this install creates, and those an earlier install's log
# listed at this place (a reinstall finds them existing but they are still ours).
set(qfn_folders "${qfn_game}/bin" "${qfn_game}/Resources" "${qfn_game}" ${qfn_data_folders}
                ${qfn_new_folders})
if(EXISTS "$ENV{DESTDIR}${qfn_install_log}")
  file(STRINGS "$ENV{DESTDIR}${qfn_install_log}" qfn_old_records
       REGEX "^${QUARN_LOG_KEY_FOLDER}:")
  foreach(qfn_record IN LISTS qfn_old_records)
    string(REGEX REPLACE "^${QUARN_LOG_KEY_FOLDER}:" "" qfn_record "${qfn_record}")
    list(APPEND qfn_folders "${qfn_record}")
  endforeach()
endif()
list(REMOVE_DUPLICATES qfn_folders)
# Deepest first: sort by the number of '/' (zero-padded so text order is number order).
set(qfn_keyed "")
foreach(qfn_folder IN LISTS qfn_folders)
  string(REGEX REPLACE "[^/]" "" qfn_slashes "${qfn_folder}")
  string(LENGTH "${qfn_slashes}" qfn_depth)
  math(EXPR qfn_depth "1000 + ${qfn_depth}")
  list(APPEND qfn_keyed "${qfn_depth}|${qfn_folder}")
endforeach()
list(SORT qfn_keyed)
list(REVERSE qfn_keyed)
list(TRANSFORM qfn_keyed REPLACE "^[0-9]+\\|" "" OUTPUT_VARIABLE qfn_folders)

if(QFN_G_UNINSTALLER)
  quarn_write_install_log("${qfn_staging}/uninstall.log" "${qfn_prefix}/" "${qfn_game}"
                          "${QFN_G_EXIT_POLL_URL}" "${qfn_files}" "${qfn_folders}")
  # Replaced whatever its time stamp: file(INSTALL) skips a file of the same second.
  file(REMOVE "$ENV{DESTDIR}${qfn_install_log}")
  file(INSTALL DESTINATION "${qfn_game}/Resources" TYPE FILE
       PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
       FILES "${qfn_staging}/uninstall.log")
endif()
