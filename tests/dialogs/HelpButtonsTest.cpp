// Every dialog's Help button opens the user's guide: the help command the
// button raises travels from the dialog to its owner, the main frame and the
// application, and reaches the desktop's opener (a stub that logs what it got).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AnimationDialogs.h"
#include "App.h"
#include "EphemerisDialogs.h"
#include "InfoDialogs.h"
#include "InternetDialogs.h"
#include "MainFrame.h"
#include "OpticsDialogs.h"
#include "OptionsDialog.h"
#include "Resource.h"
#include "TimeLocationDialog.h"
#include "UiDefs.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "help_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    RegisterNuvarineResources();
    return a;
  }();
  return *app;
}

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct HelpCase {
  const char* name;
  std::function<std::unique_ptr<CDialog>()> make;
  int helpButton;
};

}  // namespace

TEST(HelpButtons, EveryDialogsHelpButtonOpensTheGuide) {
  App();
  namespace fs = std::filesystem;
  fs::create_directories("help");
  std::ofstream("help/index.html") << "<html></html>\n";
  fs::create_directories("stub");
  const std::string log = fs::absolute("help-opened.log").string();
  std::ofstream("stub/xdg-open") << "#!/bin/sh\necho \"$1\" >> \"" << log << "\"\n";
  chmod("stub/xdg-open", 0755);
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (fs::absolute("stub").string() + ":" + savedPath).c_str(), 1);
  std::vector<std::string> boxes;
  SetMessageBoxHandler([&](const CString& text, const CString&, UINT) {
    boxes.push_back(text.c_str());
    return IDOK;
  });

  // The program's own application and main frame, as at run time; the frame
  // window itself is not needed for the routing.
  CWinApp app("Help test");
  CMainFrame frame;
  app.m_pMainWnd = &frame;

  const std::vector<HelpCase> cases = {
      {"object information", [] { return std::make_unique<CObjectInfoDialog>(); }, 1065},
      {"object information 3D", [] { return std::make_unique<CObjectInfoDialog3D>(); }, 1065},
      {"ephemeris", [] { return std::make_unique<CEphemerisDialog>(); }, 1007},
      {"ephemeris result", [] { return std::make_unique<CEphemerisResultDialog>(); }, 1063},
      {"animation", [] { return std::make_unique<CAnimationDialog>(); }, 1007},
      {"options", [] { return std::make_unique<Options>(); }, 1187},
      {"time and place", [] { return std::make_unique<CTimeLocationDialog>(); }, 1186},
      {"eyepiece field", [] { return std::make_unique<CEyepieceFieldDialog>(); }, 1007},
      {"sky survey", [] { return std::make_unique<CDssDialog>(); }, 1063},
      {"country", [] { return std::make_unique<ChoisirPays>(); }, 1007},
  };
  size_t expected = 0;
  for (const HelpCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<CDialog> dialog = c.make();
    bool clicked = false;
    QTimer::singleShot(0, [&] {
      clicked = dialog->GetDlgItem(c.helpButton) != nullptr;
      dialog->SendControlNotify(c.helpButton, BN_CLICKED);
      dialog->EndDialog(IDCANCEL);
    });
    dialog->DoModal();
    EXPECT_TRUE(clicked) << "no Help button " << c.helpButton;
    ++expected;
    std::vector<std::string> opened = Lines(log);
    for (int i = 0; i < 1000 && opened.size() < expected; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      opened = Lines(log);
    }
    ASSERT_EQ(opened.size(), expected);
    EXPECT_NE(opened.back().find("help/index.html"), std::string::npos) << opened.back();
  }
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  app.m_pMainWnd = nullptr;
  SetMessageBoxHandler(nullptr);
  setenv("PATH", savedPath.c_str(), 1);
}
