#pragma once
// Constants, message boxes, the string table, key state and the message pump
// of the window layer. Qt-free: the system's code includes this, never Qt.
#include <functional>
#include <vector>

#include "CString.h"
#include "NativeWindow.h"
#include "WinTypes.h"

using INT_PTR = intptr_t;

// Show commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// Window styles the layer understands.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_MINIMIZE = 0x20000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;
constexpr DWORD WS_MAXIMIZE = 0x01000000u;
constexpr DWORD WS_BORDER = 0x00800000u;
constexpr DWORD WS_DLGFRAME = 0x00400000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_VSCROLL = 0x00200000u;
constexpr DWORD WS_HSCROLL = 0x00100000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_THICKFRAME = 0x00040000u;
constexpr DWORD WS_GROUP = 0x00020000u;
constexpr DWORD WS_TABSTOP = 0x00010000u;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000u;
constexpr DWORD DS_CENTER = 0x0800u;
constexpr DWORD DS_MODALFRAME = 0x80u;
// Edit styles.
constexpr DWORD ES_CENTER = 0x1u;
constexpr DWORD ES_RIGHT = 0x2u;
constexpr DWORD ES_MULTILINE = 0x4u;
constexpr DWORD ES_AUTOHSCROLL = 0x80u;
// Date-picker and month-calendar styles.
constexpr DWORD DTS_RIGHTALIGN = 0x20u;
constexpr DWORD MCS_NOTODAY = 0x10u;
constexpr DWORD ES_READONLY = 0x800u;
constexpr DWORD ES_WANTRETURN = 0x1000u;
constexpr DWORD ES_NUMBER = 0x2000u;
// Static styles.
constexpr DWORD SS_CENTER = 0x1u;
constexpr DWORD SS_RIGHT = 0x2u;
// Combo-box styles: a drop-down whose text can also be typed.
constexpr DWORD CBS_DROPDOWN = 0x2u;
// The list shows its entries sorted, whatever order they are added in.
constexpr DWORD CBS_SORT = 0x100u;
// List boxes: sorted entries; double-clicks notified (LBN_DBLCLK).
constexpr DWORD LBS_SORT = 0x2u;
constexpr DWORD LBS_NOTIFY = 0x1u;
// List boxes with several lines selectable: each click toggles, or with Shift/Ctrl.
constexpr DWORD LBS_MULTIPLESEL = 0x8u;
constexpr DWORD LBS_EXTENDEDSEL = 0x800u;
// Up-down styles.
constexpr DWORD UDS_HORZ = 0x40u;
constexpr DWORD UDS_ARROWKEYS = 0x20u;

// Notification codes delivered to dialog handlers.
constexpr UINT BN_CLICKED = 0;
constexpr UINT EN_CHANGE = 0x300;
constexpr UINT EN_SETFOCUS = 0x100;
// A date picker's value changed by the user.
constexpr UINT DTN_DATETIMECHANGE = 0xFFFFFD09u;
// A day chosen in a month calendar by the user.
constexpr UINT MCN_SELCHANGE = 0xFFFFFD12u;
// A slider let go (by the mouse or after a key step).
constexpr UINT NM_RELEASEDCAPTURE = static_cast<UINT>(-16);
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT LBN_DBLCLK = 2;
// Text typed into an editable combo box.
constexpr UINT CBN_EDITCHANGE = 5;
// A report list's item changed state: the value is the item's index when it
// became selected, -1 when the selection was cleared.
constexpr UINT LVN_ITEMCHANGED = static_cast<UINT>(-101);
// A tab control's current tab changed.
constexpr UINT TCN_SELCHANGE = static_cast<UINT>(-551);
constexpr UINT UDN_DELTAPOS = 0xFFFFFD2Eu;  // (UDN_FIRST - 1)

// Standard dialog results and message-box buttons.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONMASK = 0xF0;

// Mouse-message flags.
constexpr UINT MK_LBUTTON = 0x1;
constexpr UINT MK_RBUTTON = 0x2;
constexpr UINT MK_SHIFT = 0x4;
constexpr UINT MK_CONTROL = 0x8;
constexpr UINT MK_MBUTTON = 0x10;
constexpr short WHEEL_DELTA = 120;

// Virtual-key codes (letters and digits are their upper-case ASCII codes).
constexpr UINT VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
               VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
               VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26,
               VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
               VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E,
               VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F12 = 0x7B, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91,
               VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD, VK_OEM_PERIOD = 0xBE,
               VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD,
               VK_OEM_7 = 0xDE, VK_OEM_102 = 0xE2;

// Standard framework command and window ids.
constexpr UINT ID_SEPARATOR = 0;
constexpr UINT ID_FILE_NEW = 57600;
constexpr UINT ID_FILE_OPEN = 57601;
constexpr UINT ID_FILE_SAVE_AS = 57604;
constexpr UINT ID_FILE_PRINT_SETUP = 57606;
constexpr UINT ID_APP_ABOUT = 57664;
constexpr UINT ID_APP_EXIT = 57665;
constexpr UINT ID_HELP_INDEX = 57666;
constexpr UINT ID_HELP_FINDER = 57667;
constexpr UINT ID_CONTEXT_HELP = 57669;
constexpr UINT ID_HELP = 57670;
constexpr UINT ID_DEFAULT_HELP = 57671;
constexpr UINT ID_VIEW_TOOLBAR = 59392;
constexpr UINT ID_VIEW_STATUS_BAR = 59393;
constexpr UINT AFX_IDW_TOOLBAR = 0xE800;
constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;
constexpr UINT AFX_IDS_APP_TITLE = 57344;
constexpr UINT AFX_IDS_IDLEMESSAGE = 57345;

// System metrics.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// ---- Message boxes ---------------------------------------------------------
// Caption null: the application title. Returns the IDxxx of the button.
int MessageBox(HWND owner, const char* text, const char* caption, UINT type);
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = -1);
BOOL MessageBeep(UINT type);
// Replaces the boxes (tests, unattended runs); null restores them. The
// handler returns the button the "user" pressed.
using MessageBoxHandler = std::function<int(const CString& text, const CString& caption, UINT type)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// ---- String table (code page 1252 texts by id) -----------------------------
struct StringResource {
  UINT id;
  const char* text;
};
void AfxRegisterStrings(const StringResource* table, size_t count);
// FALSE (text emptied) when the id is not in the table.
BOOL AfxLoadString(UINT id, CString& text);
CString AfxString(UINT id);

// ---- Keyboard and screen ---------------------------------------------------
// High bit set (negative) while the key is down.
short GetKeyState(int virtualKey);
int GetSystemMetrics(int index);

// ---- Messages ----------------------------------------------------------------
// Dispatches every pending window message, then returns.
void PumpMessages();
// True while PumpMessages runs (an operation pumping messages is on the stack).
bool InsideMessagePump();
// True once a termination request (SIGTERM, SIGINT) came: a long operation
// pumping messages ends itself, since the close waits for it.
bool TerminationRequested();
// Depth of running modal loops (dialogs, boxes); frames wait while it is not 0.
int AfxModalDepth();
// The modal windows open now, outermost first: dialog captions and pop-up
// menu titles (a menu's title is its first entry's text).
struct OpenModalWindow {
  bool popupMenu = false;
  CString title;
};
std::vector<OpenModalWindow> AfxOpenModalWindows();
// Called about five times a second while a modal loop runs (frames stop
// meanwhile); null removes it.
void SetModalIdleHandler(std::function<void()> handler);
