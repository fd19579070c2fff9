# Installing one game, last step: the game's install log "uninstall.log" (not for a game a
# package manager removes). It names run-time paths and lists every file of this game, then
# the folders to remove, deepest first, then the Self record. It never lists what other
# installs share: the desktop's caches, the engine kit, shared folders that existed before.
if(NOT QFN_G_UNINSTALLER)
  return()
endif()
include("${CMAKE_CURRENT_LIST_DIR}/install_log_format.cmake")

# The game's data in Resources/: every file and folder the DATA items brought.
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

# Folders: the game's own, those this install created, and those an earlier install's log
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
# Deepest first: sort by the number of '/' (zero-padded so text order is number order); only
# folders that exist (a cache tool that is not there made none of its folders).
set(qfn_keyed "")
foreach(qfn_folder IN LISTS qfn_folders)
  if(NOT IS_DIRECTORY "$ENV{DESTDIR}${qfn_folder}")
    continue()
  endif()
  string(REGEX REPLACE "[^/]" "" qfn_slashes "${qfn_folder}")
  string(LENGTH "${qfn_slashes}" qfn_depth)
  math(EXPR qfn_depth "1000 + ${qfn_depth}")
  list(APPEND qfn_keyed "${qfn_depth}|${qfn_folder}")
endforeach()
list(SORT qfn_keyed)
list(REVERSE qfn_keyed)
list(TRANSFORM qfn_keyed REPLACE "^[0-9]+\\|" "")

# The file update-mime-database made for the game's own type is the game's; the caches
# beside it describe every installed program and stay.
if(NOT qfn_mime_type_file STREQUAL "" AND EXISTS "$ENV{DESTDIR}${qfn_mime_type_file}")
  list(APPEND qfn_files "${qfn_mime_type_file}")
endif()
# The log names its installation: the uninstaller removes nothing from a copy of the game,
# nor anything outside the prefix.
quarn_write_install_log("${qfn_staging}/uninstall.log" "${qfn_prefix}/" "${qfn_game}"
                        "${QFN_G_EXIT_POLL_URL}" "${qfn_files}" "${qfn_keyed}")
file(INSTALL DESTINATION "${qfn_game}/Resources" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     FILES "${qfn_staging}/uninstall.log")
