// The program update's page, comparison and package downloads, and the
// cloud map's download, against a server of the test's own.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "CloudMap.h"
#include "HttpTestServer.h"
#include "Image.h"
#include "ProgramUpdate.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string FolderFor(const char* prefix) {
  const std::string folder =
      ::testing::TempDir() + "/" + prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::create_directories(folder);
  return folder;
}

TEST(VersionNumbers, FollowTheDesignedConversions) {
  EXPECT_FLOAT_EQ(VersionNumberFromText("2.0.0 R7"), 2.007f);
  EXPECT_FLOAT_EQ(VersionNumberFromText("2.1.3 R12"), 2.1312f);
  const std::string folder = FolderFor("v-");
  std::ofstream(folder + "/ten.txt") << "1.10";
  std::ofstream(folder + "/empty.txt");
  EXPECT_FLOAT_EQ(ReadVersionFile(folder + "/ten.txt"), 1.1f);
  EXPECT_FLOAT_EQ(ReadVersionFile(folder + "/empty.txt"), 1.001f);
  EXPECT_FLOAT_EQ(ReadVersionFile(folder + "/missing.txt"), 1.001f);
}

TEST(VersionPages, ListOnlyNewerComponents) {
  struct Row {
    const char* page;
    std::array<float, kComponentCount> installed;
    const char* list;
    int wanted;  // the component whose address stays, -1 for none
  };
  const std::array<float, kComponentCount> base = {1.001f, 2.007f, 2.007f, 1.001f, 1.1f, 1.001f};
  const Row rows[] = {
      {"<html>###\r\n##nuvarine http://h/maj.exe#2.0081##\r\n###</html>", base,
       "The version 2.008 (revision 1) of Nuvarine is available.", kProgram},
      {"#####nuvarine http://h/maj.exe#2.007#####", base, "", -1},
      {"#####textures http://h/textures.exe#1.10#####", base, "", -1},
      {"#####textures http://h/textures.exe#1.2#####", base, "Version 1.200 of textures files\r\n", kTextures},
      {"#####aide http://h/aide.exe#1.001#####", base, "", -1},
      {"#####aide http://h/aide.exe#1.002#####", base, "Version 1.002 of Nuvarine2.hlp file\r\n", kHelp},
      {"no markers at all", base, "", -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.page);
    VersionPage page = ParseVersionPage(row.page);
    EXPECT_EQ(BuildUpdateList(page, row.installed), row.list);
    for (int c = 0; c < kComponentCount; ++c) EXPECT_EQ(!page.url[c].empty(), c == row.wanted) << c;
  }
}

class UpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install = FolderFor("u-");
    fs::create_directories(install + "/textures/CP");
    std::ofstream(install + "/textures/CP/CP.ini") << "[pictures]\nM31=andromeda.jpg\n";
    limits.connectTimeoutMs = 2000;
    limits.lowSpeedSeconds = 2;
  }
  std::string install;
  HttpTestServer server;
  InternetLimits limits;
};

TEST_F(UpdateTest, OneTexturesPackageGivesOneRecordAndTheBackup) {
  HttpTestServer::Reply package;
  package.body = std::string(3000, 'P');
  server.Set("/textures.exe", package);
  VersionPage page = ParseVersionPage("###\r\n##textures " + server.Base() + "/textures.exe#1.5##\r\n###");
  ASSERT_FALSE(BuildUpdateList(page, {1.001f, 2.007f, 2.007f, 1.001f, 1.1f, 1.001f}).empty());
  UpdateProgress progress;
  EXPECT_TRUE(InstallUpdates(page.url, install, {}, progress, limits));
  EXPECT_EQ(ReadAll(install + "/update/textures.exe"), package.body);
  const std::string list = ReadAll(install + "/update/travail.ini");
  ASSERT_EQ(list.size(), 200u);
  EXPECT_EQ(list.substr(0, list.find('\0')), install + "\\update\\textures.exe");
  EXPECT_EQ(ReadAll(install + "/textures/CP/CP.ini.bak"), ReadAll(install + "/textures/CP/CP.ini"));
  EXPECT_EQ(progress.totalPercent.load(), 100);
  // Only the package itself and the list were written: nothing is unpacked.
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(install + "/update")) files += e.is_regular_file();
  EXPECT_EQ(files, 2u);
  EXPECT_FALSE((fs::status(install + "/update/textures.exe").permissions() & fs::perms::owner_exec) != fs::perms::none);
}

TEST_F(UpdateTest, UndeliveredPackagesGetNoRecordAndLargePackagesCountRight) {
  HttpTestServer::Reply big;
  // Past 21 MB a 32-bit percentage would overflow.
  big.body = std::string(22 * 1024 * 1024, 'B');
  server.Set("/maj.exe", big);
  std::array<std::string, kComponentCount> urls;
  urls[kProgram] = server.Base() + "/maj.exe";
  urls[kHelp] = server.Base() + "/aide.exe";  // answered 404
  UpdateProgress progress;
  EXPECT_TRUE(InstallUpdates(urls, install, {}, progress, limits));
  const std::string list = ReadAll(install + "/update/travail.ini");
  ASSERT_EQ(list.size(), 200u);
  EXPECT_EQ(list.substr(0, list.find('\0')), install + "\\update\\maj.exe");
  EXPECT_FALSE(fs::exists(install + "/update/aide.exe"));
  EXPECT_EQ(progress.filePercent.load(), 100);
  EXPECT_EQ(progress.totalPercent.load(), 100);
}

TEST_F(UpdateTest, CancelKeepsNothingAndReportsFailure) {
  HttpTestServer::Reply held;
  held.body = std::string(5000, 'H');
  held.stallAfter = 1000;
  server.Set("/sondes.exe", held);
  std::array<std::string, kComponentCount> urls;
  urls[kObjects] = server.Base() + "/sondes.exe";
  UpdateProgress progress;
  std::thread cancel([&] {
    while (progress.filePercent.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    progress.stopRequested = true;
  });
  EXPECT_FALSE(InstallUpdates(urls, install, {}, progress, limits));
  cancel.join();
  EXPECT_FALSE(fs::exists(install + "/update/sondes.exe"));
  EXPECT_EQ(ReadAll(install + "/update/travail.ini"), "");
}

// The version page has an overall time limit: a server trickling 20 bytes a
// second is left when it is reached. A page whose payload arrived whole by
// then is used; one still incomplete is unreadable, never taken as current.
TEST(VersionPages, ATricklingServerIsLeftAtTheTimeLimit) {
  HttpTestServer server;
  const std::string payload = "###\r\n##textures http://h/t.exe#1.5###";
  HttpTestServer::Reply early;  // the payload first, then a long tail
  early.body = payload + std::string(1500, ' ');
  early.bytesPerSecond = 50;
  server.Set("/early.htm", early);
  HttpTestServer::Reply late;  // the payload after the limit
  late.body = std::string(200, ' ') + payload;
  late.bytesPerSecond = 50;
  server.Set("/late.htm", late);
  InternetLimits limits = VersionPageLimits();
  EXPECT_GT(limits.totalTimeoutMs, 0);
  EXPECT_LE(limits.totalTimeoutMs, 60000);
  limits.totalTimeoutMs = 2000;
  std::string block;
  EXPECT_EQ(FetchVersionPage(server.Base() + "/early.htm", ProxySettings(), limits, nullptr, block),
            VersionPageResult::Read);
  EXPECT_EQ(block.compare(0, payload.size(), payload), 0);
  EXPECT_LT(block.size(), 2000u) << "the tail was not waited for";
  EXPECT_EQ(ParseVersionPage(block).version[kTextures], "1.5");
  EXPECT_EQ(FetchVersionPage(server.Base() + "/late.htm", ProxySettings(), limits, nullptr, block),
            VersionPageResult::Unreadable);

  // A stop ends the request as soon as it is set.
  std::atomic<bool> stop{true};
  EXPECT_EQ(FetchVersionPage(server.Base() + "/late.htm", ProxySettings(), InternetLimits(), &stop, block),
            VersionPageResult::Stopped);
}

TEST(VersionPages, OnlyAPayloadNamingAComponentIsAVersionPage) {
  EXPECT_TRUE(IsVersionPage("<html>###\r\n##aide http://h/a.exe#1.2##\r\n###</html>"));
  EXPECT_TRUE(IsVersionPage("#####nuvarine http://h/maj.exe#2.0081###"));
  for (const std::string& garbage :
       {std::string(), std::string(2000, '\0'), std::string("<html><body>Log in</body></html>"), std::string("######"),
        std::string("###no keys here###"), std::string("#####textures http://h/t.exe###"),
        std::string(2000, 'A')})
    EXPECT_FALSE(IsVersionPage(garbage)) << garbage.substr(0, 40);
}

TEST(CloudMap, ReplacedOnlyByAPictureThatDecodes) {
  HttpTestServer server;
  const std::string install = FolderFor("c-");
  fs::create_directories(install + "/textures");
  const std::string target = install + "/textures/nuagestr.jpg";
  CImage clouds;
  clouds.Attach(imaging::NewDib(64, 32, 24, 0), CImage::kColor24Bit);
  ASSERT_TRUE(clouds.Save((install + "/fresh.jpg").c_str(), CImage::kFormatJpeg, 80));
  HttpTestServer::Reply jpeg;
  jpeg.body = ReadAll(install + "/fresh.jpg");
  HttpTestServer::Reply page;
  page.body = "<html><body>No map today</body></html>";
  HttpTestServer::Reply cut = jpeg;
  cut.dropAfter = 200;
  server.Set("/map.jpg", jpeg);
  server.Set("/page.jpg", page);
  server.Set("/cut.jpg", cut);
  InternetLimits limits;
  limits.connectTimeoutMs = 2000;
  limits.lowSpeedSeconds = 2;
  struct Row {
    std::string url;
    DownloadResult result;
  };
  const std::vector<Row> rows = {{server.Base() + "/page.jpg", DownloadResult::Rejected},
                                 {server.Base() + "/cut.jpg", DownloadResult::Incomplete},
                                 {server.Base() + "/none.jpg", DownloadResult::HttpError},
                                 {"", DownloadResult::BadUrl},
                                 {server.Base() + "/map.jpg", DownloadResult::Complete}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.url);
    std::ofstream(target, std::ios::binary) << "old clouds";
    Endpoints endpoints;
    endpoints.cloudMapUrl[2] = row.url;
    DownloadProgress progress;
    EXPECT_EQ(DownloadCloudMapFile(install, endpoints, {}, progress, nullptr, limits, [](int n) { return n - 1; }),
              row.result);
    EXPECT_EQ(ReadAll(target), row.result == DownloadResult::Complete ? jpeg.body : std::string("old clouds"));
  }
}

}  // namespace
