// Web links, the user's guide and printing: addresses reach a stub browser,
// a missing browser is reported, a picture is printed into a PDF page.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Endpoints.h"
#include "Frame.h"
#include "Nuvarine2View.h"
#include "Resource.h"
#include "RichTextCtrl.h"
#include "UiDefs.h"
#include "WebLinks.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "links_tests";
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

// Waits until the log holds `count` lines (the opener runs detached).
std::vector<std::string> WaitForLines(const std::string& path, size_t count) {
  for (int i = 0; i < 500 && Lines(path).size() < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return Lines(path);
}

class LinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    std::filesystem::create_directories("stub");
    log = std::filesystem::absolute("opened.log").string();
    std::filesystem::remove(log);
    std::ofstream("stub/xdg-open") << "#!/bin/sh\necho \"$1\" >> \"" << log << "\"\n";
    chmod("stub/xdg-open", 0755);
    SetMessageBoxHandler([this](const CString& text, const CString&, UINT) {
      boxes.push_back(text.c_str());
      return IDOK;
    });
  }
  void TearDown() override {
    setenv("PATH", savedPath.c_str(), 1);
    SetMessageBoxHandler(nullptr);
    SetPrintDialogHandler(nullptr);
  }
  void UseStubBrowser() { setenv("PATH", (std::filesystem::absolute("stub").string() + ":" + savedPath).c_str(), 1); }
  void UseNoBrowser() {
    std::filesystem::create_directories("empty");
    setenv("PATH", std::filesystem::absolute("empty").c_str(), 1);
  }
  std::string savedPath, log;
  std::vector<std::string> boxes;
};

TEST_F(LinksTest, LinksHandTheirAddressesToTheBrowserAndWeatherOnlyInPlanetariumMode) {
  UseStubBrowser();
  const Endpoints saved = g_endpoints();
  g_endpoints().homepageUrl = "http://127.0.0.1/home";
  g_endpoints().contactMail = "someone@127.0.0.1";
  TheWebLinks().weather = "http://127.0.0.1/weather";
  CNuvarine2View view;
  view.m_planetariumMode = true;
  view.OnVisitHomepage();
  view.OnSendMessage();
  view.OnWeatherReports();
  std::vector<std::string> opened = WaitForLines(log, 3);
  EXPECT_EQ(std::set<std::string>(opened.begin(), opened.end()),
            (std::set<std::string>{"http://127.0.0.1/home", "mailto:someone@127.0.0.1", "http://127.0.0.1/weather"}));
  view.m_planetariumMode = false;
  view.OnWeatherReports();
  view.OnVisitHomepage();
  opened = WaitForLines(log, 4);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  opened = Lines(log);
  ASSERT_EQ(opened.size(), 4u);
  EXPECT_EQ(opened[3], "http://127.0.0.1/home");
  EXPECT_TRUE(boxes.empty());
  g_endpoints() = saved;
}

TEST_F(LinksTest, TheMakersAddressesAreEmptyByDefaultAndTheCommandsSaySo) {
  UseStubBrowser();
  EXPECT_TRUE(Endpoints{}.homepageUrl.empty());
  EXPECT_TRUE(Endpoints{}.contactMail.empty());
  const Endpoints saved = g_endpoints();
  g_endpoints().homepageUrl.clear();
  g_endpoints().contactMail.clear();
  CNuvarine2View view;
  view.OnVisitHomepage();
  view.OnSendMessage();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("No address is known for the home page"), std::string::npos);
  EXPECT_NE(boxes[1].find("No contact address is known"), std::string::npos);
  for (const std::string& box : boxes) EXPECT_NE(box.find("endpoints.ini"), std::string::npos);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(Lines(log).empty());
  // The endpoints file gives them.
  std::ofstream("endpoints-test.ini") << "homepageUrl=http://127.0.0.1/nv\r\ncontactMail=mailto:me@127.0.0.1\r\n";
  ASSERT_TRUE(LoadEndpoints("endpoints-test.ini"));
  EXPECT_EQ(g_endpoints().homepageUrl, "http://127.0.0.1/nv");
  EXPECT_EQ(g_endpoints().contactMail, "mailto:me@127.0.0.1");
  g_endpoints() = saved;
}

TEST_F(LinksTest, TheGuideOpensInTheBrowserOrSaysWhereItIs) {
  std::filesystem::create_directories("help");
  std::ofstream("help/index.html") << "<html></html>\n";
  CFrameWnd frame;
  UseStubBrowser();
  frame.OnHelp();
  const std::vector<std::string> opened = WaitForLines(log, 1);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_NE(opened[0].find("help/index.html"), std::string::npos);
  EXPECT_TRUE(boxes.empty());
  UseNoBrowser();
  frame.OnHelp();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("no web browser could be started"), std::string::npos);
  EXPECT_NE(boxes[0].find("help/index.html"), std::string::npos);
}

TEST_F(LinksTest, APictureIsPrintedFittedOnAPdfPage) {
  ASSERT_EQ(system("command -v pdftoppm > /dev/null"), 0) << "install the package poppler-utils";
  // A test pattern: four coloured quarters.
  QImage pattern(400, 200, QImage::Format_RGB32);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 400; ++x)
      pattern.setPixel(x, y, x < 200 ? (y < 100 ? 0xFF0000 : 0x00FF00) : (y < 100 ? 0x0000FF : 0xFFFF00));
  ASSERT_TRUE(pattern.save("pattern.bmp"));
  SetPrintDialogHandler([](CString& pdf) {
    pdf = "page.pdf";
    return TRUE;
  });
  ASSERT_TRUE(AfxPrintImageFile(nullptr, "pattern.bmp"));
  ASSERT_EQ(system("pdftoppm -r 30 -png -singlefile page.pdf page"), 0);
  QImage page("page.png");
  ASSERT_FALSE(page.isNull());
  // Fitted to the A4 width, centred vertically: quarters at a quarter and three quarters across.
  const int w = page.width(), h = page.height(), band = w / 2;
  // Colours within a few units: the PDF rasteriser's colour conversion.
  auto near = [&](int x, int y, QRgb want) {
    const QRgb got = page.pixel(x, y);
    return std::abs(qRed(got) - qRed(want)) < 8 && std::abs(qGreen(got) - qGreen(want)) < 8 &&
           std::abs(qBlue(got) - qBlue(want)) < 8;
  };
  auto at = [&](double fx, double fy, QRgb want) { return near(int(w * fx), int(h / 2 + band * fy), want); };
  EXPECT_TRUE(at(0.25, -0.25, qRgb(255, 0, 0)));
  EXPECT_TRUE(at(0.25, 0.25, qRgb(0, 255, 0)));
  EXPECT_TRUE(at(0.75, -0.25, qRgb(0, 0, 255)));
  EXPECT_TRUE(at(0.75, 0.25, qRgb(255, 255, 0)));
  EXPECT_TRUE(near(w / 2, h / 10, qRgb(255, 255, 255)));  // white above the picture
}

TEST_F(LinksTest, AFailedCopyPrintsNothingOlder) {
  CNuvarine2View view;  // no device: the chart cannot be copied
  view.m_installFolder = std::filesystem::current_path().string().c_str();
  QImage old(10, 10, QImage::Format_RGB32);
  old.fill(Qt::red);
  ASSERT_TRUE(old.save("print.bmp"));
  bool printed = false;
  SetPrintDialogHandler([&](CString&) {
    printed = true;
    return FALSE;
  });
  view.OnPrintChart();
  EXPECT_FALSE(printed);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("could not be copied"), std::string::npos);
}

}  // namespace
