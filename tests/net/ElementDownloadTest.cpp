// Element downloads: each file is replaced only by a complete reply that its
// reader takes records from, and the asteroid pair goes on past a failed file.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ElementDownloads.h"
#include "HttpTestServer.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Fixture(const char* name) { return ReadAll(std::string(NUVARINE_TEST_DATA) + "/" + name); }

class ElementDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install = ::testing::TempDir() + "/el-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(install + "/donnees");
    for (const char* f : {"cometes2.dat", "asteroides.dat", "asteroides2.dat", "satellites.dat"})
      std::ofstream(install + "/donnees/" + f, std::ios::binary) << "old " << f << "\n";
    endpoints.minorPlanetHost = server.Host();
    endpoints.satelliteHost = server.Host();
    limits.connectTimeoutMs = 2000;
    limits.lowSpeedSeconds = 2;
  }
  std::string Old(const char* f) const { return std::string("old ") + f + "\n"; }
  std::string File(const char* f) const { return ReadAll(install + "/donnees/" + f); }
  HttpTestServer::Reply Ok(const std::string& body) const {
    HttpTestServer::Reply r;
    r.body = body;
    return r;
  }

  HttpTestServer server;
  Endpoints endpoints;
  InternetLimits limits;
  std::string install;
};

TEST_F(ElementDownloadTest, EachKindReplacesItsFilesFromItsPaths) {
  server.Set("/iau/Ephemerides/Comets/Soft06Cmt.txt", Ok(Fixture("Soft06Cmt.txt")));
  server.Set("/iau/Ephemerides/Bright/2009/Soft06Bright.txt", Ok(Fixture("Soft06Bright.txt")));
  server.Set("/iau/Ephemerides/Unusual/Soft06Unusual.txt", Ok(Fixture("Soft06Unusual.txt")));
  server.Set("/amsat/ftp/keps/current/nasa.all", Ok(Fixture("nasa.all")));
  DownloadProgress progress;
  for (ElementKind kind : {ElementKind::Comets, ElementKind::Asteroids, ElementKind::Satellites}) {
    const auto outcome = DownloadElementFiles(kind, install, endpoints, {}, progress, nullptr, limits);
    EXPECT_TRUE(outcome.replaced);
    EXPECT_FALSE(outcome.stopped);
  }
  EXPECT_EQ(File("cometes2.dat"), Fixture("Soft06Cmt.txt"));
  EXPECT_EQ(File("asteroides.dat"), Fixture("Soft06Bright.txt"));
  EXPECT_EQ(File("asteroides2.dat"), Fixture("Soft06Unusual.txt"));
  EXPECT_EQ(File("satellites.dat"), Fixture("nasa.all"));
  // One running total over every file fetched with this progress.
  const size_t total = Fixture("Soft06Cmt.txt").size() + Fixture("Soft06Bright.txt").size() +
                       Fixture("Soft06Unusual.txt").size() + Fixture("nasa.all").size();
  EXPECT_EQ(progress.bytes.load(), static_cast<int64_t>(total));
}

TEST_F(ElementDownloadTest, AFailedFirstAsteroidFileStillFetchesTheSecond) {
  // No reply is set for the first file: the server answers 404 with a page.
  server.Set("/iau/Ephemerides/Unusual/Soft06Unusual.txt", Ok(Fixture("Soft06Unusual.txt")));
  DownloadProgress progress;
  const auto outcome = DownloadElementFiles(ElementKind::Asteroids, install, endpoints, {}, progress, nullptr, limits);
  ASSERT_EQ(outcome.results.size(), 2u);
  EXPECT_EQ(outcome.results[0], DownloadResult::HttpError);
  EXPECT_EQ(outcome.statuses[0], 404u);
  EXPECT_EQ(outcome.results[1], DownloadResult::Complete);
  EXPECT_TRUE(outcome.replaced);
  EXPECT_EQ(File("asteroides.dat"), Old("asteroides.dat"));
  EXPECT_EQ(File("asteroides2.dat"), Fixture("Soft06Unusual.txt"));
}

TEST_F(ElementDownloadTest, RepliesItsReaderCannotUseKeepTheOldFile) {
  struct Row {
    ElementKind kind;
    const char* path;
    const char* file;
    std::string body;
  };
  const std::string page = "<!DOCTYPE html>\n<html><body>The page you requested has moved.</body></html>\n";
  // Lines as long as a comet's: a page on one line, a compressed body, and
  // comet lines with a field out of its range or shifted out of its columns.
  const std::string longPage = "<!DOCTYPE html><html><head><title>Moved</title></head><body>" + std::string(200, ' ') +
                               "<p>The page you requested has moved to another address.</p></body></html>\n";
  std::string gzip = "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03";
  for (int i = 0; i < 300; ++i) gzip += static_cast<char>((i * 73 + 41) % 256 == '\n' ? 1 : (i * 73 + 41) % 256);
  std::string comet = Fixture("Soft06Cmt.txt");
  comet = comet.substr(0, comet.find('\n') + 1);
  std::string badDate = comet, badE = comet, shifted = " " + comet;
  badDate.replace(45, 14, " 20211313.0962");
  badE.replace(71, 9, " -0.56491");
  const std::vector<Row> rows = {
      {ElementKind::Comets, "/iau/Ephemerides/Comets/Soft06Cmt.txt", "cometes2.dat", page},
      {ElementKind::Comets, "/iau/Ephemerides/Comets/Soft06Cmt.txt", "cometes2.dat", longPage},
      {ElementKind::Comets, "/iau/Ephemerides/Comets/Soft06Cmt.txt", "cometes2.dat", gzip},
      {ElementKind::Comets, "/iau/Ephemerides/Comets/Soft06Cmt.txt", "cometes2.dat", badDate + badE + shifted},
      // Two-line element sets are too short to be comets.
      {ElementKind::Comets, "/iau/Ephemerides/Comets/Soft06Cmt.txt", "cometes2.dat", Fixture("nasa.all")},
      {ElementKind::Asteroids, "/iau/Ephemerides/Bright/2009/Soft06Bright.txt", "asteroides.dat", page},
      {ElementKind::Satellites, "/amsat/ftp/keps/current/nasa.all", "satellites.dat", page},
      {ElementKind::Satellites, "/amsat/ftp/keps/current/nasa.all", "satellites.dat", Fixture("Soft06Cmt.txt")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    server.Set(row.path, Ok(row.body));
    DownloadProgress progress;
    const auto outcome = DownloadElementFiles(row.kind, install, endpoints, {}, progress, nullptr, limits);
    EXPECT_FALSE(outcome.replaced);
    ASSERT_GE(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.results[0], DownloadResult::Rejected);
    EXPECT_EQ(File(row.file), Old(row.file));
  }
}

// A reply whose comet line stops before the magnitude fields is a comet
// without magnitudes: the reply check reads only the line and takes it.
TEST_F(ElementDownloadTest, ACometLineWithoutMagnitudesIsTaken) {
  const std::string reply = Fixture("hostile/comets-reply-112-byte-line.bin");
  const size_t head = reply.find("\r\n\r\n");
  ASSERT_NE(head, std::string::npos);
  const std::string body = reply.substr(head + 4);
  ASSERT_EQ(body.size(), 112u);
  server.Set("/iau/Ephemerides/Comets/Soft06Cmt.txt", Ok(body));
  DownloadProgress progress;
  const auto outcome = DownloadElementFiles(ElementKind::Comets, install, endpoints, {}, progress, nullptr, limits);
  EXPECT_TRUE(outcome.replaced);
  EXPECT_EQ(File("cometes2.dat"), body);
}

// A reply that arrives whole but cannot be kept on the disk (a full disk: the
// file size limit stands in for it here; a folder in the file's place) says
// which file and why, not that the connection failed; the old file and no
// temporary file remain.
TEST_F(ElementDownloadTest, AFileThatCannotBeSavedSaysWhy) {
  server.Set("/iau/Ephemerides/Comets/Soft06Cmt.txt", Ok(Fixture("Soft06Cmt.txt")));
  const std::string target = install + "/donnees/cometes2.dat";
  struct Row {
    const char* what;
    int error;
  };
  for (const Row& row : {Row{"disk full", EFBIG}, Row{"a folder in its place", EISDIR}}) {
    SCOPED_TRACE(row.what);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    void (*savedSignal)(int) = ::signal(SIGXFSZ, SIG_IGN);
    if (row.error == EFBIG) {
      rlimit small = saved;
      small.rlim_cur = 100;
      ::setrlimit(RLIMIT_FSIZE, &small);
    } else {
      fs::remove(target);
      fs::create_directories(target + "/kept");
    }
    DownloadProgress progress;
    const auto outcome = DownloadElementFiles(ElementKind::Comets, install, endpoints, {}, progress, nullptr, limits);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, savedSignal);
    ASSERT_EQ(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.results[0], DownloadResult::CannotSave);
    EXPECT_FALSE(outcome.replaced);
    EXPECT_EQ(fs::path(outcome.unsavedFile).lexically_normal(), fs::path(target).lexically_normal());
    EXPECT_EQ(outcome.saveProblem, std::strerror(row.error));
    EXPECT_EQ(ElementSaveFailedMessage(outcome.unsavedFile, outcome.saveProblem),
              "The file " + outcome.unsavedFile + " could not be saved (" + std::strerror(row.error) +
                  ").\r\nThe previous elements are kept.");
    if (row.error == EFBIG) EXPECT_EQ(File("cometes2.dat"), Old("cometes2.dat"));
    else EXPECT_TRUE(fs::is_directory(target + "/kept"));
    for (const auto& entry : fs::directory_iterator(install + "/donnees"))
      EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos) << entry.path();
  }
}

TEST_F(ElementDownloadTest, StopEndsTheKindAndNoHostMeansNoConnection) {
  HttpTestServer::Reply held = Ok(Fixture("Soft06Bright.txt"));
  held.hold = true;
  server.Set("/iau/Ephemerides/Bright/2009/Soft06Bright.txt", held);
  server.Set("/iau/Ephemerides/Unusual/Soft06Unusual.txt", Ok(Fixture("Soft06Unusual.txt")));
  DownloadProgress progress;
  progress.stopRequested = true;
  auto outcome = DownloadElementFiles(ElementKind::Asteroids, install, endpoints, {}, progress, nullptr, limits);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_FALSE(outcome.replaced);
  EXPECT_EQ(outcome.results.size(), 1u);
  EXPECT_EQ(server.RequestCount("/iau/Ephemerides/Unusual/Soft06Unusual.txt"), 0);
  EXPECT_EQ(File("asteroides2.dat"), Old("asteroides2.dat"));

  Endpoints none = endpoints;
  none.satelliteHost.clear();
  DownloadProgress fresh;
  outcome = DownloadElementFiles(ElementKind::Satellites, install, none, {}, fresh, nullptr, limits);
  ASSERT_EQ(outcome.results.size(), 1u);
  EXPECT_EQ(outcome.results[0], DownloadResult::BadUrl);
  EXPECT_EQ(File("satellites.dat"), Old("satellites.dat"));
}

TEST(ElementMessages, CountsAndStepTexts) {
  EXPECT_EQ(ElementSuccessMessage(ElementKind::Comets, 812),
            "This operation is successful.\r\nThe database contains  812 comets now.");
  EXPECT_EQ(ElementSuccessMessage(ElementKind::Asteroids, 1203),
            "This operation is successful.\r\nThe database contains 1203 asteroids now.");
  EXPECT_EQ(ElementSuccessMessage(ElementKind::Satellites, 0),
            "This operation is successful.\r\nThe database contains new satellites elements.");
  EXPECT_EQ(std::string(ElementRequestText(ElementKind::Comets)), "Request comets' elements..." + std::string(29, ' '));
  EXPECT_EQ(std::string(ElementDownloadText(ElementKind::Asteroids)),
            "Download asteroids' elements..." + std::string(33, ' '));
}

TEST(EndpointsFile, ReplacesTheNamedHostsOnly) {
  const std::string path = ::testing::TempDir() + "/endpoints.txt";
  std::ofstream(path) << "# test hosts\nminorPlanetHost=127.0.0.1:8080\nsurveyHost2=127.0.0.1:9\r\nbogus\nunknown=x\n";
  Endpoints e;
  ASSERT_TRUE(LoadEndpoints(path, e));
  EXPECT_EQ(e.minorPlanetHost, "127.0.0.1:8080");
  EXPECT_EQ(e.surveyHost[1], "127.0.0.1:9");
  EXPECT_EQ(e.surveyHost[0], "archive.stsci.edu");
  EXPECT_EQ(e.satelliteHost, "www.amsat.org");
  EXPECT_FALSE(LoadEndpoints(path + ".missing", e));
}

}  // namespace
