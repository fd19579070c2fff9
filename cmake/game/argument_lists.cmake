# The words quarn_install_game's arguments are checked against: icon sizes, desktop-entry
# categories, media types, OARS content attributes and SPDX license ids. Included by
# game_arguments.cmake.
include_guard(GLOBAL)

# Icon sizes the hicolor theme lists: a PNG of another size would land in a folder that no
# desktop looks in.
set(_QUARN_ICON_SIZES 16 22 24 32 36 48 64 72 96 128 192 256 512)
# Registered desktop-entry categories, the main ones first; others must start with "X-". An
# entry names at least one main category.
set(_QUARN_MAIN_CATEGORIES
    AudioVideo Audio Video Development Education Game Graphics Network Office Science Settings
    System Utility)
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

# OARS 1.1 content attributes.
set(_QUARN_OARS_ATTRIBUTES
    violence-cartoon violence-fantasy violence-realistic violence-bloodshed violence-sexual
    violence-desecration violence-slavery violence-worship drugs-alcohol drugs-narcotics
    drugs-tobacco sex-nudity sex-themes sex-homosexuality sex-prostitution sex-adultery
    sex-appearance language-profanity language-humor language-discrimination social-chat
    social-info social-audio social-location social-contacts money-purchasing money-gambling)
# SPDX ids of the licenses games use most; any other is written as LicenseRef-<name>.
set(_QUARN_SPDX_LICENSES
    0BSD AGPL-3.0-only AGPL-3.0-or-later Apache-2.0 Artistic-2.0 BSD-1-Clause BSD-2-Clause
    BSD-3-Clause BSL-1.0 CC-BY-3.0 CC-BY-4.0 CC-BY-NC-4.0 CC-BY-NC-SA-4.0 CC-BY-NC-ND-4.0
    CC-BY-ND-4.0 CC-BY-SA-3.0 CC-BY-SA-4.0 CC0-1.0 EPL-2.0 FSFAP GPL-2.0-only GPL-2.0-or-later
    GPL-3.0-only GPL-3.0-or-later ISC LGPL-2.1-only LGPL-2.1-or-later LGPL-3.0-only
    LGPL-3.0-or-later MIT MIT-0 MPL-2.0 OFL-1.1 Unlicense WTFPL Zlib)
