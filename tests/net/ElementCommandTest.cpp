// The view's element download: its progress window keeps the main thread's
// events flowing while the worker downloads, the catalogue is reloaded and the
// count told; a reply the reader cannot use changes nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "Endpoints.h"
#include "HttpTestServer.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "Resource.h"
#include "SolarSystemTypes.h"
void SetRegistryStorePath(const std::string& path);

namespace {

namespace fs = std::filesystem;

QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "net_view_tests";
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

TEST(ElementCommand, DownloadsWhileEventsFlowAndTellsTheNewCount) {
  TestApplication();
  HttpTestServer server;
  const std::string install = ::testing::TempDir() + "/view-install";
  fs::create_directories(install + "/donnees");
  const std::string fixture = ReadAll(std::string(NUVARINE_TEST_DATA) + "/Soft06Cmt.txt");
  std::ofstream(install + "/donnees/cometes.dat", std::ios::binary) << fixture.substr(0, fixture.find('\n') + 1);
  std::ofstream(install + "/donnees/cometes2.dat", std::ios::binary) << "";
  std::ofstream(install + "/endpoints.ini") << "testHost=" << server.Host() << "\nminorPlanetHost=" << server.Host()
                                            << "\n";
  SetRegistryStorePath(install + "/registry.ini");
  std::vector<std::pair<std::string, std::string>> boxes;
  SetMessageBoxHandler([&](const CString& text, const CString& caption, UINT) {
    boxes.emplace_back(text, caption);
    return IDOK;
  });

  HttpTestServer::Reply held;
  held.body = fixture;
  held.hold = true;
  server.Set("/iau/Ephemerides/Comets/Soft06Cmt.txt", held);
  // The reply is held until the main thread has handled five timer events
  // (bounded at ten seconds): events that stop during the download keep it held.
  std::atomic<int> ticks{0};
  std::thread release([&] {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ticks < 5 && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    server.Release();
  });

  {
    CNuvarine2View view;
    view.m_installFolder = install.c_str();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    view.DownloadCometElements(true);
    timer.stop();
    release.join();
    EXPECT_GE(ticks, 5) << "the main thread's events stopped during the download";
    EXPECT_EQ(ReadAll(install + "/donnees/cometes2.dat"), fixture);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "This operation is successful.\r\nThe database contains  " +
                                  std::to_string(g_cometCount) + " comets now.");
    EXPECT_EQ(boxes[0].second, "Nuvarine 2.0");
    const int count = g_cometCount;
    EXPECT_GT(count, 1);

    // An error page answered with success: the file and the catalogue stay,
    // and the user is told that the answer held no elements.
    HttpTestServer::Reply page;
    page.body = "<html><body>maintenance" + std::string(120, '.') + "</body></html>";
    server.Set("/iau/Ephemerides/Comets/Soft06Cmt.txt", page);
    boxes.clear();
    view.DownloadCometElements(true);
    EXPECT_EQ(ReadAll(install + "/donnees/cometes2.dat"), fixture);
    EXPECT_EQ(g_cometCount, count);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "The server's answer holds no valid comets' elements.\r\nThe previous elements are kept.");
    EXPECT_EQ(boxes[0].second, "Error !  Nuvarine 2.0");
  }
  SetMessageBoxHandler(nullptr);
}

}  // namespace
