// Texts and dialog templates of the configuration dialog, its pages, the
// Direct 3D settings box, the objects-to-display choice and the fonts and
// colours dialog. Geometry in dialog units.
#include "Resource.h"

namespace {

constexpr DWORD kPage = WS_CHILD;
constexpr DWORD kBox = WS_TABSTOP;
constexpr DWORD kEdit = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kSortedDrop = CBS_DROPDOWN | CBS_SORT | WS_TABSTOP;
constexpr DWORD kDrop = CBS_DROPDOWN | WS_TABSTOP;

const StringResource kOptionsStrings[] = {
    {500, "Colors"},
    {501, "Fonts"},
    {502, "Star names"},
    {503, "Planet names"},
    {504, "Deep sky names"},
    {505, "Constellations names"},
    {506, "Rule"},
    {509, "Comets"},
    {510, "Asteroids"},
    {511, "Constellations figures"},
    {512, "Constellations borders"},
    {513, "Grids"},
    {514, "Orbits"},
    {515, "Probes"},
    {516, "Probes"},
    {560, "Constellations"},
    {561, "Stars"},
    {562, "Deep sky"},
    {563, "Planets"},
    {564, "Coordinates"},
    {565, "Planetarium"},
    {568, "Magnitude zero : %2.0f pixel(s)"},
    {569, "BOINC"},
    {611, "3D"},
    {612, "Satellites"},
    {1031, "Star position :\r\n\r\nAzimuth : %s\r\nAltitude : %s"},
    {1033, "Universal Time (UT) = %s\r\n"},
    {1034, "Sidereal Time = %s\r\n"},
    {1035, "Julian day number = %10.5f\r\n"},
    {1052, "Sky2000 catalogue active (%i stars loaded)\r\n"},
    {1053, "Tycho2 catalogue active (%i stars loaded)\r\n"},
    {1054, "Tycho2-2 catalogue active (%i stars loaded)\r\n"},
    {1055, "Comets catalogue active (%i comets loaded)\r\n"},
    {1056, "Asteroids catalogue active (%i asteroids loaded)\r\n"},
    {1057, "Bright Stars Catalogue active (%i stars)\r\n"},
    {1058, "SAC catalogue active (%i deep sky objects)\r\n"},
    {1042, "Short"},
    {1043, "Latin"},
    {1044, "English"},
    {1045, "Proper names"},
    {1046, "Bayer letters"},
    {1047, "Flamsteed numbers"},
    {3300, "Horizon"},
    {3700, "It's not possible to select more than 100 objects !"},
};

const DialogControl kOptionsControls[] = {
    {ControlKind::Tab, 1113, nullptr, WS_TABSTOP, 7, 7, 416, 200},
    {ControlKind::DefPushButton, 1, "Apply", kBox, 7, 214, 55, 14},
    {ControlKind::PushButton, 1164, "By default", kBox, 68, 214, 55, 14},
    {ControlKind::PushButton, 2, "Cancel", kBox, 129, 214, 55, 14},
    {ControlKind::PushButton, 1187, "Help", kBox, 368, 214, 55, 14},
};

const DialogControl kConstellationsPage[] = {
    {ControlKind::GroupBox, -1, "Constellations", 0, 7, 4, 266, 76},
    {ControlKind::CheckBox, 1130, "Show names :", kBox, 15, 18, 80, 12},
    {ControlKind::ComboBox, 1131, nullptr, kSortedDrop, 100, 17, 110, 60},
    {ControlKind::CheckBox, 1132, "Draw borders", kBox, 15, 38, 150, 12},
    {ControlKind::CheckBox, 1133, "Draw figures", kBox, 15, 56, 150, 12},
};

const DialogControl kStarsPage[] = {
    {ControlKind::GroupBox, -1, "Names", 0, 7, 2, 266, 30},
    {ControlKind::CheckBox, 1134, "Show names :", kBox, 15, 14, 80, 12},
    {ControlKind::ComboBox, 1135, nullptr, kDrop, 100, 13, 120, 60},
    {ControlKind::GroupBox, -1, "Stars", 0, 7, 36, 266, 90},
    {ControlKind::Edit, 1140, "", WS_BORDER | ES_READONLY, 15, 48, 150, 12},
    {ControlKind::UpDown, 1141, nullptr, UDS_ARROWKEYS, 167, 46, 12, 16},
    {ControlKind::Static, -1, "Limit magnitude :", 0, 15, 68, 70, 10},
    {ControlKind::Edit, 1143, "", kEdit, 90, 66, 40, 12},
    {ControlKind::Static, -1, "Select a tga image for stars", 0, 15, 88, 200, 10},
    {ControlKind::Edit, 1019, "", kEdit, 15, 100, 200, 12},
    {ControlKind::PushButton, 1182, "Browse", kBox, 220, 99, 45, 14},
    {ControlKind::GroupBox, -1, "Catalogues", 0, 7, 130, 266, 42},
    {ControlKind::CheckBox, 1138, "Use Sky2000 catalogue", kBox, 15, 142, 160, 12},
    {ControlKind::CheckBox, 1139, "Use Tycho2 catalogue", kBox, 15, 156, 160, 12},
};

const DialogControl kDeepSkyPage[] = {
    {ControlKind::GroupBox, -1, "Deep sky", 0, 7, 4, 266, 78},
    {ControlKind::CheckBox, 1144, "Show objects", kBox, 15, 16, 150, 12},
    {ControlKind::CheckBox, 1145, "Show names", kBox, 15, 30, 150, 12},
    {ControlKind::CheckBox, 1146, "Show pictures", kBox, 15, 44, 150, 12},
    {ControlKind::Static, -1, "Limit magnitude :", 0, 15, 64, 70, 10},
    {ControlKind::Edit, 1148, "", kEdit, 90, 62, 40, 12},
    {ControlKind::GroupBox, 1173, "Milky Way", 0, 7, 86, 266, 52},
    {ControlKind::CheckBox, 1149, "Show Milky Way", kBox, 15, 98, 150, 12},
    {ControlKind::Static, -1, "Luminosity :", 0, 15, 118, 50, 10},
    {ControlKind::Slider, 1153, nullptr, kBox, 70, 116, 150, 14},
};

const DialogControl kPlanetsPage[] = {
    {ControlKind::CheckBox, 1154, "Show planets' name", kBox, 15, 8, 150, 12},
    {ControlKind::CheckBox, 1046, "Show orbits", kBox, 15, 22, 150, 12},
    {ControlKind::GroupBox, -1, "Comets", 0, 7, 40, 266, 48},
    {ControlKind::CheckBox, 1155, "Compute comets' position", kBox, 15, 52, 160, 12},
    {ControlKind::PushButton, 1007, "Select objects to display", kBox, 15, 68, 120, 14},
    {ControlKind::GroupBox, -1, "Asteroids", 0, 7, 94, 266, 48},
    {ControlKind::CheckBox, 1156, "Compute asteroids' position", kBox, 15, 106, 160, 12},
    {ControlKind::PushButton, 1008, "Select objects to display", kBox, 15, 122, 120, 14},
};

const DialogControl kCoordinatesPage[] = {
    {ControlKind::CheckBox, 1157, "Show coordinates", kBox, 15, 10, 200, 12},
    {ControlKind::CheckBox, 1158, "Show RA/Dec grid", kBox, 15, 26, 200, 12},
    {ControlKind::CheckBox, 1159, "Show Az/Alt grid", kBox, 15, 42, 200, 12},
    {ControlKind::CheckBox, 1160, "Show celestial equator", kBox, 15, 58, 200, 12},
    {ControlKind::CheckBox, 1161, "Show ecliptic", kBox, 15, 74, 200, 12},
};

const DialogControl kPlanetariumPage[] = {
    {ControlKind::GroupBox, -1, "Various", 0, 7, 4, 266, 44},
    {ControlKind::CheckBox, 1041, "Show status line", kBox, 15, 16, 150, 12},
    {ControlKind::CheckBox, 1098, "Natural sky colors", kBox, 15, 30, 150, 12},
    {ControlKind::GroupBox, 1171, "Landscape", 0, 7, 52, 266, 116},
    {ControlKind::CheckBox, 1162, "Show a landscape", kBox, 15, 64, 110, 12},
    {ControlKind::CheckBox, 1043, "Show a cloudy sky", kBox, 140, 64, 110, 12},
    {ControlKind::Static, -1, "Height :", 0, 15, 84, 50, 10},
    {ControlKind::Slider, 1183, nullptr, kBox, 70, 82, 150, 14},
    {ControlKind::Static, -1, "Orientation :", 0, 15, 104, 50, 10},
    {ControlKind::Slider, 1048, nullptr, kBox, 70, 102, 150, 14},
    {ControlKind::Static, -1, "Landscape file", 0, 15, 124, 150, 10},
    {ControlKind::Edit, 1019, "", kEdit, 15, 136, 200, 12},
    {ControlKind::PushButton, 1174, "Browse", kBox, 220, 135, 45, 14},
};

const DialogControl kWorkUnitPage[] = {
    {ControlKind::GroupBox, -1, "BOINC", 0, 7, 4, 266, 110},
    {ControlKind::Static, -1, "SETI@home - Search for Extraterrestrial Intelligence", 0, 15, 16, 250, 10},
    {ControlKind::Static, -1, "The BOINC client usually keeps its files in /var/lib/boinc-client", 0, 15, 30, 250, 10},
    {ControlKind::Static, -1, "Folder containing the client_state.xml file", 0, 15, 50, 200, 10},
    {ControlKind::Edit, 1165, "", kEdit, 15, 62, 200, 12},
    {ControlKind::PushButton, 1166, "Browse", kBox, 220, 61, 45, 14},
    {ControlKind::CheckBox, 1167, "Show the current work unit", kBox, 15, 84, 200, 12},
};

const DialogControl k3DPage[] = {
    {ControlKind::GroupBox, -1, "3D parameters", 0, 7, 2, 266, 170},
    {ControlKind::GroupBox, 1006, "Antialiasing", 0, 15, 14, 80, 52},
    {ControlKind::CheckBox, 1007, "No", kBox | WS_GROUP, 22, 25, 60, 12},
    {ControlKind::CheckBox, 1005, "2x", kBox | WS_GROUP, 22, 38, 60, 12},
    {ControlKind::CheckBox, 1011, "4x", kBox | WS_GROUP, 22, 51, 60, 12},
    {ControlKind::GroupBox, 1008, "Textures", 0, 100, 14, 166, 66},
    {ControlKind::CheckBox, 1012, "Low resolution", kBox | WS_GROUP, 107, 25, 150, 12},
    {ControlKind::CheckBox, 1009, "Normal", kBox | WS_GROUP, 107, 38, 150, 12},
    {ControlKind::CheckBox, 1010, "High resolution", kBox | WS_GROUP, 107, 51, 150, 12},
    {ControlKind::CheckBox, 1055, "Very high resolution", kBox | WS_GROUP, 107, 64, 150, 12},
    {ControlKind::Static, 1014, "Bump mapping :", 0, 15, 70, 80, 10},
    {ControlKind::Slider, 1015, nullptr, kBox, 15, 80, 80, 14},
    {ControlKind::GroupBox, 1013, "Options", 0, 15, 98, 251, 70},
    {ControlKind::CheckBox, 1017, "Atmospheres / clouds", kBox, 22, 109, 105, 12},
    {ControlKind::CheckBox, 1016, "Reflection", kBox, 22, 122, 105, 12},
    {ControlKind::CheckBox, 1018, "Lens Flares", kBox, 22, 135, 105, 12},
    {ControlKind::CheckBox, 1030, "Wireframe", kBox, 22, 148, 105, 12},
    {ControlKind::CheckBox, 1040, "Use compressed textures", kBox, 135, 109, 125, 12},
    {ControlKind::CheckBox, 1056, "Cloud shadows", kBox, 135, 122, 125, 12},
    {ControlKind::CheckBox, 1058, "Real time cloud map", kBox, 135, 135, 125, 12},
    {ControlKind::PushButton, 1063, "Direct 3D settings", kBox, 135, 150, 90, 14},
};

const DialogControl kSatellitesPage[] = {
    {ControlKind::CheckBox, 1030, "Compute positions of artificial satellites around the Earth", kBox, 15, 14, 255, 12},
    {ControlKind::CheckBox, 1031, "Show probes and satellites names", kBox, 15, 30, 255, 12},
};

const DialogControl kDirect3DControls[] = {
    {ControlKind::Static, -1, "De&pth/Stencil Buffer Format :", 0, 7, 9, 110, 10},
    {ControlKind::ComboBox, 1031, nullptr, kSortedDrop, 120, 7, 140, 80},
    {ControlKind::Static, -1, "Present &Interval :", 0, 7, 27, 110, 10},
    {ControlKind::ComboBox, 1032, nullptr, kDrop, 120, 25, 140, 80},
    {ControlKind::Static, -1, "MipMapping : ", 0, 7, 45, 110, 10},
    {ControlKind::ComboBox, 1044, nullptr, kSortedDrop, 120, 43, 140, 60},
    {ControlKind::Static, -1, "Vertex processing :", 0, 7, 63, 110, 10},
    {ControlKind::ComboBox, 1045, nullptr, kSortedDrop, 120, 61, 140, 60},
    {ControlKind::DefPushButton, 1, "OK", kBox, 70, 86, 55, 14},
    {ControlKind::PushButton, 2, "Cancel", kBox, 140, 86, 55, 14},
};

const DialogControl kSelectObjectsControls[] = {
    {ControlKind::Static, -1, "Select objects to display :", 0, 7, 4, 200, 10},
    {ControlKind::Static, -1, "Full list :", 0, 7, 18, 100, 10},
    {ControlKind::ListBox, 1119, nullptr, LBS_EXTENDEDSEL | WS_BORDER | kBox, 7, 30, 124, 150},
    {ControlKind::PushButton, 1007, "->", kBox, 137, 80, 28, 14},
    {ControlKind::PushButton, 1063, "<-", kBox, 137, 100, 28, 14},
    {ControlKind::Static, -1, "Objects to display :", 0, 171, 18, 100, 10},
    {ControlKind::ListBox, 1120, nullptr, LBS_EXTENDEDSEL | WS_BORDER | kBox, 171, 30, 124, 150},
    {ControlKind::DefPushButton, 1, "OK", kBox, 180, 186, 55, 14},
    {ControlKind::PushButton, 2, "Cancel", kBox, 240, 186, 55, 14},
};

const DialogControl kFontsColorsControls[] = {
    {ControlKind::Static, -1, "Double click on an item in the list :", 0, 7, 4, 200, 10},
    {ControlKind::Tab, 1113, nullptr, kBox, 7, 16, 186, 150},
    {ControlKind::ListBox, 1119, nullptr, LBS_NOTIFY | WS_BORDER | kBox, 14, 38, 172, 122},
    {ControlKind::ListBox, 1093, nullptr, LBS_NOTIFY | WS_BORDER | kBox, 14, 38, 172, 122},
    {ControlKind::DefPushButton, 1, "OK", kBox, 7, 172, 55, 14},
    {ControlKind::PushButton, 1068, "By default", kBox, 72, 172, 55, 14},
    {ControlKind::PushButton, 2, "Cancel", kBox, 138, 172, 55, 14},
};

#define CONTROLS(a) a, sizeof(a) / sizeof(a[0])

constexpr DWORD kModal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER;

const DialogTemplate kOptionsTemplates[] = {
    {326, "Nuvarine configuration...", kModal, 0, 0, 430, 234, CONTROLS(kOptionsControls)},
    {327, "", kPage, 0, 0, 282, 176, CONTROLS(kConstellationsPage)},
    {328, "", kPage, 0, 0, 282, 176, CONTROLS(kStarsPage)},
    {329, "", kPage, 0, 0, 282, 176, CONTROLS(kDeepSkyPage)},
    {330, "", kPage, 0, 0, 282, 176, CONTROLS(kPlanetsPage)},
    {331, "", kPage, 0, 0, 282, 176, CONTROLS(kCoordinatesPage)},
    {333, "", kPage, 0, 0, 282, 176, CONTROLS(kPlanetariumPage)},
    {341, "", kPage, 0, 0, 282, 176, CONTROLS(kWorkUnitPage)},
    {219, "", kPage, 0, 0, 282, 176, CONTROLS(k3DPage)},
    {343, "", kPage, 0, 0, 282, 176, CONTROLS(kSatellitesPage)},
    {290, "Direct 3D Settings", kModal, 0, 0, 268, 108, CONTROLS(kDirect3DControls)},
    {283, "Objects to display", kModal, 0, 0, 302, 206, CONTROLS(kSelectObjectsControls)},
    {5001, "Fonts and colors...", kModal, 0, 0, 200, 192, CONTROLS(kFontsColorsControls)},
};

}  // namespace

void RegisterOptionsResources() {
  AfxRegisterStrings(kOptionsStrings, sizeof(kOptionsStrings) / sizeof(kOptionsStrings[0]));
  AfxRegisterDialogs(kOptionsTemplates, sizeof(kOptionsTemplates) / sizeof(kOptionsTemplates[0]));
}
