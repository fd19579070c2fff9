# quarn_add_engine(<target> <source>...): an engine library, a module named quarnc.so that
# exports the five entry points (quarn_engine.map beside this file) and nothing else. It
# links QuarnEngine::QuarnEngine (the engine header and SDL 1.2): the kit's imported target,
# or this project's alias for its own engines. Installed with the kit.
include_guard(GLOBAL)
if(NOT QUARN_ENGINE_VERSION_SCRIPT)  # the source tree sets its generated copy
  set(QUARN_ENGINE_VERSION_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/quarn_engine.map")
endif()

function(quarn_add_engine target)
  add_library(${target} MODULE ${ARGN})
  target_link_libraries(${target} PRIVATE QuarnEngine::QuarnEngine)
  # -Bsymbolic: the launcher exports variables named like the entry points, and the engine's
  # own references must bind to its own functions.
  # Full RELRO with BIND_NOW, as a distribution's hardening wants of every library.
  target_link_options(${target} PRIVATE "LINKER:--version-script=${QUARN_ENGINE_VERSION_SCRIPT}"
                      "LINKER:-Bsymbolic" "LINKER:-z,relro" "LINKER:-z,now")
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME quarnc SUFFIX ".so"
                        POSITION_INDEPENDENT_CODE ON
                        LINK_DEPENDS "${QUARN_ENGINE_VERSION_SCRIPT}")
endfunction()
