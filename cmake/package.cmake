# "cpack -G DEB" from a build folder configured with -DCMAKE_INSTALL_PREFIX=/usr
# -DQFN_UNINSTALLER=OFF (a distribution build): two Debian packages,
# one per install component, each with a -dbgsym package of its debug symbols.
#   quarn-demo         the demo game (component demo), Section games
#   quarn-engine-dev   the engine kit (component kit): header, CMake package, .pc file and the
#                      launcher every game installs; Section libdevel
# The files are staged with DESTDIR, so the desktop entry names the run-time prefix. The
# changelogs the packages' documentation carries are compressed in install.cmake.
set(CPACK_PACKAGE_VENDOR "Quillfen")
set(CPACK_PACKAGE_CONTACT "Quillfen launcher authors <launcher@quillfen.example>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL demo kit)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.quillfen.example/")
# The binaries' debug information goes into the -dbgsym packages, and CPack strips them then;
# stripping at install time (CPACK_STRIP_FILES) would leave it nothing to keep.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_debug_symbols.cmake)

set(CPACK_DEBIAN_DEMO_PACKAGE_NAME quarn-demo)
set(CPACK_DEBIAN_DEMO_PACKAGE_SECTION games)
if(QFN_SHARED_LAUNCHER)  # the demo's launcher is a link to the kit package's
  set(CPACK_DEBIAN_DEMO_PACKAGE_DEPENDS "quarn-engine-dev (= ${PROJECT_VERSION})")
endif()
set(CPACK_COMPONENT_DEMO_DESCRIPTION
    "bouncing-square demo game of the Quillfen launcher\n"
    "A window with a bouncing square, started by the Quillfen game launcher.\n"
    "It shows how a game is laid out: the launcher, its engine library,\n"
    "the desktop entry and the icon.")

set(CPACK_DEBIAN_KIT_PACKAGE_NAME quarn-engine-dev)
set(CPACK_DEBIAN_KIT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_KIT_PACKAGE_DEPENDS "libsdl1.2-dev, pkgconf | pkg-config")
set(CPACK_COMPONENT_KIT_DESCRIPTION
    "engine kit of the Quillfen game launcher\n"
    "What a game maker builds and installs a game for the Quillfen launcher with:\n"
    "the engine header quarn_engine.h, the CMake package QuarnEngine with\n"
    "quarn_add_engine and quarn_install_game, the pkg-config file quarn-engine\n"
    "and the launcher that every game installs under its own name.")
foreach(component DEMO KIT)
  string(REPLACE ";" "" CPACK_COMPONENT_${component}_DESCRIPTION
                 "${CPACK_COMPONENT_${component}_DESCRIPTION}")
endforeach()
include(CPack)
