# Installing one game: the desktop entry, written after the files are copied because its
# Exec line names the run-time launcher path (the prefix without DESTDIR); the file itself
# lands under DESTDIR.
#
# Exec: the launcher path always quoted; inside the quotes '"', '`' and '$' are escaped with
# a backslash ('\' cannot occur: check_prefix.cmake), '%' is doubled (field codes), then
# every '\' is doubled because the key's value is a desktop-entry string.
set(qfn_exec_path "${qfn_launcher}")
string(REPLACE "\"" "\\\"" qfn_exec_path "${qfn_exec_path}")
string(REPLACE "`" "\\`" qfn_exec_path "${qfn_exec_path}")
string(REPLACE "$" "\\$" qfn_exec_path "${qfn_exec_path}")
string(REPLACE "%" "%%" qfn_exec_path "${qfn_exec_path}")
string(REPLACE "\\" "\\\\" qfn_exec_path "${qfn_exec_path}")
set(QFN_DESKTOP_EXEC "\"${qfn_exec_path}\" -psn_desktop %F")
set(QFN_DESKTOP_MIME_LINE "")
if(NOT QFN_G_MIME_TYPE STREQUAL "")
  set(QFN_DESKTOP_MIME_LINE "MimeType=${QFN_G_MIME_TYPE};\n")
endif()
set(QFN_DESKTOP_KEYWORDS_LINE "")
if(NOT QFN_G_KEYWORDS_DESKTOP STREQUAL "")
  set(QFN_DESKTOP_KEYWORDS_LINE "Keywords=${QFN_G_KEYWORDS_DESKTOP}\n")
endif()
# The Uninstall action starts the launcher without the desktop's launch marker, which would
# hide every argument after it from the run cycle. A package-managed game has none: the
# package manager removes it.
set(QFN_DESKTOP_ACTIONS "")
if(QFN_G_UNINSTALLER)
  set(QFN_DESKTOP_ACTIONS
      "Actions=Uninstall;\n\n[Desktop Action Uninstall]\nName=Uninstall\nExec=\"${qfn_exec_path}\" -Uninstall\n")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/game.desktop.in" "${qfn_staging}/${QFN_G_ID}.desktop"
               @ONLY)
file(INSTALL DESTINATION "${qfn_prefix}/${QFN_G_SHARE}/applications" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     FILES "${qfn_staging}/${QFN_G_ID}.desktop")
