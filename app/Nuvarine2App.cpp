#include "Nuvarine2App.h"

#include <cstdio>

#include "Clock.h"
#include "MainFrame.h"
#include "Nuvarine2View.h"
#include "Registry.h"
#include "Resource.h"
#include "RunStatus.h"

IMPLEMENT_DYNCREATE(CNuvarine2Doc)

void CNuvarine2Doc::SetTitle(const char*) { CDocument::SetTitle(""); }

CNuvarine2App::CNuvarine2App() : CWinApp(nullptr), m_instanceMutex(TRUE, "SDISAMPLE", nullptr), m_instanceLocked(0) {}

BOOL CNuvarine2App::InitInstance() {
  InstallUnattendedMessageBoxes();
  // A second copy ends here without a window; it says why on standard error.
  // When no lock file can be made at all, nothing tells a second copy apart:
  // the program starts without the check rather than not at all.
  m_instanceLocked = m_instanceMutex.Lock(0);
  const std::string& problems = m_instanceMutex.GetProblems();
  if (!m_instanceLocked && m_instanceMutex.IsHeldElsewhere()) {
    std::fprintf(stderr, "nuvarine2: another copy is already running (it holds %s); this one ends.\n",
                 m_instanceMutex.GetLockPath().c_str());
    return FALSE;
  }
  if (!problems.empty()) std::fprintf(stderr, "nuvarine2: %s", problems.c_str());
  if (m_instanceLocked && !problems.empty())
    std::fprintf(stderr, "nuvarine2: single-instance lock in %s\n", m_instanceMutex.GetLockPath().c_str());
  if (!m_instanceLocked)
    std::fprintf(stderr, "nuvarine2: no single-instance lock could be made; starting without the check\n");
  // With no folder of the user's own for the per-user store, nothing is
  // kept there rather than a file in a place others may control.
  const std::string storeProblem = GetRegistryStoreProblem();
  if (!storeProblem.empty()) {
    std::fprintf(stderr, "nuvarine2: %s\n", storeProblem.c_str());
    const std::string text = "The per-user settings will not be kept:\r\n" + storeProblem + ".";
    ::MessageBox(nullptr, text.c_str(), "Nuvarine 2.0", MB_OK);
  }
  if (!AfxSocketInit()) {
    AfxMessageBox(IDS_SOCKETS_FAILED);
    return FALSE;
  }
  AfxEnableControlContainer();
  AfxInitRichEdit();
  SetRegistryKey("Nuvarine2 Application");
  AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CNuvarine2Doc), RUNTIME_CLASS(CMainFrame),
                                        RUNTIME_CLASS(CNuvarine2View)));
  CCommandLineInfo commandLine;
  ParseCommandLine(commandLine);
  if (!ProcessShellCommand(commandLine)) return FALSE;
  m_pMainWnd->SetWindowText(kMainWindowTitle);
  m_pMainWnd->ShowWindow(SW_SHOWMAXIMIZED);
  m_pMainWnd->UpdateWindow();
  return TRUE;
}

int CNuvarine2App::ExitInstance() {
  ShowExitSaveMessages();
  return CWinApp::ExitInstance();
}

BOOL CNuvarine2App::OnIdle(LONG count) {
  CWinApp::OnIdle(count);
  // A close that came while a frame was drawn is carried out now, outside it.
  if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd)) {
    auto* view = dynamic_cast<CNuvarine2View*>(frame->GetActiveView());
    if (view && view->m_closeRequested && !view->IsDrawingFrame() && !view->IsCalendarRunning() &&
        !view->IsDownloading()) {
      view->m_closeRequested = false;
      frame->OnClose();
      return TRUE;
    }
  }
  if (m_pMainWnd && !m_pMainWnd->IsIconic()) m_pMainWnd->Invalidate(FALSE);
  Sleep(5);
  ReportRunStatus();
  return TRUE;
}
