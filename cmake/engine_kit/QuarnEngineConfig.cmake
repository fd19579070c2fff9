# find_package(QuarnEngine): builds game engines for the Quillfen launcher out of its tree.
#   QuarnEngine::QuarnEngine   interface target: the include path of quarn_engine.h
#   quarn_add_engine(<target> <source>...)
#       builds a module named quarnc.so that exports the five entry points and nothing else,
#       ready to lie in a game's Resources/ folder beside the launcher's bin/
# Found relative to this file (<prefix>/lib/cmake/QuarnEngine/), so a moved prefix still works.
get_filename_component(_quarn_engine_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
set(QUARN_ENGINE_VERSION_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/quarn_engine.map")
if(NOT TARGET QuarnEngine::QuarnEngine)
  add_library(QuarnEngine::QuarnEngine INTERFACE IMPORTED)
  set_target_properties(QuarnEngine::QuarnEngine PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
                                                            "${_quarn_engine_prefix}/include")
endif()

function(quarn_add_engine target)
  add_library(${target} MODULE ${ARGN})
  target_link_libraries(${target} PRIVATE QuarnEngine::QuarnEngine)
  # -Bsymbolic: the launcher exports variables named like the entry points, and the engine's
  # own references must bind to its own functions.
  target_link_options(${target} PRIVATE "LINKER:--version-script=${QUARN_ENGINE_VERSION_SCRIPT}"
                      "LINKER:-Bsymbolic")
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME quarnc SUFFIX ".so"
                        LINK_DEPENDS "${QUARN_ENGINE_VERSION_SCRIPT}")
endfunction()
