// "Update Nuvarine" through the view: the messages of a missing or unanswered
// version page and of an installation that is current, the list shown in the
// choice dialog, the download page opened in the browser, the packages and
// their work list, and the updater: never started without a Yes, and only
// one that the user installed in the install folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "Endpoints.h"
#include "HttpTestServer.h"
#include "InternetServices.h"
#include "Nuvarine2View.h"
#include "Resource.h"
void SetRegistryStorePath(const std::string& path);

namespace {

namespace fs = std::filesystem;

QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "net_update_command_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    RegisterNuvarineResources();
    return a;
  }();
  return *app;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteScript(const std::string& path, const std::string& body) {
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  fs::permissions(path, fs::perms::owner_all);
}

bool WaitForFile(const std::string& path) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fs::exists(path) && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return fs::exists(path);
}

class UpdateCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    install = fs::path(::testing::TempDir() + "/install-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name())
                  .lexically_normal()
                  .string();
    fs::create_directories(install + "/textures/CP");
    fs::create_directories(install + "/Textures");
    std::ofstream(install + "/textures/CP/CP.ini") << "[pictures]\nM31=andromeda.jpg\n";
    std::ofstream(install + "/Textures/version.txt") << "1.10";
    SetRegistryStorePath(install + "/registry.ini");
    LoadInstallEndpoints(install.c_str());
    g_endpoints().versionPageUrl = server.Base() + "/version.htm";
    g_endpoints().downloadPageUrl = server.Base() + "/download.htm";
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT type) {
      boxes.push_back({text, caption, type});
      if ((type & MB_TYPEMASK) == MB_YESNO) return answerYes ? IDYES : IDNO;
      return IDOK;
    });
    view.m_installFolder = install.c_str();
    view.m_programVersion = "2.0.0 R7";
    view.m_planetLibraryVersion = "2.0.0 R7";
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }

  // Runs the command; the choice dialog, when it comes, is answered with the
  // radio button whose text starts with `radio` (empty: Cancel).
  void Run(const QString& radio) {
    shownList.clear();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal->windowTitle() != "Update Nuvarine 2.0") return;
      for (auto* edit : modal->findChildren<QPlainTextEdit*>()) shownList = edit->toPlainText().toStdString();
      for (auto* r : modal->findChildren<QRadioButton*>())
        if (!radio.isEmpty() && r->text().startsWith(radio)) r->click();
      for (auto* b : modal->findChildren<QPushButton*>())
        if (b->text() == (radio.isEmpty() ? "Cancel" : "OK")) {
          b->click();
          break;
        }
    });
    watch.start(20);
    view.OnUpdateProgram();
    watch.stop();
  }
  void ServePage(const std::string& payload) {
    HttpTestServer::Reply page;
    page.contentType = "text/html";
    page.body = "<html><body>\r\n###" + payload + "###\r\n</body></html>";
    server.Set("/version.htm", page);
  }
  void ServeTexturesPackage() {
    ServePage("##textures " + server.Base() + "/textures.exe#1.5##");
    HttpTestServer::Reply package;
    package.body = std::string(5000, 'T');
    server.Set("/textures.exe", package);
  }

  struct Box {
    std::string text, caption;
    UINT type;
  };
  HttpTestServer server;
  std::string install;
  std::vector<Box> boxes;
  bool answerYes = false;
  std::string shownList;
  CNuvarine2View view;
};

TEST_F(UpdateCommandTest, PageProblemsAndACurrentInstallationEndInTheirMessage) {
  struct Row {
    std::string pageUrl;
    std::string payload;  // empty: no page (404)
    const char* text;
    const char* caption;
  };
  const Row rows[] = {
      {"", "",
       "No address is known for the version page of Nuvarine.\r\nIt can be given in the file endpoints.ini of the "
       "install folder (versionPageUrl=).",
       "Nuvarine 2.0"},
      {"ftp://example.org/version", "", "Impossible to connect", "Error"},
      {server.Base() + "/version.htm", "", "Impossible to connect !", "Error !  Nuvarine 2.0"},
      {server.Base() + "/version.htm", "##nuvarine http://h/maj.exe#2.007##textures http://h/t.exe#1.1##",
       "You have the last version of Nuvarine.", "Nuvarine 2.0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pageUrl + " " + row.payload);
    boxes.clear();
    g_endpoints().versionPageUrl = row.pageUrl;
    server.Set("/version.htm", HttpTestServer::Reply{404, "not here"});
    if (!row.payload.empty()) ServePage(row.payload);
    Run("downloading");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, row.text);
    EXPECT_EQ(boxes[0].caption, row.caption);
    EXPECT_TRUE(shownList.empty()) << "no choice is offered";
  }
  EXPECT_FALSE(fs::exists(install + "/update/travail.ini"));
}

// Answers that are no version page (a portal's page, zeros, compressed
// bytes, one endless line, an endless body) prove nothing about the versions:
// they are said to be unreadable, never "You have the last version".
TEST_F(UpdateCommandTest, GarbageAnswersAreSaidToBeUnreadable) {
  const char* const unreadable =
      "The answer of the server could not be read: it is not the version page of Nuvarine.\r\nNo update was "
      "looked for.";
  HttpTestServer::Reply portal;
  portal.contentType = "text/html";
  portal.body = "<!DOCTYPE html><html><head><title>Hotel Wi-Fi</title></head><body><form action=/login>"
                "Accept the terms</form></body></html>";
  HttpTestServer::Reply zeros;  // promises 2 GiB, sends zeros and stops
  zeros.body = std::string(100000, '\0');
  zeros.declaredLength = 2ll << 30;
  zeros.dropAfter = 100000;
  HttpTestServer::Reply endless;
  endless.endless = true;
  HttpTestServer::Reply bomb;  // a gzip stream of zeros, sent as gzip
  bomb.contentType = "text/html\r\nContent-Encoding: gzip";
  bomb.body = std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03", 10) + std::string(5000, '\0');
  HttpTestServer::Reply line;
  line.body = std::string(20 << 20, 'A');
  HttpTestServer::Reply empty;
  const std::pair<const char*, HttpTestServer::Reply> rows[] = {
      {"portal", portal}, {"zeros", zeros}, {"endless", endless}, {"gzip", bomb}, {"line", line}, {"empty", empty}};
  for (const auto& [name, reply] : rows) {
    SCOPED_TRACE(name);
    boxes.clear();
    server.Set("/version.htm", reply);
    Run("downloading");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, unreadable);
    EXPECT_EQ(boxes[0].caption, "Error !  Nuvarine 2.0");
    EXPECT_TRUE(shownList.empty());
  }
}

// A server that trickles its page (20 bytes a second: 2000 bytes take 100 s)
// shows the download window; its Stop, or a close of the program, ends the
// command at once without a message.
TEST_F(UpdateCommandTest, ASlowPageShowsItsWindowAndStopOrCloseEndsIt) {
  HttpTestServer::Reply slow;
  slow.body = "<html>" + std::string(3000, ' ') + "#####textures " + server.Base() + "/t.exe#1.5######";
  slow.bytesPerSecond = 20;
  server.Set("/version.htm", slow);
  for (const bool close : {false, true}) {
    SCOPED_TRACE(close);
    boxes.clear();
    view.m_closeRequested = false;
    bool shown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowTitle() != "Downloading in progress...") continue;
        shown = true;
        if (close) {
          view.m_closeRequested = true;
        } else {
          for (auto* b : w->findChildren<QPushButton*>())
            if (b->text() == "Stop") b->click();
        }
      }
    });
    watch.start(50);
    view.OnUpdateProgram();
    watch.stop();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(boxes.empty()) << boxes[0].text;
    EXPECT_TRUE(shownList.empty());
  }
  view.m_closeRequested = false;
}

TEST_F(UpdateCommandTest, TheDownloadPageOpensInTheBrowserAndTheProgramGoesOn) {
  // A stand-in for the desktop's opener records the address it was given.
  const std::string bin = install + "/bin";
  fs::create_directories(bin);
  WriteScript(bin + "/xdg-open", "echo \"$1\" > '" + install + "/opened.tmp'; mv '" + install + "/opened.tmp' '" +
                                     install + "/opened'");
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (bin + ":" + path).c_str(), 1);
  ServePage("##nuvarine " + server.Base() + "/maj.exe#2.0081##");
  Run("go to");
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(shownList, "The version 2.008 (revision 1) of Nuvarine is available.");
  ASSERT_TRUE(WaitForFile(install + "/opened"));
  EXPECT_EQ(ReadAll(install + "/opened"), server.Base() + "/download.htm\n");
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(view.m_closeRequested);
  EXPECT_FALSE(fs::exists(install + "/update/maj.exe"));
}

TEST_F(UpdateCommandTest, NoDownloadPageIsToldWithWhereToGiveOne) {
  g_endpoints().downloadPageUrl.clear();
  ServePage("##nuvarine " + server.Base() + "/maj.exe#2.0081##");
  Run("go to");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "No address is known for the download page of Nuvarine.\r\nIt can be given in the file endpoints.ini of "
            "the install folder (downloadPageUrl=).");
  EXPECT_FALSE(view.m_closeRequested);
}

TEST_F(UpdateCommandTest, CancelDownloadsNothing) {
  ServeTexturesPackage();
  Run("");
  EXPECT_EQ(shownList, "Version 1.500 of textures files\n");
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(fs::exists(install + "/update/textures.exe"));
  EXPECT_FALSE(fs::exists(install + "/update/travail.ini"));
}

TEST_F(UpdateCommandTest, APackageAddressThatCannotBeSplitIsSaidAndLeavesNothing) {
  // A good package beside it is not fetched either: the installation stops first.
  ServePage("##textures " + server.Base() + "/textures.exe#1.5##aide ftp://127.0.0.1/aide.exe#1.5##");
  HttpTestServer::Reply package;
  package.body = std::string(5000, 'T');
  server.Set("/textures.exe", package);
  Run("downloading");
  EXPECT_NE(shownList.find("Version 1.500 of Nuvarine2.hlp file"), std::string::npos) << shownList;
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Impossible to connect");
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_FALSE(fs::exists(install + "/update/travail.ini"));
  EXPECT_FALSE(fs::exists(install + "/update/textures.exe"));
  EXPECT_FALSE(fs::exists(install + "/textures/CP/CP.ini.bak"));
  EXPECT_FALSE(view.m_closeRequested);
}

TEST_F(UpdateCommandTest, WithoutAnUpdaterThePackagesStayAndThePlaceIsTold) {
  ServeTexturesPackage();
  Run("downloading");
  EXPECT_EQ(ReadAll(install + "/update/textures.exe"), std::string(5000, 'T'));
  const std::string list = ReadAll(install + "/update/travail.ini");
  ASSERT_EQ(list.size(), 200u);
  EXPECT_EQ(list.substr(0, list.find('\0')), install + "\\update\\textures.exe");
  EXPECT_EQ(ReadAll(install + "/textures/CP/CP.ini.bak"), ReadAll(install + "/textures/CP/CP.ini"));
  EXPECT_EQ(fs::status(install + "/update/textures.exe").permissions() & fs::perms::owner_exec, fs::perms::none);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find(install + "/update"), std::string::npos) << boxes[0].text;
  EXPECT_EQ(boxes[0].text.find("antivirus"), std::string::npos) << "no close is announced";
  EXPECT_FALSE(view.m_closeRequested);
}

TEST_F(UpdateCommandTest, AnInstalledUpdaterRunsOnlyAfterYesAndTheProgramThenCloses) {
  const std::string marker = install + "/updater-ran";
  WriteScript(install + "/updatenuvarine", "pwd > '" + marker + ".tmp'; mv '" + marker + ".tmp' '" + marker + "'");
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes);
    boxes.clear();
    answerYes = yes;
    ServeTexturesPackage();
    Run("downloading");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[0].text.find("The program will have to close itself"), std::string::npos);
    EXPECT_EQ(boxes[0].caption, "Update");
    EXPECT_NE(boxes[1].text.find(install + "/updatenuvarine"), std::string::npos) << boxes[1].text;
    EXPECT_EQ(boxes[1].type & MB_TYPEMASK, MB_YESNO);
    EXPECT_NE(boxes[1].type & MB_DEFBUTTON2, 0u) << "No is the default answer";
    EXPECT_EQ(view.m_closeRequested, yes);
    if (!yes) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      EXPECT_FALSE(fs::exists(marker));
    } else {
      ASSERT_TRUE(WaitForFile(marker));
      EXPECT_EQ(fs::canonical(ReadAll(marker).substr(0, ReadAll(marker).size() - 1)), fs::canonical(install));
    }
  }
}

TEST_F(UpdateCommandTest, ANonExecutableUpdaterIsNotStarted) {
  std::ofstream(install + "/updatenuvarine") << "#!/bin/sh\ntouch '" << install << "/updater-ran'\n";
  ServeTexturesPackage();
  answerYes = true;
  Run("downloading");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find(install + "/update"), std::string::npos);
  EXPECT_FALSE(view.m_closeRequested);
  EXPECT_FALSE(fs::exists(install + "/updater-ran"));
}

}  // namespace
