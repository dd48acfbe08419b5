// Resources of picking, the object pop-up menus and the find dialog: the
// two pop-up menus, the select and find dialogs with the four find pages,
// the lists the pages start with, and their strings.
#include "Resource.h"

namespace {

#define POPUP(text) {MF_POPUP, 0, text}
#define ITEM(text, id) {MF_STRING, id, text}
#define SEP {MF_SEPARATOR, 0, nullptr}
#define END {MF_END, 0, nullptr}

// Planetarium mode; the first separator becomes the title line.
const MenuItemResource kObjectMenu[] = {
    POPUP(""),
      SEP, SEP,
      ITEM("Information", 235), ITEM("Follow", 236), ITEM("Center", 284), ITEM("Add an image...", 237),
      ITEM("Call a DSS server...", 287), ITEM("Notes", 32780),
    END,
};

// Solar-system mode.
const MenuItemResource kObjectMenu3D[] = {
    POPUP("Popup"),
      SEP, SEP,
      ITEM("Information", 144), ITEM("Unlock object", 181),
    END,
};

const StringResource kFindStrings[] = {
    {700, "Star"},
    {701, "Deep Sky object"},
    {702, "Solar system"},
    {703, "Constellation"},
    {1036, "This constellation is below the horizon !"},
    {1037, "This object is below the horizon !"},
    {1038, "Impossible to follow this object !\r\nIt's below the horizon."},
    {1039, "Object unknown !"},
    {1040, "Star"},
    {1041, "Star HD : %li"},
    {3600, "Lock on object"},
    {3601, "Unlock object"},
};

const DWORD kDropDown = CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP;
const DWORD kNumberEdit = WS_BORDER | WS_TABSTOP;

const DialogControl kSelectControls[] = {
    {ControlKind::ListBox, 1093, nullptr, LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 7, 7, 172, 60},
    {ControlKind::DefPushButton, IDOK, "Select", WS_TABSTOP, 36, 74, 50, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel", WS_TABSTOP, 100, 74, 50, 14},
};

const DialogControl kFindControls[] = {
    {ControlKind::Tab, 1039, nullptr, WS_TABSTOP, 7, 7, 246, 150},
    // Enter in a field does not press Find (the dialog's default button is
    // an identifier that no control has).
    {ControlKind::PushButton, IDOK, "Find", WS_TABSTOP, 139, 163, 55, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel", WS_TABSTOP, 198, 163, 55, 14},
};

const DialogControl kStarPageControls[] = {
    {ControlKind::Static, -1, "1)  Star name :", 0, 8, 10, 90, 8},
    {ControlKind::ComboBox, 1082, nullptr, kDropDown | CBS_SORT, 104, 8, 124, 80},
    {ControlKind::Static, -1, "2)  Symbol :", 0, 8, 32, 90, 8},
    {ControlKind::ComboBox, 1023, nullptr, kDropDown, 104, 30, 124, 80},
    {ControlKind::Static, -1, "+ Constellation :", 0, 18, 50, 80, 8},
    {ControlKind::ComboBox, 1024, nullptr, kDropDown | CBS_SORT, 104, 48, 124, 80},
    {ControlKind::Static, -1, "3)  Number in the Henry catalogue :", 0, 8, 74, 130, 8},
    {ControlKind::Edit, 1019, "", kNumberEdit, 150, 72, 78, 13},
    {ControlKind::Static, -1, "4)  Number in the SAO catalogue :", 0, 8, 94, 130, 8},
    {ControlKind::Edit, 1020, "", kNumberEdit, 150, 92, 78, 13},
};

const DialogControl kDeepSkyPageControls[] = {
    {ControlKind::Static, -1, "Object name :", 0, 8, 12, 60, 8},
    {ControlKind::Edit, 1039, "", WS_BORDER | WS_TABSTOP, 72, 10, 150, 13},
    {ControlKind::Static, -1, "Examples : M 42, NGC 2215, IC 434", 0, 8, 40, 220, 8},
    {ControlKind::Static, -1, "Seti for the Seti at home workunit", 0, 8, 56, 220, 8},
};

const DialogControl kSolarSystemPageControls[] = {
    {ControlKind::Static, -1, "Planet, Sun, Moon :", 0, 8, 12, 80, 8},
    {ControlKind::ComboBox, 1025, nullptr, kDropDown, 96, 10, 130, 80},
    {ControlKind::Static, -1, "Comet :", 0, 8, 36, 80, 8},
    {ControlKind::ComboBox, 1087, nullptr, kDropDown | CBS_SORT, 96, 34, 130, 80},
    {ControlKind::Static, -1, "Asteroid :", 0, 8, 60, 80, 8},
    {ControlKind::ComboBox, 1091, nullptr, kDropDown, 96, 58, 130, 80},
};

const DialogControl kConstellationPageControls[] = {
    {ControlKind::Static, -1, "Constellation :", 0, 8, 12, 80, 8},
    {ControlKind::ComboBox, 1124, nullptr, kDropDown | CBS_SORT, 96, 10, 130, 80},
};

#define CONTROLS(a) a, sizeof(a) / sizeof(a[0])

const DialogTemplate kFindTemplates[] = {
    {IDD_SELECT_OBJECT, "Select an object :", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 186, 95,
     CONTROLS(kSelectControls)},
    {IDD_FIND, "Find an object...", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 260, 184,
     CONTROLS(kFindControls)},
    {IDD_FIND_STAR, "", WS_CHILD, 0, 0, 240, 125, CONTROLS(kStarPageControls)},
    {IDD_FIND_DEEP_SKY, "", WS_CHILD, 0, 0, 240, 125, CONTROLS(kDeepSkyPageControls)},
    {IDD_FIND_SOLAR_SYSTEM, "", WS_CHILD, 0, 0, 240, 125, CONTROLS(kSolarSystemPageControls)},
    {IDD_FIND_CONSTELLATION, "", WS_CHILD, 0, 0, 240, 125, CONTROLS(kConstellationPageControls)},
};

}  // namespace

const char* const kFindSymbolList[24] = {"Alpha", "Beta",  "Gamma", "Delta",   "Epsilon", "Zeta",
                                         "Eta",   "Theta", "Iota",  "Kappa",   "Lambda",  "Mu",
                                         "Nu",    "Xi",    "Omicron", "Pi",    "Rho",     "Sigma",
                                         "Tau",   "Upsilon", "Phi", "Khi",     "Psi",     "Omega"};
const char* const kFindPlanetList[10] = {"Mercury", "Venus", "Mars", "Jupiter", "Saturn",
                                         "Uranus",  "Neptune", "Pluto", "Sun", "Moon"};

void RegisterFindResources() {
  AfxRegisterStrings(kFindStrings, sizeof(kFindStrings) / sizeof(kFindStrings[0]));
  AfxRegisterMenu(IDR_OBJECT_MENU, kObjectMenu, sizeof(kObjectMenu) / sizeof(kObjectMenu[0]));
  AfxRegisterMenu(IDR_OBJECT_MENU_3D, kObjectMenu3D, sizeof(kObjectMenu3D) / sizeof(kObjectMenu3D[0]));
  AfxRegisterDialogs(kFindTemplates, sizeof(kFindTemplates) / sizeof(kFindTemplates[0]));
}
