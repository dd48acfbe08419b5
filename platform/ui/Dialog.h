#pragma once
// Dialogs built from templates kept as data (control id, kind, text, style,
// geometry in dialog units), modal or modeless, and the ordered data exchange
// between a dialog's members and its controls.
#include <functional>
#include <vector>

#include "Wnd.h"

enum class ControlKind {
  Static,
  GroupBox,
  Edit,
  PushButton,
  DefPushButton,
  CheckBox,
  RadioButton,
  ComboBox,
  ListBox,
  Bitmap,    // a picture: `resource` is the bitmap id
  UpDown,    // arrows that send UDN_DELTAPOS with -1 (up/right) or +1 (down/left)
  Slider,
  DateTime,
  RichEdit,  // read-only rich text with a vertical scroll bar (CRichTextCtrl)
  Tab,       // a row of tabs (CTabCtrl, TCN_SELCHANGE); the owner places its pages below them
  MonthCalendar,  // one month of days to pick from (DDX_MonthCalCtrl)
  ListView,       // report-style list: columns, single full-row selection (LVN_ITEMCHANGED)
  Progress,       // a progress bar (CProgressCtrl)
};

struct DialogControl {
  ControlKind kind;
  int id;  // -1 for statics that are never addressed
  const char* text;
  DWORD style;
  short x, y, cx, cy;  // dialog units
  UINT resource = 0;
};

struct DialogTemplate {
  UINT id;
  const char* caption;
  DWORD style;  // WS_CAPTION for a title bar, DS_CENTER, WS_VISIBLE...
  short x, y, cx, cy;
  const DialogControl* controls;
  size_t count;
};
void AfxRegisterDialogs(const DialogTemplate* table, size_t count);
const DialogTemplate* AfxFindDialog(UINT id);
// The screen's vertical logical pixels per inch (96 without a screen).
int AfxScreenPixelsPerInchY();

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog modally: the EndDialog result (IDOK 1, IDCANCEL 2), -1
  // when the template is missing.
  virtual INT_PTR DoModal();
  // Creates the dialog modeless; visible when its template says WS_VISIBLE.
  BOOL Create(UINT templateId, CWnd* parent = nullptr);
  virtual BOOL OnInitDialog();
  // A command this dialog has no entry for (ids 0x8000 to 0xEFFF, such as the
  // help command of its Help button) goes on to its owner, then the main
  // frame (which reaches the view, the document and the application), then
  // the application. Control ids below 0x8000 stay with the dialog.
  BOOL OnCmdMsg(UINT id, CCmdUI* pUI) override;
  virtual void OnOK();
  virtual void OnCancel();
  void EndDialog(int result);
  UINT GetTemplateId() const { return m_templateId; }
  // The font of the template the next window is built from: the system's sans
  // face at `points` (0: the standard dialog face); the dialog's units and so
  // its size follow the font.
  void SetTemplateFont(int points);
  int GetTemplateFont() const { return m_templateFontPoints; }
  // Routes a control notification (button click: BN_CLICKED as a command id).
  void SendControlNotify(int id, UINT code, int value = 0);

 protected:
  // Handler of a control notification; the int is the up-down delta.
  void MapNotify(int id, UINT code, std::function<void(int)> handler);

 private:
  BOOL BuildWindow(CWnd* parent, bool modal);
  UINT m_templateId;
  CWnd* m_pParent;
  int m_templateFontPoints = 0;
  struct Data;
  std::unique_ptr<Data> m_data;
};

// One date and time value of a date control.
struct SYSTEMTIME {
  WORD wYear = 2000, wMonth = 1, wDayOfWeek = 0, wDay = 1, wHour = 0, wMinute = 0, wSecond = 0, wMilliseconds = 0;
};

// Exchange in declaration order; the first failed conversion or range check
// shows its message, puts the focus on that control and stops the exchange.
class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
  bool m_failed = false;
  int m_lastControl = 0;
  // Marks the control the next range check refers to.
  CWnd* PrepareCtrl(int id);
  // Shows the message, focuses the last control and stops the exchange.
  void Fail(const char* message);
};

void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDX_Text(CDataExchange* pDX, int id, UINT& value);
void DDX_Text(CDataExchange* pDX, int id, long& value);
void DDX_Text(CDataExchange* pDX, int id, float& value);
void DDX_Text(CDataExchange* pDX, int id, double& value);
void DDX_Text(CDataExchange* pDX, int id, CString& value);
void DDX_Check(CDataExchange* pDX, int id, int& value);
void DDX_Check(CDataExchange* pDX, int id, bool& value);
void DDX_CBString(CDataExchange* pDX, int id, CString& value);
void DDX_CBIndex(CDataExchange* pDX, int id, int& index);
void DDX_Slider(CDataExchange* pDX, int id, int& value);
// The date pickers: a value set by the exchange sends no change notification.
void DDX_DateTimeCtrl(CDataExchange* pDX, int id, SYSTEMTIME& value);
// The selected day (time fields 0); a day the control cannot show leaves its own.
void DDX_MonthCalCtrl(CDataExchange* pDX, int id, SYSTEMTIME& value);

// A progress bar of a dialog, bound by DDX_Control.
class CProgressCtrl : public CWnd {
 public:
  void SetRange(short lower, short upper);
  int SetPos(int position);
  int GetPos() const;
};
void DDX_Control(CDataExchange* pDX, int id, CProgressCtrl& control);

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minValue, UINT maxValue);
void DDV_MinMaxFloat(CDataExchange* pDX, float value, float minValue, float maxValue);
void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minValue, double maxValue);
void DDV_MaxChars(CDataExchange* pDX, const CString& value, int maxChars);

// Controls' contents and lists (combo boxes, list boxes, sliders).
void AfxAddComboString(CWnd* dialog, int id, const char* text);
void AfxSetSliderRange(CWnd* dialog, int id, int minValue, int maxValue);
void AfxResetComboContent(CWnd* dialog, int id);
// Report lists: columns (titles and pixel widths), rows of cell texts.
void AfxListViewAddColumn(CWnd* dialog, int id, const char* title, int width);
void AfxListViewDeleteAllItems(CWnd* dialog, int id);
// Inserts a row at `index` (0: the top).
void AfxListViewInsertItem(CWnd* dialog, int id, int index, const std::vector<CString>& cells);
int AfxListViewGetItemCount(CWnd* dialog, int id);
// Selects (and focuses) a row, as a click does; -1 clears the selection.
void AfxListViewSelectItem(CWnd* dialog, int id, int index);
// The row is both selected and the focused one.
bool AfxListViewIsItemSelectedAndFocused(CWnd* dialog, int id, int index);
CString AfxListViewGetItemText(CWnd* dialog, int id, int index, int column);
// Tabs.
void AfxTabInsertItem(CWnd* dialog, int id, const char* text);
int AfxTabGetCurSel(CWnd* dialog, int id);
void AfxTabSetCurSel(CWnd* dialog, int id, int index);
// Display format of a date-time control, in Qt's notation ("HH:mm:ss").
void AfxSetDateTimeFormat(CWnd* dialog, int id, const char* format);
// List boxes: adds a line (at its sorted place under LBS_SORT) and returns
// its index; the selected line, -1 when none (LB_GETCURSEL).
int AfxAddListString(CWnd* dialog, int id, const char* text);
int AfxGetListCurSel(CWnd* dialog, int id);
BOOL AfxSetListCurSel(CWnd* dialog, int id, int index);
// Several lines selectable (LBS_MULTIPLESEL: a click toggles; LBS_EXTENDEDSEL:
// with Shift and Ctrl): the lines, their count and text, and whether each is
// selected.
void AfxResetListContent(CWnd* dialog, int id);
int AfxGetListCount(CWnd* dialog, int id);
CString AfxGetListText(CWnd* dialog, int id, int index);
bool AfxIsListSelected(CWnd* dialog, int id, int index);
void AfxSetListSelected(CWnd* dialog, int id, int index, bool selected);
// A combo box's text: the entry spelled exactly so, else (editable box) the
// typed text, else no entry; and the text shown.
void AfxSetComboText(CWnd* dialog, int id, const char* text);
CString AfxGetComboText(CWnd* dialog, int id);
// Entries of a combo box's list, in the order shown.
int AfxGetComboCount(CWnd* dialog, int id);
CString AfxGetComboString(CWnd* dialog, int id, int index);

// A tab control: the tabs only; the pages are windows its owner creates as
// its children. A mouse press on a tab moves the focused tab first, then
// reaches OnLButtonDown; keys move the focused tab alone.
class CTabCtrl : public CWnd {
 public:
  LONG InsertItem(int index, const char* text);
  int GetItemCount() const;
  // The tab's rectangle in the control's client coordinates (TCM_GETITEMRECT).
  BOOL GetItemRect(int index, RECT* rect) const;
  int GetCurFocus() const;
  void SetCurFocus(int index);
};
// Binds the member to the dialog's tab control `id` (once).
void DDX_Control(CDataExchange* pDX, int id, CTabCtrl& control);

// The standard file chooser: TRUE with the chosen path (CP1252) when the user chose a file.
// filter: "Description|*.ext|...|".
BOOL AfxChooseFile(BOOL open, const char* defaultExtension, const char* fileName, const char* filter,
                   CWnd* parent, CString& path);
// The system's colour picker, opened on `color` with the 16 custom colours
// (read and given back); TRUE with the picked colour.
BOOL AfxChooseColor(COLORREF& color, COLORREF* customColors, CWnd* parent);
// The system's font picker, started from `font` (negative height: pixels;
// weight; italic) without effects or script choice; TRUE with the choice.
BOOL AfxChooseFont(LOGFONT& font, CWnd* parent);
// Replace the pickers (tests): TRUE for OK.
void SetColorChooserHandler(std::function<BOOL(COLORREF& color, COLORREF* customColors)> handler);
void SetFontChooserHandler(std::function<BOOL(LOGFONT& font)> handler);
// Replaces the file chooser (tests): returns TRUE with a path, FALSE for Cancel.
void SetFileChooserHandler(std::function<BOOL(CString& path)> handler);
// The chooser's name filters for a "Description|*.ext|" filter, one per pair
// as "Description (patterns)". File names match a pattern in either case, as
// on the designed system: "*.jpg" also offers "*.JPG".
std::vector<CString> AfxFileChooserNameFilters(const char* filter);
