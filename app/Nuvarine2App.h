#pragma once
// The application object and the document of the single-document program.
#include "App.h"
#include "Sync.h"

class CNuvarine2App : public CWinApp {
 public:
  CNuvarine2App();
  BOOL InitInstance() override;
  // Keeps the frames coming: invalidates the main window (unless minimised),
  // sleeps 5 ms and asks for more idle time.
  BOOL OnIdle(LONG count) override;
  // Shows what the saves at exit could not do, after the windows are gone.
  int ExitInstance() override;

  CMutex m_instanceMutex;
  BOOL m_instanceLocked;
};

// Holds no data; its title is always empty so the main window keeps its own.
class CNuvarine2Doc : public CDocument {
  DECLARE_DYNCREATE(CNuvarine2Doc)
 public:
  void SetTitle(const char* title) override;
};

constexpr const char* kMainWindowTitle = "Nuvarine version 2";
