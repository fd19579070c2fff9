# quarn_add_engine(<target> <source>...): an engine library, a module named quarnc.so that
# exports the five entry points (quarn_engine.map beside this file) and nothing else. It
# links QuarnEngine::QuarnEngine (the engine header and SDL 1.2): the kit's imported target,
# or this project's alias for its own engines. Installed with the kit.
include_guard(GLOBAL)
if(NOT QUARN_ENGINE_VERSION_SCRIPT)  # the source tree sets its generated copy
  set(QUARN_ENGINE_VERSION_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/quarn_engine.map")
endif()
# The hardening a distribution expects of every library, as the launcher has it; a build
# that instruments the calls itself (sanitizers) turns it off.
if(NOT DEFINED QUARN_ENGINE_HARDENING)
  set(QUARN_ENGINE_HARDENING ON)
endif()

# Stack protector and fortified calls unless the game maker's own flags choose them; a
# project configured without a build type gets the optimisation fortified calls need.
function(_quarn_engine_hardening target)
  set(flags "${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS}")
  if(NOT flags MATCHES "-f(no-)?stack-protector")
    target_compile_options(${target} PRIVATE -fstack-protector-strong)
  endif()
  if(flags MATCHES "_FORTIFY_SOURCE")
    return()
  endif()
  get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
  if(NOT multi_config AND NOT CMAKE_BUILD_TYPE AND NOT flags MATCHES "(^| )-O")
    target_compile_options(${target} PRIVATE -O2)
    target_compile_definitions(${target} PRIVATE _FORTIFY_SOURCE=2)
  else()
    target_compile_definitions(${target} PRIVATE
                               $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
  endif()
endfunction()

function(quarn_add_engine target)
  add_library(${target} MODULE ${ARGN})
  target_link_libraries(${target} PRIVATE QuarnEngine::QuarnEngine)
  # -Bsymbolic: the launcher exports variables named like the entry points, and the engine's
  # own references must bind to its own functions.
  # Full RELRO with BIND_NOW, as a distribution's hardening wants of every library.
  target_link_options(${target} PRIVATE "LINKER:--version-script=${QUARN_ENGINE_VERSION_SCRIPT}"
                      "LINKER:-Bsymbolic" "LINKER:-z,relro" "LINKER:-z,now")
  if(QUARN_ENGINE_HARDENING)
    _quarn_engine_hardening(${target})
  endif()
  # The same sources give the same engine from any folder: neither folder is written into it.
  target_compile_options(${target} PRIVATE "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=."
                         "-ffile-prefix-map=${CMAKE_BINARY_DIR}=build")
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME quarnc SUFFIX ".so"
                        POSITION_INDEPENDENT_CODE ON
                        LINK_DEPENDS "${QUARN_ENGINE_VERSION_SCRIPT}")
endfunction()
