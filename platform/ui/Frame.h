#pragma once
// The main frame window with its menu bar, dockable tool bars and status bar.
// Menus and tool bars are built from resource tables; their items' enabled
// and checked states come from the update handlers of the routed targets,
// run when a menu opens and, for the tool bars, while the program is idle.
// Menu prompts and tool tips are the string-table texts of the command ids
// (prompt, "\n", tool tip).
#include <vector>

#include "View.h"

class CToolBar;
class CStatusBar;
struct CFramePrivate;

// ---- Resource tables -----------------------------------------------------------
constexpr UINT MF_STRING = 0x0;
constexpr UINT MF_SEPARATOR = 0x800;
constexpr UINT MF_POPUP = 0x10;
constexpr UINT MF_END = 0x80;  // closes the innermost open pop-up
constexpr UINT MF_CHECKED = 0x8;
constexpr UINT MF_GRAYED = 0x1;

// A menu is a flat list: a pop-up entry opens a level, MF_END closes it.
struct MenuItemResource {
  UINT flags;
  UINT id;
  const char* text;
};
void AfxRegisterMenu(UINT id, const MenuItemResource* items, size_t count);
const std::vector<MenuItemResource>* AfxFindMenu(UINT id);

struct ToolBarResource {
  UINT id;
  int buttonWidth;
  int buttonHeight;
  const UINT* buttons;  // command ids, 0 a separator
  size_t count;
};
void AfxRegisterToolBars(const ToolBarResource* table, size_t count);
const ToolBarResource* AfxFindToolBar(UINT id);
// Buttons whose picture comes from the desktop's icon theme when it has an
// icon of that name (freedesktop naming: "document-open", "zoom-in"...); the
// bar's own picture serves otherwise.
struct ToolBarThemeIcon {
  UINT id;
  const char* name;
};
void AfxRegisterToolBarThemeIcons(const ToolBarThemeIcon* table, size_t count);
// The theme icon a button shows, if any (empty when the theme lacks it).
CString AfxToolBarThemeIconName(UINT id);

// ---- Control bars ------------------------------------------------------------------
constexpr DWORD TBSTYLE_FLAT = 0x800;
constexpr DWORD TBSTYLE_TRANSPARENT = 0x8000;
constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
constexpr DWORD CBRS_ALIGN_ANY = 0xF000;
constexpr DWORD CBRS_BORDER_LEFT = 0x100;
constexpr DWORD CBRS_BORDER_TOP = 0x200;
constexpr DWORD CBRS_BORDER_RIGHT = 0x400;
constexpr DWORD CBRS_BORDER_BOTTOM = 0x800;
constexpr DWORD CBRS_TOOLTIPS = 0x10;
constexpr DWORD CBRS_FLYBY = 0x20;
constexpr DWORD CBRS_GRIPPER = 0x400000;
constexpr DWORD CBRS_SIZE_DYNAMIC = 0x80;
constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
constexpr DWORD CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT;
constexpr DWORD CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT;
constexpr UINT AFX_IDW_DOCKBAR_TOP = 0xE81B;
constexpr UINT AFX_IDW_DOCKBAR_LEFT = 0xE81C;
constexpr UINT AFX_IDW_DOCKBAR_RIGHT = 0xE81D;
constexpr UINT AFX_IDW_DOCKBAR_BOTTOM = 0xE81E;
// Image-list messages of a tool bar.
constexpr UINT TB_SETIMAGELIST = 0x430;
constexpr UINT TB_SETHOTIMAGELIST = 0x434;
constexpr UINT TB_SETDISABLEDIMAGELIST = 0x436;
// Status-bar pane styles.
constexpr UINT SBPS_NORMAL = 0x0;
constexpr UINT SBPS_NOBORDERS = 0x100;
constexpr UINT SBPS_STRETCH = 0x800;

class CControlBar : public CWnd {
 public:
  DWORD GetBarStyle() const { return m_barStyle; }
  void SetBarStyle(DWORD style);
  void EnableDocking(DWORD alignments) { m_dockAlignments = alignments; }
  DWORD GetDockAlignments() const { return m_dockAlignments; }
  UINT GetBarId() const { return m_barId; }

 protected:
  DWORD m_barStyle = 0;
  DWORD m_dockAlignments = 0;
  UINT m_barId = 0;
};

class CToolBar : public CControlBar {
 public:
  CToolBar();
  ~CToolBar() override;
  BOOL CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, CRect borders = CRect(), UINT id = AFX_IDW_TOOLBAR);
  BOOL LoadToolBar(UINT resourceId);
  int GetCount() const;
  UINT GetItemID(int index) const;
  UINT GetResourceId() const { return m_resourceId; }
  // Sends an image list (TB_SETIMAGELIST, TB_SETHOTIMAGELIST, TB_SETDISABLEDIMAGELIST).
  BOOL SendImageList(UINT message, CImageList* list);
  // Enabled and checked state of a button (after the last update).
  bool IsButtonEnabled(UINT id) const;
  bool IsButtonChecked(UINT id) const;
  // The screen place of a shown button's centre; false when it is not shown.
  bool GetButtonScreenCentre(UINT id, int& x, int& y) const;
  // Runs the update handlers of every button through the frame's routing.
  void UpdateButtons(CFrameWnd* target);
  // The floating bar's window (a small tool window) when floated.
  QWidget* FloatingWindow() const;

 private:
  friend class CFrameWnd;
  struct Data;
  std::unique_ptr<Data> m_data;
  UINT m_resourceId = 0;
};

class CStatusBar : public CControlBar {
 public:
  CStatusBar();
  ~CStatusBar() override;
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
  BOOL SetIndicators(const UINT* ids, int count);
  void SetPaneInfo(int index, UINT id, UINT style, int width);
  BOOL SetPaneText(int index, const char* text, BOOL update = TRUE);
  CString GetPaneText(int index) const;
  void UpdateWindow() override;
  int GetCount() const;

 private:
  friend class CFrameWnd;
  struct Data;
  std::unique_ptr<Data> m_data;
};

struct CCreateContext {
  CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
};

class CFrameWnd : public CWnd {
 public:
  CFrameWnd();
  ~CFrameWnd() override;

  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  // Creates the window with the menu `resourceId`, runs OnCreate (which
  // creates the view of the context); FALSE when OnCreate returned -1.
  BOOL LoadFrame(UINT resourceId, CCreateContext* context);
  int OnCreate(CREATESTRUCT* cs) override;
  void OnClose() override;
  BOOL DestroyWindow() override;
  void Invalidate(BOOL erase = TRUE) override;

  CView* GetActiveView() const { return m_pActiveView; }
  void SetActiveView(CView* view) { m_pActiveView = view; }
  CDocument* GetActiveDocument() const { return m_pDocument; }

  void EnableDocking(DWORD alignments);
  void DockControlBar(CControlBar* bar, UINT dockBarId = 0);
  void FloatControlBar(CControlBar* bar, CPoint point, DWORD alignment = CBRS_ALIGN_TOP);
  void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
  void RecalcLayout(BOOL notify = TRUE);
  // The first descendant window (control bar, view) with this id.
  CWnd* GetDescendantWindow(UINT id) const;
  // The control bar with this id that was created first.
  CControlBar* GetControlBar(UINT id) const;

  // Routes a command or an update: active view (and its document), frame, application.
  BOOL OnCmdMsg(UINT id, CCmdUI* pUI) override;
  BOOL SendCommand(UINT id);
  // The state an item would show: update handlers, else enabled when some
  // target handles the command, disabled when none does.
  void UpdateCommandUI(CCmdUI& state);
  // Idle update of the tool-bar buttons.
  void UpdateControlBarsCommandUI();
  // Text shown in pane 0 when no prompt is shown.
  void SetMessageText(const char* text);

  // Menu inspection for tests: the menu bar's top-level titles, the command
  // ids in menu order, and one item's state after its menu was prepared.
  std::vector<CString> GetMenuTitles() const;
  std::vector<UINT> GetMenuCommandIds() const;
  // Runs the update handlers of every menu item, as when the menus open.
  void UpdateMenus();
  bool IsMenuItemEnabled(UINT id) const;
  bool IsMenuItemChecked(UINT id) const;
  CString GetMenuItemText(UINT id) const;
  // Activates a menu item as the user would.
  bool TriggerMenuItem(UINT id);

  // Framework commands: show or hide a control bar by id, exit, help.
  void OnBarCheck(UINT id);
  void OnUpdateControlBarMenu(CCmdUI* pCmdUI);
  void OnHelpFinder();
  void OnHelp();
  void OnContextHelp();
  // The frame deletes itself after its window is destroyed (frames made by a document template).
  void SetAutoDelete(bool on);

 protected:
  CView* m_pActiveView = nullptr;
  CDocument* m_pDocument = nullptr;
  CCreateContext* m_pContext = nullptr;

 private:
  friend class CToolBar;
  friend class CStatusBar;
  void RegisterBar(CControlBar* bar);
  void UnregisterBar(CControlBar* bar);
  std::unique_ptr<CFramePrivate> m_frame;
};
