# The arguments of quarn_install_game checked at configure time, so that an install never
# stops half-way over one of them; each refusal names the argument and its value. Defaults
# are filled in here too. Included by QuarnInstallGame.cmake.
include_guard(GLOBAL)

# Icon sizes the hicolor theme lists: a PNG of another size would land in a folder that no
# desktop looks in.
set(_QUARN_ICON_SIZES 16 22 24 32 36 48 64 72 96 128 192 256 512)
# Registered desktop-entry categories (main ones first); others must start with "X-".
set(_QUARN_CATEGORIES
    AudioVideo Audio Video Development Education Game Graphics Network Office Science Settings
    System Utility Building Debugger IDE GUIDesigner Profiling RevisionControl Translation
    Calendar ContactManagement Database Dictionary Chart Email Finance FlowChart PDA
    ProjectManagement Presentation Spreadsheet WordProcessor 2DGraphics VectorGraphics
    RasterGraphics 3DGraphics Scanning OCR Photography Publishing Viewer TextTools
    DesktopSettings HardwareSettings Printing PackageManager Dialup InstantMessaging Chat
    IRCClient Feed FileTransfer HamRadio News P2P RemoteAccess Telephony TelephonyTools
    VideoConference WebBrowser WebDevelopment Midi Mixer Sequencer Tuner TV AudioVideoEditing
    Player Recorder DiscBurning ActionGame AdventureGame ArcadeGame BoardGame BlocksGame
    CardGame KidsGame LogicGame RolePlaying Shooter Simulation SportsGame StrategyGame Art
    Construction Music Languages ArtificialIntelligence Astronomy Biology Chemistry
    ComputerScience DataVisualization Economy Electricity Geography Geology Geoscience History
    Humanities ImageProcessing Literature Maps Math NumericalAnalysis MedicalSoftware Physics
    Robotics Spirituality Sports ParallelComputing Amusement Archiving Compression Electronics
    Emulator Engineering FileTools FileManager TerminalEmulator Filesystem Monitor Security
    Accessibility Calculator Clock TextEditor Documentation Adult Core)
set(_QUARN_MEDIA_TYPES application audio font image model text video)

function(_quarn_refuse argument value problem)
  message(FATAL_ERROR "quarn_install_game: ${argument} \"${value}\": ${problem}")
endfunction()

# The hicolor folder of one icon file: scalable for SVG, <size>x<size> read from a PNG.
function(_quarn_icon_folder out icon)
  if(NOT EXISTS "${icon}" OR IS_DIRECTORY "${icon}")
    _quarn_refuse(ICON "${icon}" "no such file")
  endif()
  get_filename_component(extension "${icon}" LAST_EXT)
  string(TOLOWER "${extension}" extension)
  if(extension STREQUAL ".svg")
    set(${out} "scalable" PARENT_SCOPE)
    return()
  elseif(NOT extension STREQUAL ".png")
    _quarn_refuse(ICON "${icon}" "neither SVG nor PNG")
  endif()
  file(READ "${icon}" header LIMIT 24 HEX)
  if(NOT header MATCHES "^89504e470d0a1a0a........49484452(........)(........)$")
    _quarn_refuse(ICON "${icon}" "not a PNG image")
  endif()
  math(EXPR width "0x${CMAKE_MATCH_1}")
  math(EXPR height "0x${CMAKE_MATCH_2}")
  if(NOT width EQUAL height OR NOT width IN_LIST _QUARN_ICON_SIZES)
    list(JOIN _QUARN_ICON_SIZES ", " sizes)
    _quarn_refuse(ICON "${icon}" "${width}x${height} px; a PNG icon is square, ${sizes} px")
  endif()
  set(${out} "${width}x${width}" PARENT_SCOPE)
endfunction()

# Absolute paths of the DATA or DOCS items, each of which must exist. An upper-case word
# that is no file is a misspelt keyword that the list swallowed.
function(_quarn_existing_items out argument)
  set(items "")
  foreach(item IN LISTS ARGN)
    get_filename_component(path "${item}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    if(NOT EXISTS "${path}" AND item MATCHES "^[A-Z][A-Z_]+$")
      _quarn_refuse(${argument} "${item}" "no such file; is it a misspelt keyword?")
    elseif(NOT EXISTS "${path}")
      _quarn_refuse(${argument} "${item}" "no such file or folder")
    endif()
    list(APPEND items "${path}")
  endforeach()
  set(${out} "${items}" PARENT_SCOPE)
endfunction()

# Checks the parsed QFN_G_* arguments and fills in the defaults, in the caller's scope.
macro(_quarn_check_game_arguments)
  foreach(_quarn_keyword IN LISTS QFN_G_KEYWORDS_MISSING_VALUES)
    _quarn_refuse(${_quarn_keyword} "" "given without a value")
  endforeach()
  foreach(_quarn_keyword IN ITEMS ID NAME LAUNCHER ICON)
    if("${QFN_G_${_quarn_keyword}}" STREQUAL "")
      message(FATAL_ERROR "quarn_install_game: ${_quarn_keyword} is required")
    endif()
  endforeach()
  if(QFN_G_UNPARSED_ARGUMENTS)
    list(GET QFN_G_UNPARSED_ARGUMENTS 0 _quarn_keyword)
    _quarn_refuse("${_quarn_keyword}" "${QFN_G_UNPARSED_ARGUMENTS}" "unknown argument")
  endif()
  # The id names files in shared folders and the AppStream component, which wants reverse-DNS
  # with at least three parts.
  if(NOT QFN_G_ID MATCHES "^[A-Za-z][A-Za-z0-9_-]*(\\.[A-Za-z0-9_-]+)(\\.[A-Za-z0-9_-]+)+$")
    _quarn_refuse(ID "${QFN_G_ID}" "ID must be reverse-DNS of three parts or more (org.example.Game)")
  endif()
  if(NOT QFN_G_LAUNCHER MATCHES "^[A-Za-z0-9][A-Za-z0-9._+-]*$")
    _quarn_refuse(LAUNCHER "${QFN_G_LAUNCHER}" "LAUNCHER must be a plain file name")
  endif()
  if(NOT "${QFN_G_MIME_TYPE}" STREQUAL "")
    if("${QFN_G_GLOB}" STREQUAL "")
      _quarn_refuse(MIME_TYPE "${QFN_G_MIME_TYPE}" "MIME_TYPE needs GLOB")
    endif()
    string(REGEX MATCH "^([a-z]+)/[a-z0-9][a-z0-9.+_-]*$" _quarn_match "${QFN_G_MIME_TYPE}")
    if(NOT _quarn_match OR NOT CMAKE_MATCH_1 IN_LIST _QUARN_MEDIA_TYPES)
      _quarn_refuse(MIME_TYPE "${QFN_G_MIME_TYPE}" "not a media type such as application/x-game-save")
    endif()
    if(NOT QFN_G_GLOB MATCHES "^[^/ \t\n\r]+$")
      _quarn_refuse(GLOB "${QFN_G_GLOB}" "one file-name pattern such as *.sav")
    endif()
  endif()
  # Opened by the uninstaller in the player's browser: plain ASCII without spaces or quotes.
  if(NOT "${QFN_G_EXIT_POLL_URL}" STREQUAL "" AND
     NOT QFN_G_EXIT_POLL_URL MATCHES "^https?://[A-Za-z0-9.-]+(:[0-9]+)?(/[A-Za-z0-9._~:/?#@!&'()*+,;=%-]*)?$")
    _quarn_refuse(EXIT_POLL_URL "${QFN_G_EXIT_POLL_URL}" "EXIT_POLL_URL must be an http or https address in ASCII")
  endif()
  string(LENGTH "${QFN_G_EXIT_POLL_URL}" _quarn_length)
  if(_quarn_length GREATER 512)
    _quarn_refuse(EXIT_POLL_URL "${QFN_G_EXIT_POLL_URL}" "longer than the 512 characters of an install-log value")
  endif()
  # Each text is one line of a desktop entry, a man page and an XML element.
  foreach(_quarn_keyword IN ITEMS NAME COMMENT SUMMARY CATEGORIES DESCRIPTION DEVELOPER LICENSE)
    if(QFN_G_${_quarn_keyword} MATCHES "[\n\r]")
      _quarn_refuse(${_quarn_keyword} "${QFN_G_${_quarn_keyword}}" "${_quarn_keyword} must be one line")
    endif()
  endforeach()
  if("${QFN_G_COMMENT}" STREQUAL "")
    set(QFN_G_COMMENT "${QFN_G_NAME}, a game")
  endif()
  if("${QFN_G_SUMMARY}" STREQUAL "")
    set(QFN_G_SUMMARY "${QFN_G_COMMENT}")
  endif()
  string(REGEX REPLACE "\\.$" "" QFN_G_SUMMARY "${QFN_G_SUMMARY}")  # no final full stop
  # The software centre's paragraph: what the game maker wrote, else the two texts there are.
  if("${QFN_G_DESCRIPTION}" STREQUAL "")
    set(QFN_G_DESCRIPTION "${QFN_G_SUMMARY}. ${QFN_G_COMMENT}")
    string(REGEX REPLACE "([^.])$" "\\1." QFN_G_DESCRIPTION "${QFN_G_DESCRIPTION}")
  endif()
  # OARS attributes as <id>=<none|mild|moderate|intense>, or "none" for a game without any
  # such content; nothing when not given, so that no game claims a rating it was not given.
  if(NOT QFN_G_CONTENT_RATING STREQUAL "none")
    foreach(_quarn_rating IN LISTS QFN_G_CONTENT_RATING)
      if(NOT _quarn_rating MATCHES "^[a-z]+(-[a-z]+)+=(none|mild|moderate|intense)$")
        _quarn_refuse(CONTENT_RATING "${_quarn_rating}" "not an OARS <attribute>=<none|mild|moderate|intense>, nor none")
      endif()
    endforeach()
  endif()
  if("${QFN_G_CATEGORIES}" STREQUAL "")
    set(QFN_G_CATEGORIES "Game;")
  endif()
  if(NOT QFN_G_CATEGORIES MATCHES ";$")
    string(APPEND QFN_G_CATEGORIES ";")
  endif()
  string(REGEX REPLACE ";$" "" _quarn_categories "${QFN_G_CATEGORIES}")
  foreach(_quarn_category IN LISTS _quarn_categories)
    if(NOT _quarn_category IN_LIST _QUARN_CATEGORIES AND NOT _quarn_category MATCHES "^X-[A-Za-z0-9-]+$")
      _quarn_refuse(CATEGORIES "${QFN_G_CATEGORIES}" "${_quarn_category} is not a registered category")
    endif()
  endforeach()
  _quarn_existing_items(QFN_G_ICON ICON ${QFN_G_ICON})
  _quarn_existing_items(QFN_G_DATA DATA ${QFN_G_DATA})
  _quarn_existing_items(QFN_G_DOCS DOCS ${QFN_G_DOCS})
  if("${QFN_G_COMPONENT}" STREQUAL "")
    set(QFN_G_COMPONENT game)
  endif()
endmacro()
