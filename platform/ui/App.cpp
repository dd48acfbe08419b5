#include "App.h"

#include <atomic>
#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

#include "Clock.h"
#include "Registry.h"
#include "SysColors.h"
#include "UiPrivate.h"

namespace {

CWinApp* g_theApp = nullptr;
int g_signalPipe[2] = {-1, -1};
const char* g_programName = "nuvarine2";
QtMessageHandler g_previousMessageHandler = nullptr;

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// True when the toolkit will look for a window system: no platform chosen,
// or the X11 or Wayland one.
bool NeedsDisplay(int argc, char** argv) {
  std::string platform = EnvironmentValue("QT_QPA_PLATFORM");
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) platform = argv[i + 1];
  return platform.empty() || platform.rfind("xcb", 0) == 0 || platform.rfind("wayland", 0) == 0;
}

// The toolkit ends the process with an abort when it cannot open its display;
// the program says so plainly and ends with status 1 instead.
void DisplayFailureHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (g_previousMessageHandler)
      g_previousMessageHandler(type, context, message);
    else
      std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return;
  }
  std::fprintf(stderr,
               "%s: cannot open the display (DISPLAY=\"%s\", WAYLAND_DISPLAY=\"%s\"): %s\n",
               g_programName, EnvironmentValue("DISPLAY").c_str(), EnvironmentValue("WAYLAND_DISPLAY").c_str(),
               message.toLocal8Bit().constData());
  std::fflush(stderr);
  std::_Exit(1);
}

// Set by a termination request, for long operations that end early on it.
std::atomic<bool> g_terminationRequested{false};

// True while some loop other than the main one runs: a modal dialog or box,
// a pop-up menu, or an operation pumping messages from inside itself.
bool InsideOtherLoop() {
  return InsideMessagePump() || AfxModalDepth() > 0 ||
         (qApp && (QApplication::activeModalWidget() || QApplication::activePopupWidget()));
}

// Ends every open pop-up menu and modal window as their Cancel would.
void EndModalWindows() {
  if (!qApp) return;
  while (QWidget* popup = QApplication::activePopupWidget()) {
    if (!popup->close()) break;
  }
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() || !w->isModal()) continue;
    if (auto* dialog = qobject_cast<QDialog*>(w))
      dialog->done(QDialog::Rejected);
    else
      w->close();
  }
}

bool g_terminating = false;
bool g_closeStarted = false;

// A termination request first ends whatever modal window is open (each
// returns as after Cancel, and a box opened in its place ends too), then,
// once only the main loop runs, closes the main window as its close button
// would. No window is destroyed while code that uses it waits in a nested
// loop.
void TerminationStep() {
  CWinApp* app = AfxGetApp();
  if (!app || !g_terminating) return;
  if (InsideOtherLoop()) {
    EndModalWindows();
    QTimer::singleShot(20, [] { TerminationStep(); });
    return;
  }
  if (g_closeStarted) {
    // The close has run through (and was refused, or the loop would be over).
    g_terminating = g_closeStarted = false;
    return;
  }
  g_closeStarted = true;
  // Looks again soon, so that a box the close itself opens ends as well.
  QTimer::singleShot(20, [] { TerminationStep(); });
  if (app->m_pMainWnd)
    app->m_pMainWnd->OnClose();
  else
    QCoreApplication::exit(0);
}

void OnTerminationSignal(int) {
  char byte = 1;
  ssize_t ignored = write(g_signalPipe[1], &byte, 1);
  (void)ignored;
}

}  // namespace

bool TerminationRequested() { return g_terminationRequested; }

CWinApp* AfxGetApp() { return g_theApp; }

void AfxRequestTermination() {
  g_terminationRequested = true;
  if (!g_theApp || g_terminating) return;
  g_terminating = true;
  TerminationStep();
}
CWnd* AfxGetMainWnd() { return g_theApp ? g_theApp->m_pMainWnd : nullptr; }

CString AfxGetAppName() {
  if (g_theApp && !g_theApp->m_pszAppName.IsEmpty()) return g_theApp->m_pszAppName;
  return AfxString(AFX_IDS_APP_TITLE);
}

BOOL AfxSocketInit() { return TRUE; }
void AfxEnableControlContainer() {}
BOOL AfxInitRichEdit() { return TRUE; }

// ---- Document template -----------------------------------------------------------

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, CRuntimeClass* documentClass, CRuntimeClass* frameClass,
                                       CRuntimeClass* viewClass)
    : m_resourceId(resourceId), m_documentClass(documentClass), m_frameClass(frameClass), m_viewClass(viewClass) {}

CDocument* CSingleDocTemplate::OpenDocumentFile(const char* path) {
  auto* document = m_documentClass ? dynamic_cast<CDocument*>(m_documentClass->CreateObject()) : nullptr;
  auto* frame = m_frameClass ? dynamic_cast<CFrameWnd*>(m_frameClass->CreateObject()) : nullptr;
  if (!document || !frame) {
    delete document;
    delete frame;
    return nullptr;
  }
  CCreateContext context;
  context.m_pNewViewClass = m_viewClass;
  context.m_pCurrentDoc = document;
  if (!frame->LoadFrame(m_resourceId, &context)) {
    delete frame;
    delete document;
    return nullptr;
  }
  frame->SetAutoDelete(true);
  CWinApp* app = AfxGetApp();
  if (app && !app->m_pMainWnd) app->m_pMainWnd = frame;
  document->SetTitle(path ? path : "");
  if (path) document->SetPathName(path);
  document->OnNewDocument();
  if (CView* view = frame->GetActiveView()) view->OnInitialUpdate();
  return document;
}

// ---- Application ---------------------------------------------------------------------

CWinApp::CWinApp(const char* appName) {
  g_theApp = this;
  if (appName) m_pszAppName = appName;
  MapCommand(ID_FILE_NEW, [this]() { OnFileNew(); });
  MapCommand(ID_FILE_OPEN, [this]() { OnFileOpen(); });
  MapCommand(ID_FILE_PRINT_SETUP, [this]() { OnFilePrintSetup(); });
  MapCommand(ID_APP_EXIT, [this]() { OnAppExit(); });
}

CWinApp::~CWinApp() {
  for (CSingleDocTemplate* t : m_templates) delete t;
  if (g_theApp == this) g_theApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

BOOL CWinApp::OnIdle(LONG count) {
  // Tool-bar buttons follow their update handlers a few times a second.
  double now = MillisecondClock();
  if (count == 0 || now - m_lastBarUpdate > 100.0) {
    m_lastBarUpdate = now;
    if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd)) frame->UpdateControlBarsCommandUI();
  }
  return count < 1;
}

bool CWinApp::IdleStep() {
  // A modal dialog or box runs its own loop: the application is not idle.
  if (AfxModalDepth() > 0 || (qApp && QApplication::activeModalWidget())) return false;
  // Nor while a long operation pumps messages from inside itself: its steps
  // must not wait for the idle work (only repaints draw meanwhile).
  if (InsideMessagePump()) return false;
  if (!OnIdle(m_idleCount++)) m_idleCount = 0;
  return true;
}

int CWinApp::Run() {
  QTimer idle;
  idle.setInterval(0);
  QObject::connect(&idle, &QTimer::timeout, [this, &idle]() {
    // While a modal loop runs, look again a little later instead of spinning.
    idle.setInterval(IdleStep() ? 0 : 20);
  });
  idle.start();
  QApplication::exec();
  idle.stop();
  g_terminating = g_closeStarted = false;
  // The main frame, its view and everything they own are gone before the
  // loop returns, whether the loop ended by the frame's close or otherwise.
  if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd)) frame->DestroyWindow();
  AfxDeletePendingFrames();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return ExitInstance();
}

void CWinApp::SetRegistryKey(const char* key) { m_pszRegistryKey = key ? key : ""; }
void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate) {
  if (docTemplate) m_templates.push_back(docTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
  for (int i = 1; i < m_argc; ++i) {
    const char* arg = m_argv[i];
    if (!arg || arg[0] == '-' || arg[0] == '/') continue;
    if (info.m_strFileName.IsEmpty()) {
      info.m_strFileName = Utf8ToCp1252(arg);
      info.m_nShellCommand = CCommandLineInfo::FileOpen;
    }
  }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
  if (info.m_nShellCommand == CCommandLineInfo::FileNothing) return TRUE;
  if (m_templates.empty()) return FALSE;
  const char* path = info.m_nShellCommand == CCommandLineInfo::FileOpen ? info.m_strFileName.c_str() : nullptr;
  return m_templates.front()->OpenDocumentFile(path) != nullptr;
}

namespace {

CString ProfileKey(const CWinApp& app, const char* section) {
  CString key = "Software\\";
  key += app.m_pszRegistryKey.IsEmpty() ? CString("Nuvarine2") : app.m_pszRegistryKey;
  key += "\\";
  key += AfxGetAppName();
  key += "\\";
  key += section ? section : "";
  return key;
}

}  // namespace

CString CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue) {
  CRegKey key;
  std::string value;
  if (key.Open(HKEY_CURRENT_USER, ProfileKey(*this, section).c_str()) == ERROR_SUCCESS &&
      key.QueryStringValue(entry, value) == ERROR_SUCCESS)
    return value;
  return defaultValue ? defaultValue : "";
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) {
  CRegKey key;
  if (key.Create(HKEY_CURRENT_USER, ProfileKey(*this, section).c_str()) != ERROR_SUCCESS) return FALSE;
  return key.SetStringValue(entry, value) == ERROR_SUCCESS;
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) {
  CRegKey key;
  DWORD value = 0;
  if (key.Open(HKEY_CURRENT_USER, ProfileKey(*this, section).c_str()) == ERROR_SUCCESS &&
      key.QueryDWORDValue(entry, value) == ERROR_SUCCESS)
    return value;
  return static_cast<UINT>(defaultValue);
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value) {
  CRegKey key;
  if (key.Create(HKEY_CURRENT_USER, ProfileKey(*this, section).c_str()) != ERROR_SUCCESS) return FALSE;
  return key.SetDWORDValue(entry, static_cast<DWORD>(value)) == ERROR_SUCCESS;
}

void CWinApp::OnFileNew() {
  if (m_pMainWnd) return;  // a single-document program keeps its one document
  if (!m_templates.empty()) m_templates.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {}
void CWinApp::OnFilePrintSetup() {}

void CWinApp::OnAppExit() {
  if (m_pMainWnd) m_pMainWnd->OnClose();
}

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  if (argc > 0 && argv[0]) {
    const char* slash = std::strrchr(argv[0], '/');
    g_programName = slash ? slash + 1 : argv[0];
  }
  if (NeedsDisplay(argc, argv) && EnvironmentValue("DISPLAY").empty() && EnvironmentValue("WAYLAND_DISPLAY").empty()) {
    std::fprintf(stderr,
                 "%s: no display: neither DISPLAY nor WAYLAND_DISPLAY is set. Start it in a graphical session "
                 "(or under xvfb-run).\n",
                 g_programName);
    return 1;
  }
  g_previousMessageHandler = qInstallMessageHandler(DisplayFailureHandler);
  QApplication qt(argc, argv);
  qInstallMessageHandler(g_previousMessageHandler);
  // The program ends when its main window is destroyed, not when its last
  // visible window (a splash, a panel) closes.
  QApplication::setQuitOnLastWindowClosed(false);
  app->m_argc = argc;
  app->m_argv = argv;
  SetSysColorsListener(ApplySysColorsToApplication);
  // A termination request (logout, kill) closes the main window as its close
  // button would, so the program ends through its normal shutdown.
  std::unique_ptr<QSocketNotifier> notifier;
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) == 0) {
    notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, []() {
      char byte;
      ssize_t ignored = read(g_signalPipe[0], &byte, 1);
      (void)ignored;
      AfxRequestTermination();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
  }
  int result = 0;
  if (!app->InitInstance()) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(app->m_pMainWnd)) frame->DestroyWindow();
    AfxDeletePendingFrames();
    QCoreApplication::sendPostedEvents(nullptr, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    result = app->ExitInstance();
  } else {
    result = app->Run();
  }
  SetSysColorsListener(nullptr);
  return result;
}
