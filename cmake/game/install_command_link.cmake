# Installing one game: the launcher stripped when the install strips ("cmake --install
# --strip", as packagers do for the engine too), or, for a game that shares the kit's
# launcher, bin/<launcher> a relative link to it; and the command "<prefix>/games/<launcher>"
# that starts the game by name.
if(NOT QFN_G_KIT_LAUNCHER STREQUAL "")
  get_filename_component(qfn_bin "${qfn_launcher}" DIRECTORY)
  file(RELATIVE_PATH qfn_kit_target "${qfn_bin}" "${qfn_prefix}/${QFN_G_KIT_LAUNCHER}")
  file(MAKE_DIRECTORY "$ENV{DESTDIR}${qfn_bin}")
  file(REMOVE "$ENV{DESTDIR}${qfn_launcher}")
  message(STATUS "Installing: $ENV{DESTDIR}${qfn_launcher} -> ${qfn_kit_target}")
  file(CREATE_LINK "${qfn_kit_target}" "$ENV{DESTDIR}${qfn_launcher}" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "$ENV{DESTDIR}${qfn_launcher}")
elseif(CMAKE_INSTALL_DO_STRIP AND NOT QFN_G_STRIP STREQUAL "")
  execute_process(COMMAND "${QFN_G_STRIP}" "$ENV{DESTDIR}${qfn_launcher}")
endif()

# A relative link, so that it stays right when the whole prefix moves. A file already there
# is replaced, as every installed file is.
get_filename_component(qfn_link_folder "${qfn_command_link}" DIRECTORY)
file(RELATIVE_PATH qfn_link_target "${qfn_link_folder}" "${qfn_launcher}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${qfn_link_folder}")
file(REMOVE "$ENV{DESTDIR}${qfn_command_link}")
message(STATUS "Installing: $ENV{DESTDIR}${qfn_command_link} -> ${qfn_link_target}")
file(CREATE_LINK "${qfn_link_target}" "$ENV{DESTDIR}${qfn_command_link}" SYMBOLIC)
# install_manifest.txt names it as it names every copied file, for packagers.
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "$ENV{DESTDIR}${qfn_command_link}")
