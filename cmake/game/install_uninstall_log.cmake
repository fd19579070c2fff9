# Installing one game, last step: the game's install log "uninstall.log" (not for a game a
# package manager removes), written again over the first one of install_begin.cmake. It
# names run-time paths and lists every file of this game, then the folders to remove,
# deepest first, then the Self record. It never lists what other installs share: the
# desktop's caches, the engine kit, shared folders that existed before.
if(NOT QFN_G_UNINSTALLER)
  return()
endif()

# The folders install_begin.cmake listed, now only those that exist (a cache tool that is
# not there made none of its folders).
set(qfn_existing_folders "")
foreach(qfn_folder IN LISTS qfn_folders)
  if(IS_DIRECTORY "$ENV{DESTDIR}${qfn_folder}")
    list(APPEND qfn_existing_folders "${qfn_folder}")
  endif()
endforeach()

# The file update-mime-database made for the game's own type is the game's; the caches
# beside it describe every installed program and stay.
if(NOT qfn_mime_type_file STREQUAL "" AND EXISTS "$ENV{DESTDIR}${qfn_mime_type_file}")
  list(APPEND qfn_files "${qfn_mime_type_file}")
endif()
# The log names its installation: the uninstaller removes nothing from a copy of the game,
# nor anything outside the prefix.
quarn_write_install_log("${qfn_staging}/uninstall.log" "${qfn_prefix}/" "${qfn_game}"
                        "${QFN_G_EXIT_POLL_URL}" "${qfn_files}" "${qfn_existing_folders}")
# Replaced whatever its time stamp: file(INSTALL) skips a file of the same second.
file(REMOVE "$ENV{DESTDIR}${qfn_install_log}")
file(INSTALL DESTINATION "${qfn_game}/Resources" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     FILES "${qfn_staging}/uninstall.log")
