// Dialog templates of the shell's windows, geometry in dialog units.
#include "Resource.h"

namespace {

constexpr DWORD kEditBox = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kNumberBox = WS_BORDER | ES_READONLY | ES_RIGHT;
constexpr DWORD kArrows = UDS_HORZ | UDS_ARROWKEYS;

const DialogControl kSplashControls[] = {
    {ControlKind::Bitmap, -1, nullptr, 0, 0, 0, 312, 222, IDB_SPLASH},
    {ControlKind::Edit, IDC_STATUS_TEXT, "", ES_READONLY | ES_CENTER, 0, 210, 312, 12},
};

const DialogControl kLoadingControls[] = {
    {ControlKind::Bitmap, -1, nullptr, 0, 0, 0, 278, 35, IDB_LOADING},
    {ControlKind::Edit, IDC_STATUS_TEXT, "", ES_READONLY | ES_CENTER | WS_BORDER, 0, 35, 278, 12},
};

const DialogControl kAddPictureControls[] = {
    {ControlKind::GroupBox, -1, "Path of the picture", 0, 7, 4, 216, 40},
    {ControlKind::Edit, 1020, "", kEditBox, 15, 20, 150, 14},
    {ControlKind::PushButton, 1007, "Browse", WS_TABSTOP, 170, 20, 45, 14},
    {ControlKind::GroupBox, -1, "Position and correction", 0, 7, 48, 216, 76},
    {ControlKind::Static, -1, "Scale :", 0, 15, 62, 70, 10},
    {ControlKind::Edit, 1025, "", kNumberBox, 90, 60, 60, 13},
    {ControlKind::UpDown, 1026, nullptr, kArrows, 152, 60, 24, 13},
    {ControlKind::Static, -1, "RA correction :", 0, 15, 78, 70, 10},
    {ControlKind::Edit, 1022, "", kNumberBox, 90, 76, 60, 13},
    {ControlKind::UpDown, 1027, nullptr, kArrows, 152, 76, 24, 13},
    {ControlKind::Static, -1, "Dec correction :", 0, 15, 94, 70, 10},
    {ControlKind::Edit, 1040, "", kNumberBox, 90, 92, 60, 13},
    {ControlKind::UpDown, 1028, nullptr, kArrows, 152, 92, 24, 13},
    {ControlKind::Static, -1, "Rotation (\xB0) :", 0, 15, 110, 70, 10},
    {ControlKind::Edit, 1023, "", kNumberBox, 90, 108, 60, 13},
    {ControlKind::UpDown, 1029, nullptr, kArrows, 152, 108, 24, 13},
    {ControlKind::PushButton, 1063, "OK", WS_TABSTOP, 60, 130, 50, 14},
    {ControlKind::PushButton, 1065, "Cancel", WS_TABSTOP, 120, 130, 50, 14},
};

const DialogControl kLx200Controls[] = {
    {ControlKind::GroupBox, -1, "Direction", 0, 7, 4, 100, 82},
    {ControlKind::PushButton, 1065, "N", WS_TABSTOP, 42, 18, 26, 16},
    {ControlKind::PushButton, 1063, "W", WS_TABSTOP, 14, 37, 26, 16},
    {ControlKind::PushButton, 1067, "Stop", WS_TABSTOP, 42, 37, 26, 16},
    {ControlKind::PushButton, 1007, "E", WS_TABSTOP, 70, 37, 26, 16},
    {ControlKind::PushButton, 1066, "S", WS_TABSTOP, 42, 56, 26, 16},
    {ControlKind::GroupBox, -1, "Speed", 0, 112, 4, 100, 82},
    {ControlKind::CheckBox, 1030, "Guide", WS_TABSTOP, 122, 18, 80, 12},
    {ControlKind::CheckBox, 1031, "Center", WS_TABSTOP, 122, 33, 80, 12},
    {ControlKind::CheckBox, 1040, "Find", WS_TABSTOP, 122, 48, 80, 12},
    {ControlKind::CheckBox, 1069, "Slew", WS_TABSTOP, 122, 63, 80, 12},
    {ControlKind::GroupBox, -1, "Position", 0, 7, 90, 205, 46},
    {ControlKind::Static, -1, "RA:", 0, 14, 104, 20, 10},
    {ControlKind::Edit, 1019, "", WS_BORDER | ES_READONLY, 36, 102, 62, 13},
    {ControlKind::Static, -1, "Dec:", 0, 110, 104, 22, 10},
    {ControlKind::Edit, 1020, "", WS_BORDER | ES_READONLY, 136, 102, 66, 13},
    {ControlKind::Static, -1, "EL:", 0, 14, 119, 20, 10},
    {ControlKind::Edit, 1021, "", WS_BORDER | ES_READONLY, 36, 117, 62, 13},
    {ControlKind::Static, -1, "AZ :", 0, 110, 119, 22, 10},
    {ControlKind::Edit, 1022, "", WS_BORDER | ES_READONLY, 136, 117, 66, 13},
    {ControlKind::GroupBox, -1, "Option", 0, 7, 140, 205, 26},
    {ControlKind::CheckBox, 1060, "Show scope position", WS_TABSTOP, 14, 151, 120, 12},
};

constexpr DWORD kDropDown = CBS_DROPDOWN | WS_TABSTOP;

const DialogControl kScopeTypeControls[] = {
    {ControlKind::GroupBox, -1, "Select a driver for your scope", 0, 7, 4, 196, 46},
    {ControlKind::CheckBox, 1030, "Use old LX200 driver (by default)", WS_TABSTOP, 15, 17, 180, 12},
    {ControlKind::CheckBox, 1031, "Use ASCOM drivers", WS_TABSTOP, 15, 32, 180, 12},
    {ControlKind::DefPushButton, 1, "OK", WS_TABSTOP, 50, 56, 50, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 110, 56, 50, 14},
};

// The telescope's serial lists also take typed text.
const DialogControl kSerialConfigControls[] = {
    {ControlKind::GroupBox, -1, "Serial port parameters", 0, 7, 4, 166, 98},
    {ControlKind::Static, -1, "Serial port :", 0, 15, 19, 60, 10},
    {ControlKind::ComboBox, 1023, nullptr, kDropDown, 80, 17, 80, 60},
    {ControlKind::Static, -1, "Speed :", 0, 15, 35, 60, 10},
    {ControlKind::ComboBox, 1024, nullptr, kDropDown, 80, 33, 80, 60},
    {ControlKind::Static, -1, "Data bits :", 0, 15, 51, 60, 10},
    {ControlKind::ComboBox, 1025, nullptr, kDropDown, 80, 49, 80, 60},
    {ControlKind::Static, -1, "Parity :", 0, 15, 67, 60, 10},
    {ControlKind::ComboBox, 1082, nullptr, kDropDown, 80, 65, 80, 60},
    {ControlKind::Static, -1, "Stop bits :", 0, 15, 83, 60, 10},
    {ControlKind::ComboBox, 1087, nullptr, kDropDown, 80, 81, 80, 60},
    {ControlKind::PushButton, 1007, "Parameters by default", WS_TABSTOP, 7, 108, 90, 14},
    {ControlKind::DefPushButton, 1, "OK", WS_TABSTOP, 7, 128, 50, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 123, 128, 50, 14},
};

// The receiver's port also takes a typed device path.
const DialogControl kGpsControls[] = {
    {ControlKind::GroupBox, -1, "Serial port parameters", 0, 7, 4, 166, 98},
    {ControlKind::Static, -1, "Serial port :", 0, 15, 19, 60, 10},
    {ControlKind::ComboBox, 1023, nullptr, kDropDown, 80, 17, 80, 60},
    {ControlKind::Static, -1, "Speed :", 0, 15, 35, 60, 10},
    {ControlKind::ComboBox, 1024, nullptr, WS_TABSTOP, 80, 33, 80, 60},
    {ControlKind::Static, -1, "Data bits :", 0, 15, 51, 60, 10},
    {ControlKind::ComboBox, 1025, nullptr, WS_TABSTOP, 80, 49, 80, 60},
    {ControlKind::Static, -1, "Parity :", 0, 15, 67, 60, 10},
    {ControlKind::ComboBox, 1082, nullptr, WS_TABSTOP, 80, 65, 80, 60},
    {ControlKind::Static, -1, "Stop bits :", 0, 15, 83, 60, 10},
    {ControlKind::ComboBox, 1087, nullptr, WS_TABSTOP, 80, 81, 80, 60},
    {ControlKind::PushButton, 1007, "Parameters by default", WS_TABSTOP, 7, 108, 90, 14},
    {ControlKind::DefPushButton, 1, "Connect", WS_TABSTOP, 7, 128, 50, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 123, 128, 50, 14},
};

const DialogControl kDriverChooserControls[] = {
    {ControlKind::Static, -1, "Telescope driver :", 0, 7, 9, 70, 10},
    {ControlKind::ComboBox, 1001, nullptr, WS_TABSTOP, 80, 7, 180, 80},
    {ControlKind::Static, -1, "INDI server :", 0, 7, 29, 70, 10},
    {ControlKind::Edit, 1002, "", kEditBox, 80, 27, 110, 13},
    {ControlKind::PushButton, 1003, "Look for devices", WS_TABSTOP, 195, 27, 65, 14},
    {ControlKind::DefPushButton, 1, "OK", WS_TABSTOP, 80, 50, 50, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 140, 50, 50, 14},
};

const DialogControl kAnimationControls[] = {
    {ControlKind::GroupBox, -1, "Method 1", 0, 7, 4, 236, 42},
    {ControlKind::RadioButton, 1105, "Generate an animation", WS_TABSTOP, 15, 16, 100, 10},
    {ControlKind::Edit, 1019, "", kEditBox, 118, 15, 60, 12},
    {ControlKind::Static, -1, "X faster ", 0, 182, 17, 50, 10},
    {ControlKind::Static, -1, "than the reality", 0, 118, 30, 100, 10},
    {ControlKind::GroupBox, -1, "Method 2", 0, 7, 50, 236, 96},
    {ControlKind::RadioButton, 1106, "Time between two frames :", WS_TABSTOP, 15, 62, 120, 10},
    {ControlKind::Static, -1, "Days :", 0, 25, 78, 60, 10},
    {ControlKind::Edit, 1049, "", kEditBox, 90, 76, 60, 12},
    {ControlKind::Static, -1, "Hours :", 0, 25, 92, 60, 10},
    {ControlKind::Edit, 1050, "", kEditBox, 90, 90, 60, 12},
    {ControlKind::Static, -1, "Minutes :", 0, 25, 106, 60, 10},
    {ControlKind::Edit, 1051, "", kEditBox, 90, 104, 60, 12},
    {ControlKind::Static, -1, "Seconds :", 0, 25, 120, 60, 10},
    {ControlKind::Edit, 1052, "", kEditBox, 90, 118, 60, 12},
    {ControlKind::Static, -1, "Number of frames by second :", 0, 25, 133, 110, 10},
    {ControlKind::Edit, 1053, "", kEditBox, 140, 131, 40, 12},
    {ControlKind::CheckBox, 1031, "Automatic", WS_TABSTOP, 185, 62, 55, 10},
    {ControlKind::GroupBox, -1, "Method 3", 0, 7, 150, 236, 28},
    {ControlKind::RadioButton, 1054, "Synchronize animation with the clock of the computer", WS_TABSTOP, 15, 162, 220,
     10},
    {ControlKind::DefPushButton, 1, "OK", WS_TABSTOP, 40, 186, 50, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 100, 186, 50, 14},
    {ControlKind::PushButton, 1007, "Help", WS_TABSTOP, 160, 186, 50, 14},
};

const DialogControl kZoomSetupControls[] = {
    {ControlKind::Slider, 1094, nullptr, WS_TABSTOP, 7, 8, 180, 18},
    {ControlKind::Edit, 1019, "", ES_READONLY, 7, 30, 180, 12},
    {ControlKind::DefPushButton, 1, "Apply", WS_TABSTOP, 7, 50, 55, 14},
    {ControlKind::PushButton, 1007, "By default", WS_TABSTOP, 70, 50, 55, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 132, 50, 55, 14},
};

const DialogControl kEnterCoordinatesControls[] = {
    {ControlKind::GroupBox, -1, "Equatorial coordinates", 0, 7, 4, 200, 52},
    {ControlKind::Static, -1, "RA :", 0, 15, 19, 25, 10},
    {ControlKind::Edit, 1012, "0", kEditBox, 42, 17, 28, 12},
    {ControlKind::Static, -1, "h", 0, 72, 19, 8, 10},
    {ControlKind::Edit, 1013, "0", kEditBox, 82, 17, 28, 12},
    {ControlKind::Static, -1, "m", 0, 112, 19, 8, 10},
    {ControlKind::Edit, 1014, "0", kEditBox, 122, 17, 40, 12},
    {ControlKind::Static, -1, "s", 0, 164, 19, 8, 10},
    {ControlKind::Static, -1, "Dec :", 0, 15, 37, 25, 10},
    {ControlKind::Edit, 1015, "0", kEditBox, 42, 35, 28, 12},
    {ControlKind::Static, -1, "o", 0, 72, 37, 8, 10},
    {ControlKind::Edit, 1016, "0", kEditBox, 82, 35, 28, 12},
    {ControlKind::Static, -1, "'", 0, 112, 37, 8, 10},
    {ControlKind::Edit, 1017, "0", kEditBox, 122, 35, 40, 12},
    {ControlKind::Static, -1, "''", 0, 164, 37, 8, 10},
    {ControlKind::DefPushButton, 1, "OK", WS_TABSTOP, 45, 62, 50, 14},
    {ControlKind::PushButton, 2, "Cancel", WS_TABSTOP, 110, 62, 50, 14},
};

#define CONTROLS(a) a, sizeof(a) / sizeof(a[0])

}  // namespace

const DialogTemplate kDialogTemplates[] = {
    {IDD_SPLASH, "", WS_POPUP | DS_CENTER, 0, 0, 312, 222, CONTROLS(kSplashControls)},
    {IDD_LOADING, "", WS_POPUP | WS_BORDER | DS_CENTER, 0, 0, 278, 47, CONTROLS(kLoadingControls)},
    {IDD_ADD_PICTURE, "Add a picture...", WS_POPUP | WS_CAPTION | WS_SYSMENU, 40, 40, 230, 152,
     CONTROLS(kAddPictureControls)},
    {IDD_LX200, " LX 200 scope...", WS_POPUP | WS_CAPTION | WS_SYSMENU, 60, 60, 220, 172, CONTROLS(kLx200Controls)},
    {IDD_SCOPE_TYPE, "Select your scope", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 210, 78,
     CONTROLS(kScopeTypeControls)},
    {IDD_SERIAL_CONFIG, "Serial port configuration", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 180, 150,
     CONTROLS(kSerialConfigControls)},
    {IDD_DRIVER_CHOOSER, "Telescope driver", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 268, 72,
     CONTROLS(kDriverChooserControls)},
    {IDD_GPS, "GPS", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 180, 150, CONTROLS(kGpsControls)},
    {137, "Animation...", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 250, 206, CONTROLS(kAnimationControls)},
    {285, "Zoom setup...", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 194, 70, CONTROLS(kZoomSetupControls)},
    {136, "Enter coordinates...", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER, 0, 0, 214, 82,
     CONTROLS(kEnterCoordinatesControls)},
};
const size_t kDialogTemplateCount = sizeof(kDialogTemplates) / sizeof(kDialogTemplates[0]);
