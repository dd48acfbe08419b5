#pragma once
// The application object, the document template and the entry point. The
// message loop is the toolkit's; whenever it has nothing else to do it calls
// OnIdle, except while a modal dialog or box runs.
#include "Frame.h"

class CCommandLineInfo {
 public:
  enum ShellCommand { FileNew, FileOpen, FileNothing };
  virtual ~CCommandLineInfo() = default;
  ShellCommand m_nShellCommand = FileNew;
  CString m_strFileName;
};

class CSingleDocTemplate {
 public:
  CSingleDocTemplate(UINT resourceId, CRuntimeClass* documentClass, CRuntimeClass* frameClass,
                     CRuntimeClass* viewClass);
  // Creates the document, the frame and the view; null when the frame or
  // the view refused to be created (both are then destroyed).
  CDocument* OpenDocumentFile(const char* path);
  UINT GetResourceId() const { return m_resourceId; }

 private:
  UINT m_resourceId;
  CRuntimeClass* m_documentClass;
  CRuntimeClass* m_frameClass;
  CRuntimeClass* m_viewClass;
};

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(const char* appName = nullptr);
  ~CWinApp() override;

  virtual BOOL InitInstance();
  virtual int ExitInstance();
  // Called while the message queue is empty; TRUE asks for more idle calls.
  virtual BOOL OnIdle(LONG count);
  virtual int Run();
  // One idle pass as the loop makes it: false (nothing called) while a modal loop runs.
  bool IdleStep();

  void SetRegistryKey(const char* key);
  void AddDocTemplate(CSingleDocTemplate* docTemplate);
  void ParseCommandLine(CCommandLineInfo& info);
  BOOL ProcessShellCommand(CCommandLineInfo& info);

  CString GetProfileString(const char* section, const char* entry, const char* defaultValue = nullptr);
  BOOL WriteProfileString(const char* section, const char* entry, const char* value);
  UINT GetProfileInt(const char* section, const char* entry, int defaultValue);
  BOOL WriteProfileInt(const char* section, const char* entry, int value);

  // Framework commands.
  void OnFileNew();
  void OnFileOpen();
  void OnFilePrintSetup();
  void OnAppExit();

  CWnd* m_pMainWnd = nullptr;
  CString m_pszAppName;
  CString m_pszRegistryKey;
  int m_argc = 0;
  char** m_argv = nullptr;

 private:
  std::vector<CSingleDocTemplate*> m_templates;
  LONG m_idleCount = 0;
  double m_lastBarUpdate = 0.0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
CString AfxGetAppName();
// Creates the toolkit, runs InitInstance and the message loop of the one
// application object, and returns the exit code.
int AfxWinMain(int argc, char** argv);
// What a termination signal (SIGTERM, SIGINT) does: ends any open modal
// window or menu as its Cancel would, then closes the main window as its
// close button would once only the main loop runs.
void AfxRequestTermination();

BOOL AfxSocketInit();
void AfxEnableControlContainer();
BOOL AfxInitRichEdit();
