# Installation of the demo game as a Linux user meets it:
#   <prefix>/<game folder>/bin/<launcher>            the launcher
#   <prefix>/<game folder>/Resources/quarnc.so       the demo engine (the launcher's working folder)
#   <prefix>/<game folder>/Resources/uninstall.log   what "-Uninstall" removes
#   <prefix>/share/applications/<desktop id>.desktop the menu entry, Exec="<launcher>" -psn_desktop %F
#   <prefix>/include/quarn_engine.h                  the contract for engine authors
# The desktop entry and the install log are written at install time (install_finish.cmake),
# because only then is the final prefix known; they hold run-time paths (no DESTDIR).
set(QFN_GAME_FOLDER "lib/quillfen-quarn-demo" CACHE STRING
    "Folder of the installed game, relative to the install prefix")
set(QFN_DESKTOP_ID "com.quillfen.QuarnDemo" CACHE STRING "Desktop entry id of the installed game")
set(QFN_GAME_NAME "Quarn Demo" CACHE STRING "Name of the installed game in the desktop menu")

# Before any file lands: which folders exist already, so that the log lists only the folders
# this installation creates (plus the game's own ones).
configure_file(${CMAKE_CURRENT_LIST_DIR}/install_begin.cmake.in
               ${CMAKE_BINARY_DIR}/install_begin.cmake @ONLY)
install(SCRIPT ${CMAKE_BINARY_DIR}/install_begin.cmake)

install(TARGETS quarn RUNTIME DESTINATION ${QFN_GAME_FOLDER}/bin)
if(TARGET engine_demo)
  install(TARGETS engine_demo LIBRARY DESTINATION ${QFN_GAME_FOLDER}/Resources)
  set(QFN_INSTALL_ENGINE 1)
else()
  set(QFN_INSTALL_ENGINE 0)
endif()

set(QFN_DESKTOP_TEMPLATE ${PROJECT_SOURCE_DIR}/shell/quarn.desktop.in)
configure_file(${CMAKE_CURRENT_LIST_DIR}/install_finish.cmake.in
               ${CMAKE_BINARY_DIR}/install_finish.cmake @ONLY)
install(SCRIPT ${CMAKE_BINARY_DIR}/install_finish.cmake)

# The contract for engine authors, where a compiler finds it: <prefix>/include/quarn_engine.h.
install(FILES ${PROJECT_SOURCE_DIR}/include/quarn_engine.h DESTINATION include)
