#include "Nuvarine2App.h"

#include "Clock.h"
#include "MainFrame.h"
#include "Nuvarine2View.h"
#include "Resource.h"
#include "RunStatus.h"

IMPLEMENT_DYNCREATE(CNuvarine2Doc)

void CNuvarine2Doc::SetTitle(const char*) { CDocument::SetTitle(""); }

CNuvarine2App::CNuvarine2App() : CWinApp(nullptr), m_instanceMutex(TRUE, "SDISAMPLE", nullptr), m_instanceLocked(0) {}

BOOL CNuvarine2App::InitInstance() {
  // A second copy ends here, silently: no window, no message.
  m_instanceLocked = m_instanceMutex.Lock(0);
  if (!m_instanceLocked) return FALSE;
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

BOOL CNuvarine2App::OnIdle(LONG count) {
  CWinApp::OnIdle(count);
  if (m_pMainWnd && !m_pMainWnd->IsIconic()) m_pMainWnd->Invalidate(FALSE);
  Sleep(5);
  ReportRunStatus();
  return TRUE;
}
