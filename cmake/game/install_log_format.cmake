# The install log "uninstall.log": one "<key>:<value>" record per line. This is the one
# definition of its keys: the install step that writes the log follows it, and the launcher's
# reader and its fuzz oracle use a header generated from it.
set(QUARN_LOG_KEY_PREFIX Prefix)    # the installation's prefix, ending with '/'
set(QUARN_LOG_KEY_GAME Game)        # the game's own folder, whose Resources/ holds the log
set(QUARN_LOG_KEY_POLL Poll)        # the exit-poll address offered after a removal
set(QUARN_LOG_KEY_FILE File)        # a file to delete
set(QUARN_LOG_KEY_FOLDER Folder)    # a folder to remove once it is empty
set(QUARN_LOG_KEY_PATTERN Pattern)  # <folder>:<pattern>, the matching files in the folder
set(QUARN_LOG_KEY_SELF Self)        # the log itself, deleted after every other record

# Writes a log: the installation it is for (its prefix, ending with '/', and the game's
# folder), the poll address (when not empty), a File record per file, a Folder record per
# folder in the order given, and the Self record last.
function(quarn_write_install_log path prefix game poll files folders)
  set(log "${QUARN_LOG_KEY_PREFIX}:${prefix}\n${QUARN_LOG_KEY_GAME}:${game}\n")
  if(NOT poll STREQUAL "")
    string(APPEND log "${QUARN_LOG_KEY_POLL}:${poll}\n")
  endif()
  foreach(file IN LISTS files)
    string(APPEND log "${QUARN_LOG_KEY_FILE}:${file}\n")
  endforeach()
  foreach(folder IN LISTS folders)
    string(APPEND log "${QUARN_LOG_KEY_FOLDER}:${folder}\n")
  endforeach()
  string(APPEND log "${QUARN_LOG_KEY_SELF}:\n")
  file(WRITE "${path}" "${log}")
endfunction()
