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
# is about to create, or that another game's install created and its log lists: the last
# game of the prefix to go removes them once empty. A staged install (DESTDIR) is for a
# package, whose manager owns the shared folders; only the game's own folders are listed then.
get_filename_component(qfn_games_root "${qfn_game}" DIRECTORY)
file(GLOB qfn_other_logs "$ENV{DESTDIR}${qfn_games_root}/*/Resources/uninstall.log")
list(REMOVE_ITEM qfn_other_logs "$ENV{DESTDIR}${qfn_install_log}")
set(qfn_shared_folders "")
foreach(qfn_other_log IN LISTS qfn_other_logs)
  file(STRINGS "${qfn_other_log}" qfn_other_records REGEX "^${QUARN_LOG_KEY_FOLDER}:")
  list(TRANSFORM qfn_other_records REPLACE "^${QUARN_LOG_KEY_FOLDER}:" "")
  list(APPEND qfn_shared_folders ${qfn_other_records})
endforeach()
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
    list(FIND qfn_shared_folders "${qfn_folder}" qfn_at)
    if(NOT EXISTS "$ENV{DESTDIR}${qfn_folder}" OR NOT qfn_at EQUAL -1)
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

# A reinstall (with another LAUNCHER, fewer data files, or no uninstaller now) removes what
# the previous install's log lists below the prefix and this install does not make, so that
# no file is left that no log lists.
set(qfn_old_records "")
if(EXISTS "$ENV{DESTDIR}${qfn_install_log}")
  file(STRINGS "$ENV{DESTDIR}${qfn_install_log}" qfn_old_records)
endif()
set(qfn_file_head "${QUARN_LOG_KEY_FILE}:${qfn_prefix}/")
string(LENGTH "${qfn_file_head}" qfn_head_length)
string(LENGTH "${QUARN_LOG_KEY_FILE}:" qfn_key_length)
foreach(qfn_record IN LISTS qfn_old_records)
  string(SUBSTRING "${qfn_record}" 0 ${qfn_head_length} qfn_head)
  if(NOT qfn_head STREQUAL qfn_file_head)
    continue()
  endif()
  string(SUBSTRING "${qfn_record}" ${qfn_key_length} -1 qfn_old_file)
  list(FIND qfn_files "${qfn_old_file}" qfn_at)  # install scripts know no IN_LIST
  if(qfn_at EQUAL -1 AND NOT qfn_old_file STREQUAL qfn_mime_type_file AND
     NOT qfn_old_file MATCHES "/\\.\\.?(/|$)")
    message(STATUS "Removing what the previous install left: $ENV{DESTDIR}${qfn_old_file}")
    file(REMOVE "$ENV{DESTDIR}${qfn_old_file}")
  endif()
endforeach()
if(NOT QFN_G_UNINSTALLER)
  file(REMOVE "$ENV{DESTDIR}${qfn_install_log}")
endif()

# Folders: the game's own, those this install creates, and those an earlier install's log
# listed at this place (a reinstall finds them existing but they are still ours).
set(qfn_folders "${qfn_game}/bin" "${qfn_game}/Resources" "${qfn_game}" ${qfn_data_folders}
                ${qfn_new_folders})
foreach(qfn_record IN LISTS qfn_old_records)
  if(qfn_record MATCHES "^${QUARN_LOG_KEY_FOLDER}:(.+)$")
    list(APPEND qfn_folders "${CMAKE_MATCH_1}")
  endif()
endforeach()
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
