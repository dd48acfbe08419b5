#pragma once
// Resource ids of the program: menus, tool bars, bitmaps, dialogs and the
// string table, and the routine that hands them to the window layer.
#include <cstddef>

#include "Dialog.h"
#include "Frame.h"

// Menus and tool bars.
constexpr unsigned IDR_MAINFRAME = 129;
constexpr unsigned IDR_TOOLBAR_TOP = 5000;
constexpr unsigned IDR_TOOLBAR_RIGHT = 273;
constexpr unsigned IDR_TOOLBAR_LEFT = 400;
constexpr unsigned IDR_TOOLBAR_FULLSCREEN = 314;
// Bitmaps.
constexpr unsigned IDB_TOOLBAR_TOP = 269;
constexpr unsigned IDB_TOOLBAR_RIGHT = 270;
constexpr unsigned IDB_TOOLBAR_LEFT = 271;
constexpr unsigned IDB_TOOLBAR_RIGHT_DISABLED = 5004;
constexpr unsigned IDB_TOOLBAR_LEFT_DISABLED = 5003;
constexpr unsigned IDB_SPLASH = 1005;
constexpr unsigned IDB_LOADING = 253;
// Banners of the information dialogs, by kind of object.
constexpr unsigned IDB_BANNER_STAR = 257;
constexpr unsigned IDB_BANNER_DEEP_SKY = 259;
constexpr unsigned IDB_BANNER_PLANET = 263;
constexpr unsigned IDB_BANNER_MOON = 261;
constexpr unsigned IDB_BANNER_SUN = 262;
constexpr unsigned IDB_BANNER_COMET = 280;
constexpr unsigned IDB_BANNER_ASTEROID = 283;
constexpr unsigned IDB_BANNER_WORK_UNIT = 343;
constexpr unsigned IDB_BANNER_SPACECRAFT = 289;
// Dialogs and their controls.
constexpr unsigned IDD_OBJECT_INFO = 140;
constexpr unsigned IDD_OBJECT_INFO_3D = 288;
constexpr unsigned IDD_NOTES = 336;
constexpr unsigned IDD_SELECT_OBJECT = 284;
constexpr unsigned IDD_FIND = 279;
constexpr unsigned IDD_FIND_STAR = 274;
constexpr unsigned IDD_FIND_DEEP_SKY = 275;
constexpr unsigned IDD_FIND_SOLAR_SYSTEM = 276;
constexpr unsigned IDD_FIND_CONSTELLATION = 278;
// Pop-up menus of a picked object (planetarium, solar-system mode).
constexpr unsigned IDR_OBJECT_MENU = 233;
constexpr unsigned IDR_OBJECT_MENU_3D = 138;
constexpr unsigned IDD_SPLASH = 226;
constexpr unsigned IDD_LOADING = 250;
constexpr unsigned IDD_ADD_PICTURE = 238;
constexpr unsigned IDD_LX200 = 348;
constexpr unsigned IDD_GPS = 315;
constexpr unsigned IDD_SCOPE_TYPE = 360;
constexpr unsigned IDD_SERIAL_CONFIG = 361;
constexpr unsigned IDD_DRIVER_CHOOSER = 5100;
constexpr unsigned IDD_EPHEMERIS = 265;
constexpr unsigned IDD_EPHEMERIS_RESULT = 266;
constexpr unsigned IDD_WORK_IN_PROGRESS = 268;
constexpr unsigned IDB_EPHEMERIS_BANNER = 267;
constexpr int IDC_STATUS_TEXT = 1019;
// String-table entries used by the shell.
constexpr unsigned IDS_SOCKETS_FAILED = 104;
constexpr unsigned IDS_TODAY = 106;
constexpr unsigned IDS_TOMORROW = 107;
constexpr unsigned IDS_PLANET_LIBRARY_MISSING = 300;
constexpr unsigned IDS_RECOVER_COLORS = 1000;
constexpr unsigned IDS_ERROR_CAPTION = 1001;
constexpr unsigned IDS_CATALOGUES_MISSING = 1007;
constexpr unsigned IDS_TELESCOPE_INIT_NOTICE = 1077;
constexpr unsigned IDS_SERIAL_PORT_ERROR = 1078;
constexpr unsigned IDS_NO_TELESCOPE_ANSWER = 1079;
constexpr unsigned IDS_SCREENSHOT_ADDED = 355;
constexpr unsigned IDS_ECLIPTIC = 507;
constexpr unsigned IDS_EQUATOR = 508;
constexpr unsigned IDS_INITIALIZING = 3304;
constexpr unsigned IDS_INITIALIZING_3D = 3305;
constexpr unsigned IDS_LOADING_TEXTURE = 3302;
constexpr unsigned IDS_CREATING_FONTS = 3306;
constexpr unsigned IDS_LOADING_TEXTURES = 3307;
constexpr unsigned IDS_CREATING_OBJECTS = 3308;
constexpr unsigned IDS_LOADING_BSC5 = 3309;
constexpr unsigned IDS_LOADING_SAC = 3310;
constexpr unsigned IDS_PREPARATORY = 3311;
constexpr unsigned IDS_EPHEMERIS = 3312;
constexpr unsigned IDS_SATELLITE_ELEMENTS_OUT_OF_DATE = 3313;
// Information-text paragraphs of a satellite whose elements are too far
// before (3172) or after (3173) the date shown.
constexpr unsigned IDS_SATELLITE_ELEMENTS_TOO_OLD_INFO = 3172;
constexpr unsigned IDS_SATELLITE_ELEMENTS_TOO_NEW_INFO = 3173;

// The tables as data (the frame and the tests read them).
extern const MenuItemResource kMainMenu[];
extern const size_t kMainMenuCount;
extern const ToolBarResource kToolBars[];
extern const size_t kToolBarCount;
extern const DialogTemplate kDialogTemplates[];
extern const size_t kDialogTemplateCount;
extern const StringResource kStringTable[];
extern const size_t kStringTableCount;
extern const StringResource kInfoStringTable[];
extern const size_t kInfoStringTableCount;
extern const StringResource kCalendarStringTable[];
extern const size_t kCalendarStringTableCount;
extern const BitmapResource kBitmaps[];
extern const size_t kBitmapCount;

// Registers every table with the window layer; call once before any window exists.
void RegisterNuvarineResources();
// The information texts' strings, dialogs and banners (part of the above).
void RegisterInfoResources();
// The configuration, Direct 3D, objects-to-display and fonts-and-colours dialogs' texts and templates.
void RegisterOptionsResources();
// Picking, pop-up menus and find (part of the above).
void RegisterFindResources();
// Lists the find pages start with: the Greek letters (symbol list) and the
// bodies of the planet list.
extern const char* const kFindSymbolList[24];
extern const char* const kFindPlanetList[10];
// The setup dialogs' templates, strings and pictures.
void RegisterSetupResources();
// The events calendar's strings, dialogs and picture (part of the above).
void RegisterCalendarResources();

// Texts of the frame's overlays.
constexpr unsigned IDS_LOCKED_ON = 100;
constexpr unsigned IDS_LOCKED = 101;
constexpr unsigned IDS_CAMERA_SPEED = 102;
constexpr unsigned IDS_ANIMATION = 105;
constexpr unsigned IDS_SOUTH = 600;
constexpr unsigned IDS_NORTH = 601;
constexpr unsigned IDS_EAST = 602;
constexpr unsigned IDS_WEST = 603;
constexpr unsigned IDS_RECORDING_VIDEO = 910;
constexpr unsigned IDS_TELESCOPE_MODE = 1025;
constexpr unsigned IDS_PLANETARIUM_MODE = 3500;
constexpr unsigned IDS_SOLAR_SYSTEM_MODE = 3501;
constexpr unsigned IDS_GPS_FIX = 3701;
constexpr unsigned IDS_GPS_WAITING = 3702;
