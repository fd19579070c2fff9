# What "cmake --install" of this project installs, in two components:
#   kit   the engine kit: <includedir>/quarn_engine.h, the launcher <libexecdir>/quarn/quarn
#         (imported by the kit as QuarnEngine::launcher), the CMake package
#         <libdir>/cmake/QuarnEngine/ (with quarn_install_game and its templates) and
#         <libdir>/pkgconfig/quarn-engine.pc, and its copyright and changelog
#   demo  the demo game, installed by quarn_install_game as any game is
# The kit comes first, so the demo's install log never claims a folder the kit fills.
include(CMakePackageConfigHelpers)
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/game/check_prefix.cmake COMPONENT kit)
set(QFN_KIT_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/QuarnEngine")
set(QFN_KIT_LAUNCHER "${CMAKE_INSTALL_LIBEXECDIR}/quarn/${QFN_LAUNCHER_NAME}")

install(FILES ${PROJECT_SOURCE_DIR}/include/quarn_engine.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT kit)
install(TARGETS quarn RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/quarn COMPONENT kit)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/engine_kit/QuarnEngineConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/kit/QuarnEngineConfig.cmake
                              INSTALL_DESTINATION ${QFN_KIT_DIR}
                              PATH_VARS CMAKE_INSTALL_INCLUDEDIR QFN_KIT_LAUNCHER)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/kit/QuarnEngineConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/kit/QuarnEngineConfig.cmake
              ${CMAKE_BINARY_DIR}/kit/QuarnEngineConfigVersion.cmake
              ${QFN_ENGINE_MAP}
              ${CMAKE_CURRENT_LIST_DIR}/engine_kit/QuarnAddEngine.cmake
              ${CMAKE_CURRENT_LIST_DIR}/QuarnInstallGame.cmake
        DESTINATION ${QFN_KIT_DIR} COMPONENT kit)
install(DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/game DESTINATION ${QFN_KIT_DIR} COMPONENT kit)
# The platform's list of the desktop caches, which the install steps refresh.
set(QUARN_DESKTOP_CACHES_LIST ${QFN_PORT_DIR}/desktop_caches.cmake)
install(FILES ${QUARN_DESKTOP_CACHES_LIST} DESTINATION ${QFN_KIT_DIR}/game COMPONENT kit)
file(RELATIVE_PATH QFN_PC_TO_PREFIX "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
configure_file(${CMAKE_CURRENT_LIST_DIR}/engine_kit/quarn-engine.pc.in
               ${CMAKE_BINARY_DIR}/kit/quarn-engine.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/kit/quarn-engine.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT kit)

# The kit's own copyright and changelog, for its package (changelog compressed as Debian
# wants it, when gzip is there).
find_program(QFN_GZIP gzip)
set(qfn_kit_docs ${PROJECT_SOURCE_DIR}/data/doc/kit/copyright)
if(QFN_GZIP)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/doc/kit)
  execute_process(COMMAND ${QFN_GZIP} -9nc ${PROJECT_SOURCE_DIR}/data/doc/kit/changelog
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/doc/kit/changelog.gz)
  list(APPEND qfn_kit_docs ${CMAKE_BINARY_DIR}/doc/kit/changelog.gz)
endif()
install(FILES ${qfn_kit_docs} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quarn-engine-dev
        COMPONENT kit)

# The demo game, through the same function a game maker calls.
if(TARGET engine_demo)
  set(QUARN_LAUNCHER_TARGET quarn)
  set(QUARN_KIT_LAUNCHER_PATH "${QFN_KIT_LAUNCHER}")
  set(qfn_demo_launcher "")
  if(QFN_SHARED_LAUNCHER)
    set(qfn_demo_launcher SHARED_LAUNCHER)
  endif()
  include(${CMAKE_CURRENT_LIST_DIR}/QuarnInstallGame.cmake)
  set(qfn_demo_uninstaller "")
  if(NOT QFN_UNINSTALLER)
    set(qfn_demo_uninstaller NO_UNINSTALLER)
  endif()
  file(GLOB qfn_demo_pngs ${PROJECT_SOURCE_DIR}/data/icons/*/quarn-demo.png)
  # The changelog the package's documentation carries, compressed as Debian wants it.
  set(qfn_demo_docs ${PROJECT_SOURCE_DIR}/data/doc/copyright)
  if(QFN_GZIP)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/doc)
    execute_process(COMMAND ${QFN_GZIP} -9nc ${PROJECT_SOURCE_DIR}/data/doc/changelog
                    OUTPUT_FILE ${CMAKE_BINARY_DIR}/doc/changelog.gz RESULT_VARIABLE qfn_gzipped)
    if(qfn_gzipped EQUAL 0)  # it must exist before the install's arguments are checked
      list(APPEND qfn_demo_docs ${CMAKE_BINARY_DIR}/doc/changelog.gz)
    endif()
  endif()
  quarn_install_game(engine_demo
    ID com.quillfen.QuarnDemo
    NAME "Quarn Demo"
    LAUNCHER quarn-demo
    ICON ${PROJECT_SOURCE_DIR}/data/icons/quarn-demo.svg ${qfn_demo_pngs}
    MIME_TYPE application/x-quarn-demo-save GLOB "*.quarnsave"
    COMMENT "A bouncing square: the demo game of the Quillfen launcher"
    SUMMARY "Demo game of the Quillfen launcher"
    CATEGORIES "Game;ArcadeGame;"
    KEYWORDS "demo;bouncing;square;"
    HOMEPAGE "https://www.quillfen.example/"
    LICENSE Zlib
    EXIT_POLL_URL "http://www.quillfen.example/uninstallpoll.html"
    DESCRIPTION "A square bounces around a window until you close it. The demo shows how a game is laid out for the Quillfen launcher: the launcher, the engine library, the desktop entry, the icon and the document type."
    DEVELOPER "Quillfen launcher authors"
    CONTENT_RATING none
    DOCS ${qfn_demo_docs}
    COMPONENT demo
    ${qfn_demo_uninstaller} ${qfn_demo_launcher})
endif()
