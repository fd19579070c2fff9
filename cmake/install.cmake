# Installation of the demo game as a Linux user meets it:
#   <prefix>/<game folder>/bin/<launcher>            the launcher
#   <prefix>/<game folder>/Resources/quarnc.so       the demo engine (the launcher's working folder)
#   <prefix>/<game folder>/Resources/uninstall.log   what "-Uninstall" removes
#   <prefix>/share/applications/<desktop id>.desktop the menu entry, Exec="<launcher>" -psn_desktop %F,
#                                                    opening the saved games, action Uninstall
#   <prefix>/share/icons/hicolor/*/apps/<desktop id>.{svg,png}   the icon the entry names
#   <prefix>/share/mime/packages/<desktop id>.xml    the saved games' MIME type
#   <prefix>/games/<command name>                    symbolic link to the launcher
#   <prefix>/include/quarn_engine.h                  the contract for engine authors, and
#   <prefix>/lib/cmake/QuarnEngine/, lib/pkgconfig/quarn-engine.pc
#                                                    the kit that builds an engine against it
# The desktop entry, the link and the install log are written at install time
# (install_finish.cmake), because only then is the final prefix known; they hold run-time
# paths (no DESTDIR).
set(QFN_GAME_FOLDER "lib/quillfen-quarn-demo" CACHE STRING
    "Folder of the installed game, relative to the install prefix")
set(QFN_DESKTOP_ID "com.quillfen.QuarnDemo" CACHE STRING "Desktop entry id of the installed game")
set(QFN_GAME_NAME "Quarn Demo" CACHE STRING "Name of the installed game in the desktop menu")
set(QFN_COMMAND_NAME "quarn-demo" CACHE STRING
    "Name of the link in <prefix>/games that starts the game from a terminal")
set(QFN_MIME_TYPE "application/x-quarn-demo-save" CACHE STRING "MIME type of the saved games")
set(QFN_SAVE_GLOB "*.quarnsave" CACHE STRING "File-name pattern of the saved games")
set(QFN_ICON_SIZES "48;64;128;256")
set(QFN_ICON_NAME "${QFN_DESKTOP_ID}")

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

# The icon under the desktop id's name in the hicolor theme, where every desktop looks.
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/quarn-demo.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME ${QFN_ICON_NAME}.svg)
foreach(size IN LISTS QFN_ICON_SIZES)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${size}/quarn-demo.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${QFN_ICON_NAME}.png)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/data/quarn-demo-mime.xml.in
               ${CMAKE_BINARY_DIR}/install-data/${QFN_DESKTOP_ID}.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install-data/${QFN_DESKTOP_ID}.xml
        DESTINATION share/mime/packages)

# The contract for engine authors, where a compiler finds it: <prefix>/include/quarn_engine.h,
# and the kit that builds an engine against it: find_package(QuarnEngine) and pkg-config.
install(FILES ${PROJECT_SOURCE_DIR}/include/quarn_engine.h DESTINATION include)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/engine_kit/QuarnEngineConfig.cmake
              ${CMAKE_CURRENT_LIST_DIR}/engine_kit/quarn_engine.map
        DESTINATION lib/cmake/QuarnEngine)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/engine_kit/quarn-engine.pc DESTINATION lib/pkgconfig)

# After every file above: the finishing step lists the folders that exist by then.
set(QFN_DESKTOP_TEMPLATE ${PROJECT_SOURCE_DIR}/shell/quarn.desktop.in)
configure_file(${CMAKE_CURRENT_LIST_DIR}/install_finish.cmake.in
               ${CMAKE_BINARY_DIR}/install_finish.cmake @ONLY)
install(SCRIPT ${CMAKE_BINARY_DIR}/install_finish.cmake)
