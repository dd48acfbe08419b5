#include "MainFrame.h"

#include "Nuvarine2View.h"

#include <memory>
#include <vector>

#include "App.h"
#include "Resource.h"

IMPLEMENT_DYNCREATE(CMainFrame)

namespace {

const UINT kIndicators[] = {ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR};

// Image lists handed to tool bars live as long as the process.
std::vector<std::unique_ptr<CImageList>>& KeptImageLists() {
  static std::vector<std::unique_ptr<CImageList>> lists;
  return lists;
}

constexpr DWORD kBarStyle = WS_CHILD | WS_VISIBLE | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC;

}  // namespace

CMainFrame::CMainFrame() {
  MapCommand(ID_FULL_SCREEN_MODE, [this]() { OnFullScreenMode(); });
  MapUpdateCommandUI(ID_FULL_SCREEN_MODE, [this](CCmdUI* ui) { OnUpdateFullScreenMode(ui); });
  MapCommand(ID_SHOW_LEFT_TOOLBAR, [this]() { OnShowLeftToolBar(); });
  MapUpdateCommandUI(ID_SHOW_LEFT_TOOLBAR, [this](CCmdUI* ui) { OnUpdateShowLeftToolBar(ui); });
  MapCommand(ID_SHOW_RIGHT_TOOLBAR, [this]() { OnShowRightToolBar(); });
  MapUpdateCommandUI(ID_SHOW_RIGHT_TOOLBAR, [this](CCmdUI* ui) { OnUpdateShowRightToolBar(ui); });
  MapCommand(ID_HELP_FINDER, [this]() { OnHelpFinder(); });
  MapCommand(ID_DEFAULT_HELP, [this]() { OnHelpFinder(); });
  MapCommand(ID_HELP, [this]() { OnHelp(); });
  MapCommand(ID_CONTEXT_HELP, [this]() { OnContextHelp(); });
}

CMainFrame::~CMainFrame() {
  delete m_pFullScreenToolBar;
  m_pFullScreenToolBar = nullptr;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
  cs.style |= WS_MAXIMIZE;
  return TRUE;
}

int CMainFrame::OnCreate(CREATESTRUCT* cs) {
  if (CFrameWnd::OnCreate(cs) == -1) return -1;
  if (!m_wndTopToolBar.CreateEx(this, TBSTYLE_FLAT, kBarStyle | CBRS_TOP) ||
      !m_wndTopToolBar.LoadToolBar(IDR_TOOLBAR_TOP))
    return -1;
  if (!m_wndRightToolBar.CreateEx(this, TBSTYLE_FLAT, kBarStyle | CBRS_RIGHT) ||
      !m_wndRightToolBar.LoadToolBar(IDR_TOOLBAR_RIGHT))
    return -1;
  if (!m_wndLeftToolBar.CreateEx(this, TBSTYLE_FLAT, kBarStyle | CBRS_LEFT) ||
      !m_wndLeftToolBar.LoadToolBar(IDR_TOOLBAR_LEFT))
    return -1;
  if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM) ||
      !m_wndStatusBar.SetIndicators(kIndicators, 3))
    return -1;
  m_wndStatusBar.SetPaneInfo(0, ID_SEPARATOR, SBPS_NOBORDERS | SBPS_STRETCH, 0);
  m_wndStatusBar.SetPaneInfo(1, ID_SEPARATOR, SBPS_NORMAL, 100);
  m_wndStatusBar.SetPaneInfo(2, ID_SEPARATOR, SBPS_NORMAL, 100);
  SetMessageText(nullptr);

  m_wndTopToolBar.EnableDocking(CBRS_ALIGN_ANY);
  m_wndRightToolBar.EnableDocking(CBRS_ALIGN_ANY);
  m_wndLeftToolBar.EnableDocking(CBRS_ALIGN_ANY);
  EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndTopToolBar, AFX_IDW_DOCKBAR_TOP);
  DockControlBar(&m_wndRightToolBar, AFX_IDW_DOCKBAR_RIGHT);
  DockControlBar(&m_wndLeftToolBar, AFX_IDW_DOCKBAR_LEFT);

  // Failed picture lists leave the bars with their own pictures.
  SetToolBarTrueColorImages(m_wndTopToolBar, IDB_TOOLBAR_TOP, 22, 0, 0);
  SetToolBarTrueColorImages(m_wndRightToolBar, IDB_TOOLBAR_RIGHT, 22, 0, IDB_TOOLBAR_RIGHT_DISABLED);
  SetToolBarTrueColorImages(m_wndLeftToolBar, IDB_TOOLBAR_LEFT, 22, 0, IDB_TOOLBAR_LEFT_DISABLED);
  return 0;
}

bool SetToolBarImageList(CToolBar& toolBar, UINT message, UINT bitmapId, int buttonWidth) {
  CBitmap bitmap;
  if (!bitmap.LoadBitmap(bitmapId)) return false;
  BITMAP info;
  if (!bitmap.GetBitmap(&info) || buttonWidth <= 0) return false;
  // The first pixel of the bottom-up bits is the transparent colour.
  COLORREF transparent = bitmap.GetBitsPixel(0, 0);
  auto list = std::make_unique<CImageList>();
  if (!list->Create(buttonWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, info.bmWidth / buttonWidth, 0)) return false;
  if (list->Add(&bitmap, transparent) < 0) return false;
  if (!toolBar.SendImageList(message, list.get())) return false;
  KeptImageLists().push_back(std::move(list));
  bitmap.DeleteObject();
  return true;
}

bool SetToolBarTrueColorImages(CToolBar& toolBar, UINT bitmapId, int buttonWidth, UINT hotBitmapId,
                               UINT disabledBitmapId) {
  if (!SetToolBarImageList(toolBar, TB_SETIMAGELIST, bitmapId, buttonWidth)) return false;
  if (hotBitmapId != 0 && !SetToolBarImageList(toolBar, TB_SETHOTIMAGELIST, hotBitmapId, buttonWidth)) return false;
  if (disabledBitmapId != 0 && !SetToolBarImageList(toolBar, TB_SETDISABLEDIMAGELIST, disabledBitmapId, buttonWidth))
    return false;
  return true;
}

void CMainFrame::OnFullScreenMode() {
  if (m_fullScreen)
    LeaveFullScreen();
  else
    EnterFullScreen();
}

void CMainFrame::OnUpdateFullScreenMode(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_fullScreen ? 1 : 0); }

void CMainFrame::EnterFullScreen() {
  if (!GetActiveView()) return;
  m_topToolBarWasVisible = m_wndTopToolBar.IsWindowVisible();
  m_rightToolBarWasVisible = m_wndRightToolBar.IsWindowVisible();
  m_leftToolBarWasVisible = m_wndLeftToolBar.IsWindowVisible();
  m_statusBarWasVisible = m_wndStatusBar.IsWindowVisible();
  ShowControlBar(&m_wndTopToolBar, FALSE, FALSE);
  ShowControlBar(&m_wndRightToolBar, FALSE, FALSE);
  ShowControlBar(&m_wndLeftToolBar, FALSE, FALSE);
  ShowControlBar(&m_wndStatusBar, FALSE, FALSE);

  m_pFullScreenToolBar = new CToolBar;
  m_pFullScreenToolBar->CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY |
                                                         CBRS_SIZE_DYNAMIC);
  m_pFullScreenToolBar->LoadToolBar(IDR_TOOLBAR_FULLSCREEN);
  m_pFullScreenToolBar->EnableDocking(0);
  FloatControlBar(m_pFullScreenToolBar, CPoint(30, 50), CBRS_ALIGN_TOP);

  GetWindowRect(&m_savedWindowRect);
  ModifyStyle(WS_CAPTION, 0);
  SetWindowPos(nullptr, -2, -4, GetSystemMetrics(SM_CXSCREEN) + 6, GetSystemMetrics(SM_CYSCREEN) + 8, SWP_NOZORDER);
  GetActiveView()->ShowWindow(SW_SHOWMAXIMIZED);
  RecalcLayout();
  m_fullScreen = true;
}

void CMainFrame::LeaveFullScreen() {
  delete m_pFullScreenToolBar;
  m_pFullScreenToolBar = nullptr;
  ModifyStyle(0, WS_CAPTION);
  if (m_topToolBarWasVisible) ShowControlBar(&m_wndTopToolBar, TRUE, FALSE);
  if (m_rightToolBarWasVisible) ShowControlBar(&m_wndRightToolBar, TRUE, FALSE);
  if (m_leftToolBarWasVisible) ShowControlBar(&m_wndLeftToolBar, TRUE, FALSE);
  if (m_statusBarWasVisible) ShowControlBar(&m_wndStatusBar, TRUE, FALSE);
  MoveWindow(&m_savedWindowRect, TRUE);
  RecalcLayout();
  m_fullScreen = false;
}

void CMainFrame::OnShowLeftToolBar() {
  if (!GetActiveView()) return;
  m_leftToolBarWasVisible = m_wndLeftToolBar.IsWindowVisible();
  ShowControlBar(&m_wndLeftToolBar, !m_leftToolBarWasVisible, FALSE);
  GetActiveView()->ShowWindow(SW_SHOWMAXIMIZED);
  RecalcLayout();
}

void CMainFrame::OnUpdateShowLeftToolBar(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_wndLeftToolBar.IsWindowVisible() ? 1 : 0); }

void CMainFrame::OnShowRightToolBar() {
  if (!GetActiveView()) return;
  m_rightToolBarWasVisible = m_wndRightToolBar.IsWindowVisible();
  ShowControlBar(&m_wndRightToolBar, !m_rightToolBarWasVisible, FALSE);
  GetActiveView()->ShowWindow(SW_SHOWMAXIMIZED);
  RecalcLayout();
}

void CMainFrame::OnUpdateShowRightToolBar(CCmdUI* pCmdUI) {
  pCmdUI->SetCheck(m_wndRightToolBar.IsWindowVisible() ? 1 : 0);
}

void SetStatusText(int pane, const char* text) {
  CWnd* main = AfxGetMainWnd();
  if (!main || !text) return;
  auto* frame = dynamic_cast<CFrameWnd*>(main);
  auto* status = frame ? dynamic_cast<CStatusBar*>(frame->GetDescendantWindow(AFX_IDW_STATUS_BAR)) : nullptr;
  if (!status) return;
  CString value = text;
  if (value.GetLength() > 1000) return;
  status->SetPaneText(pane, value.c_str(), FALSE);
  status->UpdateWindow();
}

void CMainFrame::OnClose() {
  if (auto* view = dynamic_cast<CNuvarine2View*>(GetActiveView());
      view && (view->IsDrawingFrame() || view->IsCalendarRunning() || view->IsDownloading())) {
    // The events calendar holds a borrowed context: it stops and restores
    // it first, so the settings written by the close are the user's.
    if (view->IsCalendarRunning()) view->StopEventsCalendar();
    view->m_closeRequested = true;
    return;
  }
  CFrameWnd::OnClose();
}
