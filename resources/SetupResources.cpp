// Resources of the setup dialogs: time and place with its Earth map, month
// calendar and time-zone warning, the start-up box and the About box; their
// strings; the Earth map picture and the program's icon.
#include "InstallFolder.h"
#include "InstallPath.h"
#include "Resource.h"

namespace {

constexpr DWORD kEditBox = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kTypedCombo = CBS_DROPDOWN | WS_TABSTOP;

const DialogControl kTimeLocationControls[] = {
    {ControlKind::GroupBox, -1, "Date", 0, 7, 4, 316, 52},
    {ControlKind::Static, -1, "Month :", 0, 14, 18, 30, 10},
    {ControlKind::ComboBox, 1036, "", kTypedCombo, 46, 16, 70, 80},
    {ControlKind::Static, -1, "Day :", 0, 124, 18, 22, 10},
    {ControlKind::Edit, 1035, "", kEditBox, 148, 16, 28, 12},
    {ControlKind::Static, -1, "Year :", 0, 184, 18, 24, 10},
    {ControlKind::Edit, 1037, "", kEditBox, 210, 16, 36, 12},
    {ControlKind::PushButton, 1034, "Use calendar", WS_TABSTOP, 254, 15, 62, 14},
    {ControlKind::Static, -1, "Examples : 1999 AC -> Year= +1999", 0, 14, 34, 150, 10},
    {ControlKind::Static, -1, "500 BC -> Year= -499", 0, 14, 44, 150, 10},
    {ControlKind::GroupBox, -1, "Local time and time zone", 0, 7, 60, 316, 48},
    {ControlKind::Static, -1, "Local time :", 0, 14, 74, 44, 10},
    {ControlKind::DateTime, 1002, nullptr, WS_TABSTOP, 60, 72, 62, 13},
    {ControlKind::PushButton, 1007, "Now", WS_TABSTOP, 128, 72, 40, 14},
    {ControlKind::Static, -1, "Time zone :", 0, 14, 92, 44, 10},
    {ControlKind::Edit, 1018, "", kEditBox, 60, 90, 36, 12},
    {ControlKind::Static, -1, "hour(s)", 0, 100, 92, 30, 10},
    {ControlKind::PushButton, 1038, "Time zone configuration", WS_TABSTOP, 180, 89, 110, 14},
    {ControlKind::GroupBox, -1, "Position", 0, 7, 112, 316, 98},
    {ControlKind::Static, -1, "Location :", 0, 14, 126, 40, 10},
    {ControlKind::ComboBox, 1025, "", kTypedCombo, 60, 124, 120, 120},
    {ControlKind::PushButton, 1066, "Add/Change", WS_TABSTOP, 186, 123, 50, 14},
    {ControlKind::PushButton, 1067, "Delete", WS_TABSTOP, 240, 123, 38, 14},
    {ControlKind::PushButton, 1065, "Map", WS_TABSTOP, 282, 123, 34, 14},
    {ControlKind::Static, -1, "Latitude :", 0, 14, 146, 40, 10},
    {ControlKind::Edit, 1004, "", kEditBox, 60, 144, 26, 12},
    {ControlKind::Static, -1, "\xB0", 0, 88, 146, 6, 10},
    {ControlKind::Edit, 1008, "", kEditBox, 96, 144, 22, 12},
    {ControlKind::Static, -1, "'", 0, 120, 146, 6, 10},
    {ControlKind::Edit, 1010, "", kEditBox, 128, 144, 22, 12},
    {ControlKind::Static, -1, "''", 0, 152, 146, 8, 10},
    {ControlKind::ComboBox, 1023, "", kTypedCombo, 164, 144, 50, 60},
    {ControlKind::Static, -1, "Longitude :", 0, 14, 164, 44, 10},
    {ControlKind::Edit, 1005, "", kEditBox, 60, 162, 26, 12},
    {ControlKind::Static, -1, "\xB0", 0, 88, 164, 6, 10},
    {ControlKind::Edit, 1009, "", kEditBox, 96, 162, 22, 12},
    {ControlKind::Static, -1, "'", 0, 120, 164, 6, 10},
    {ControlKind::Edit, 1011, "", kEditBox, 128, 162, 22, 12},
    {ControlKind::Static, -1, "''", 0, 152, 164, 8, 10},
    {ControlKind::ComboBox, 1024, "", kTypedCombo, 164, 162, 50, 60},
    {ControlKind::PushButton, 1068, "Coordinates ?", WS_TABSTOP, 236, 152, 70, 14},
    {ControlKind::Static, -1, "Altitude :", 0, 14, 182, 40, 10},
    {ControlKind::Edit, 1019, "", kEditBox, 60, 180, 40, 12},
    {ControlKind::Static, -1, "meters", 0, 104, 182, 30, 10},
    {ControlKind::GroupBox, -1, "Atmospheric pressure and temperature", 0, 7, 214, 316, 34},
    {ControlKind::Static, -1, "Pressure (hPa) :", 0, 14, 230, 60, 10},
    {ControlKind::Edit, 1044, "", kEditBox, 76, 228, 44, 12},
    {ControlKind::Static, -1, "Temperature (\xB0" "C ) :", 0, 150, 230, 70, 10},
    {ControlKind::Edit, 1045, "", kEditBox, 222, 228, 40, 12},
    {ControlKind::PushButton, 1064, "Apply", WS_TABSTOP, 118, 256, 60, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 186, 256, 60, 14},
    {ControlKind::PushButton, 1186, "Help", WS_TABSTOP, 263, 256, 60, 14},
    // Enter recomputes the values instead of closing the dialog.
    {ControlKind::DefPushButton, 1063, "", 0, 0, 0, 1, 1},
};

const DialogControl kEarthMapControls[] = {
    {ControlKind::Bitmap, 1042, nullptr, 0, 9, 9, 341, 158, 293},
    {ControlKind::GroupBox, -1, "Position", 0, 9, 172, 250, 30},
    {ControlKind::Static, -1, "Latitude :", 0, 16, 186, 36, 10},
    {ControlKind::Edit, 1019, "", WS_BORDER | ES_READONLY, 54, 184, 70, 12},
    {ControlKind::Static, -1, "Longitude :", 0, 132, 186, 40, 10},
    {ControlKind::Edit, 1020, "", WS_BORDER | ES_READONLY, 174, 184, 70, 12},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 290, 184, 56, 14},
};

const DialogControl kCalendarControls[] = {
    {ControlKind::MonthCalendar, 1050, nullptr, WS_TABSTOP, 7, 7, 160, 110},
    {ControlKind::DefPushButton, 1, "OK", WS_TABSTOP, 20, 122, 56, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 98, 122, 56, 14},
};

const DialogControl kAlertTzControls[] = {
    {ControlKind::Edit, 1019, "", ES_MULTILINE | ES_READONLY | WS_BORDER, 7, 7, 226, 78},
    {ControlKind::CheckBox, 1030, "Don't show again", WS_TABSTOP, 7, 92, 120, 12},
    {ControlKind::DefPushButton, 1, "Close", WS_TABSTOP, 176, 90, 56, 14},
};

const DialogControl kSelectOpticsControls[] = {
    {ControlKind::Tab, 1113, nullptr, WS_TABSTOP, 7, 7, 276, 15},
    {ControlKind::ListView, 1119, nullptr, WS_BORDER | WS_TABSTOP, 7, 22, 276, 110},
    {ControlKind::ListView, 1120, nullptr, WS_BORDER | WS_TABSTOP, 7, 22, 276, 110},
    {ControlKind::ListView, 1121, nullptr, WS_BORDER | WS_TABSTOP, 7, 22, 276, 110},
    {ControlKind::PushButton, 1007, "Add", WS_TABSTOP, 7, 138, 50, 14},
    {ControlKind::PushButton, 1063, "Modify", WS_TABSTOP, 61, 138, 50, 14},
    {ControlKind::PushButton, 1065, "Delete", WS_TABSTOP, 115, 138, 50, 14},
    {ControlKind::DefPushButton, 1, "Select", WS_TABSTOP, 7, 158, 60, 14},
    {ControlKind::PushButton, 1066, "Erase", WS_TABSTOP, 115, 158, 60, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 223, 158, 60, 14},
};

const DialogControl kEyepieceFieldControls[] = {
    {ControlKind::Static, -1, "Eyepiece focal length (mm) :", 0, 7, 9, 110, 10},
    {ControlKind::Edit, 1019, "", kEditBox, 120, 7, 60, 12},
    {ControlKind::Static, -1, "Telescope focal length (mm) :", 0, 7, 27, 110, 10},
    {ControlKind::Edit, 1020, "", kEditBox, 120, 25, 60, 12},
    {ControlKind::Static, -1, "Eyepiece apparent field (\xB0) :", 0, 7, 45, 110, 10},
    {ControlKind::Edit, 1021, "", kEditBox, 120, 43, 60, 12},
    {ControlKind::Static, -1, "Description :", 0, 7, 63, 110, 10},
    {ControlKind::Edit, 1022, "", kEditBox, 7, 75, 173, 12},
    {ControlKind::DefPushButton, 1, "Ok", WS_TABSTOP, 30, 95, 56, 14},
    {ControlKind::PushButton, 1007, "Help", WS_TABSTOP, 100, 95, 56, 14},
};

const DialogControl kCcdControls[] = {
    {ControlKind::Static, -1, "Width :", 0, 7, 9, 60, 10},
    {ControlKind::Edit, 1019, "", kEditBox, 80, 7, 60, 12},
    {ControlKind::Static, -1, "Height :", 0, 7, 27, 60, 10},
    {ControlKind::Edit, 1020, "", kEditBox, 80, 25, 60, 12},
    {ControlKind::Static, -1, "Mount type :", 0, 7, 45, 60, 10},
    {ControlKind::ComboBox, 1023, "", WS_TABSTOP, 80, 43, 80, 40},
    {ControlKind::Static, -1, "Description :", 0, 7, 63, 60, 10},
    {ControlKind::Edit, 1022, "", kEditBox, 7, 75, 173, 12},
    {ControlKind::DefPushButton, 1, "OK", WS_TABSTOP, 30, 95, 56, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 100, 95, 56, 14},
};

const DialogControl kOtherFieldControls[] = {
    {ControlKind::Static, -1, "Diameter (\xB0) :", 0, 7, 9, 60, 10},
    {ControlKind::Edit, 1019, "", kEditBox, 80, 7, 60, 12},
    {ControlKind::Static, -1, "Description :", 0, 7, 27, 60, 10},
    {ControlKind::Edit, 1022, "", kEditBox, 7, 39, 173, 12},
    {ControlKind::DefPushButton, 1, "OK", WS_TABSTOP, 30, 59, 56, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 100, 59, 56, 14},
};

const DialogControl kReportControls[] = {
    {ControlKind::GroupBox, -1, "System parameters", 0, 7, 4, 296, 222},
    {ControlKind::Edit, 1019, "", ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL, 14, 16, 282, 204},
    {ControlKind::DefPushButton, 1, "OK", WS_TABSTOP, 127, 232, 56, 14},
};

// The start-up box: the painted text (1001) over the list and buttons;
// "Next" carries the OK command, "OK" the Cancel command.
const DialogControl kTipsControls[] = {
    {ControlKind::Static, 1001, "", 0, 7, 7, 300, 136},
    {ControlKind::ComboBox, 1000, "", WS_TABSTOP, 7, 151, 150, 60},
    {ControlKind::PushButton, 1, "Next", WS_TABSTOP, 187, 150, 56, 14},
    {ControlKind::DefPushButton, 2, "OK", WS_TABSTOP, 251, 150, 56, 14},
};

// The About box: the splash picture on the left, the scrolling credits (1122) on the right.
const DialogControl kAboutControls[] = {
    {ControlKind::Bitmap, -1, nullptr, 0, 0, 0, 313, 229, 1005},
    {ControlKind::Static, 1122, "", 0, 318, 7, 130, 196},
    {ControlKind::DefPushButton, 1, "OK", WS_TABSTOP, 353, 210, 60, 14},
};

#define CONTROLS(a) a, sizeof(a) / sizeof(a[0])

const DialogTemplate kSetupDialogs[] = {
    {130, "Time and location...", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 330, 278,
     CONTROLS(kTimeLocationControls)},
    {294, "Click on your position :", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 360, 208,
     CONTROLS(kEarthMapControls)},
    {247, "Diagnostic...", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 310, 252, CONTROLS(kReportControls)},
    {5002, "Calendar", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 174, 142, CONTROLS(kCalendarControls)},
    {332, "Eyepieces and CCD fields...", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 290, 178,
     CONTROLS(kSelectOpticsControls)},
    {281, "Eyepiece field...", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 188, 116,
     CONTROLS(kEyepieceFieldControls)},
    {334, "CCD Field", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 188, 116, CONTROLS(kCcdControls)},
    {342, "Others", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 188, 80, CONTROLS(kOtherFieldControls)},
    {304, "Important !", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 240, 110, CONTROLS(kAlertTzControls)},
    {102, "Nuvarine 2.0", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 314, 171, CONTROLS(kTipsControls)},
    {100, "About Nuvarine 2.0", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 455, 229,
     CONTROLS(kAboutControls)},
};

const StringResource kSetupStrings[] = {
    {50, "Show tips at startup"},
    {51, "Never show tips at startup"},
    {52, "Show alerts at startup"},
    {53, "Never show alerts at startup"},
    {54, "Tips..."},
    {55, "Ephemeris..."},
    {60, "Attention. If your want a good precision about the positions of the planets\nthe year must be between "
         "3000 BC and 3000 AC"},
    {200, "Nuvarine will consult the parameters of the system\nto try to determine the value of the time zone.\n\n"
          "By definition, this value is equal to the difference between the standard time and hour GMT.  "},
    {353, "Impossible to determine the time zone !"},
    {354, "Your time zone seems to be equal to %3.1f hour(s)"},
    {605, "          Attention : Nuvarine doesn't know this location\r\n     Please, enter your geographic "
          "coordinates."},
    {606, "Do you want really change this location ?"},
    {607, "This location has been added to the list."},
    {608, "You must indicate a location..."},
    {609, "This location has been deleted."},
    {610, "The location has been modified."},
    {850, "Altazimuth"},
    {851, "Equatorial"},
    {900, "Description"},
    {901, "Eyepiece length (mm)"},
    {902, "Telescope length (mm)"},
    {903, "Eyepiece field (\xB0)"},
    {904, "Eyepiece"},
    {905, "CCD field"},
    {906, "Width (\xB0)"},
    {907, "Height (\xB0)"},
    {908, "Mount"},
    {909, "Description"},
    {911, "Others"},
    {912, "Diameter (\xB0)"},
    {1049, "Field of view : %3.4f \xB0.  Magnification : %5.1f x"},
};

// The Earth map: the install folder's picture, made from a public colour
// map by the build; a plain ocean when it is missing.
void PaintEarthMap(CDC& dc, int w, int h) {
  dc.FillSolidRect(0, 0, w, h, RGB(20, 50, 90));
  dc.DrawImageFile(0, 0, w, h, ResolveInstallPath(CurrentInstallFolder(), "earthmap.jpg").c_str());
}

// The program's icon (32 x 32; magenta is transparent): a ringed planet.
void PaintIcon(CDC& dc, int w, int h) {
  dc.FillSolidRect(0, 0, w, h, RGB(255, 0, 255));
  dc.SetNullPen();
  dc.SetBrushColor(RGB(40, 60, 140));
  dc.Ellipse(2, 2, w - 2, h - 2);
  dc.SetBrushColor(RGB(230, 180, 90));
  dc.Ellipse(9, 9, w - 9, h - 9);
  dc.SetNullBrush();
  dc.SetPenColor(RGB(250, 235, 200), 2);
  dc.Ellipse(4, 13, w - 4, h - 13);
  dc.SetNullPen();
  dc.SetBrushColor(RGB(255, 255, 255));
  dc.Ellipse(6, 6, 9, 9);
  dc.Ellipse(24, 23, 26, 25);
}

const BitmapResource kSetupBitmaps[] = {
    {293, 512, 256, PaintEarthMap},
    {128, 32, 32, PaintIcon},
};

}  // namespace

void RegisterSetupResources() {
  AfxRegisterStrings(kSetupStrings, sizeof(kSetupStrings) / sizeof(kSetupStrings[0]));
  AfxRegisterDialogs(kSetupDialogs, sizeof(kSetupDialogs) / sizeof(kSetupDialogs[0]));
  AfxRegisterBitmaps(kSetupBitmaps, sizeof(kSetupBitmaps) / sizeof(kSetupBitmaps[0]));
}
