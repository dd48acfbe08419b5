#pragma once
// The main frame: menu bar, three dockable tool bars, the status bar, the
// pseudo full-screen mode with its floating one-button bar, and the left
// and right tool-bar toggles.
#include "Frame.h"

constexpr UINT ID_FULL_SCREEN_MODE = 32916;
constexpr UINT ID_SHOW_LEFT_TOOLBAR = 32918;
constexpr UINT ID_SHOW_RIGHT_TOOLBAR = 32919;

class CMainFrame : public CFrameWnd {
  DECLARE_DYNCREATE(CMainFrame)
 public:
  CMainFrame();
  ~CMainFrame() override;

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  int OnCreate(CREATESTRUCT* cs) override;
  // A close that arrives while the view draws a frame (its start-up texts
  // dispatch messages) waits until the frame is done.
  void OnClose() override;

  void OnFullScreenMode();
  void OnUpdateFullScreenMode(CCmdUI* pCmdUI);
  void OnShowLeftToolBar();
  void OnUpdateShowLeftToolBar(CCmdUI* pCmdUI);
  void OnShowRightToolBar();
  void OnUpdateShowRightToolBar(CCmdUI* pCmdUI);
  void EnterFullScreen();
  void LeaveFullScreen();

  CStatusBar m_wndStatusBar;
  CToolBar m_wndTopToolBar;
  CToolBar m_wndRightToolBar;
  CToolBar m_wndLeftToolBar;
  bool m_fullScreen = false;
  bool m_statusBarWasVisible = false;
  bool m_topToolBarWasVisible = false;
  bool m_rightToolBarWasVisible = false;
  bool m_leftToolBarWasVisible = false;
  RECT m_savedWindowRect{};
  CToolBar* m_pFullScreenToolBar = nullptr;
};

// Loads a bitmap strip into an image list and hands it to the tool bar with
// the given message; false (nothing sent) when a step fails.
bool SetToolBarImageList(CToolBar& toolBar, UINT message, UINT bitmapId, int buttonWidth);
bool SetToolBarTrueColorImages(CToolBar& toolBar, UINT bitmapId, int buttonWidth, UINT hotBitmapId,
                               UINT disabledBitmapId);

// Writes one status-bar pane (0 messages, 1 right ascension, 2 declination)
// of the main window; nothing when there is no main window or status bar, or
// when the text is longer than 1000 characters.
void SetStatusText(int pane, const char* text);
