# The names the engine header declares, read from include/quarn_engine.h so that the header is
# the one list of them: QFN_ENGINE_HEADER_NAMES holds the launcher's g_ variables and the entry
# points, QFN_ENGINE_ENTRY_POINTS the entry points alone. The kit's version script for engines
# (QFN_ENGINE_MAP, in the build tree) is generated from the latter.
set(QFN_ENGINE_HEADER ${PROJECT_SOURCE_DIR}/include/quarn_engine.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${QFN_ENGINE_HEADER})
file(READ ${QFN_ENGINE_HEADER} qfn_header)
string(REGEX MATCHALL "extern [^;]*[ *]g_[A-Za-z]+|X\\(qrn[A-Za-z]+,"
       QFN_ENGINE_HEADER_NAMES "${qfn_header}")
list(TRANSFORM QFN_ENGINE_HEADER_NAMES REPLACE ".*[ *(]((g_|qrn)[A-Za-z]+).*" "\\1")
set(QFN_ENGINE_ENTRY_POINTS ${QFN_ENGINE_HEADER_NAMES})
list(FILTER QFN_ENGINE_ENTRY_POINTS INCLUDE REGEX "^qrn")

list(JOIN QFN_ENGINE_ENTRY_POINTS ";\n    " QFN_ENGINE_MAP_EXPORTS)
set(QFN_ENGINE_MAP ${PROJECT_BINARY_DIR}/kit/quarn_engine.map)
configure_file(${CMAKE_CURRENT_LIST_DIR}/engine_kit/quarn_engine.map.in ${QFN_ENGINE_MAP} @ONLY)
