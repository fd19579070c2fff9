# "cpack -G DEB" from a build folder: a Debian package of the demo game alone (component
# demo), configured with -DCMAKE_INSTALL_PREFIX=/usr -DQFN_UNINSTALLER=OFF. The files are
# staged with DESTDIR, so the desktop entry names the run-time prefix.

set(CPACK_PACKAGE_NAME quarn-demo)
set(CPACK_PACKAGE_VENDOR "Quillfen")
set(CPACK_PACKAGE_CONTACT "Quillfen launcher authors <launcher@quillfen.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bouncing-square demo game of the Quillfen launcher")
set(CPACK_PACKAGE_DESCRIPTION
    "A window with a bouncing square, started by the Quillfen game launcher.\n"
    "It shows how a game is laid out: the launcher, its engine library,\n"
    "the desktop entry and the icon.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL demo)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.quillfen.example/")
set(CPACK_STRIP_FILES ON)
include(CPack)
