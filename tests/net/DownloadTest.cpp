// Safe downloads against a server of the test's own: the previous file stays
// byte-identical unless the transfer was complete and right.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "Download.h"
#include "HttpTestServer.h"
#include "Inet.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Element-file-like text of a given size: lines that do not start with '<'.
std::string ElementText(size_t size) {
  std::string text;
  while (text.size() < size) text += "    CK15E010  2015 08 15.6 1.1 0.99 1.0 1.5 2.0 3.0 2000 6.0  4.0  C/2015 E1\n";
  text.resize(size);
  return text;
}

// Refuses what a web server returns for a page instead of a data file.
bool NotHtml(const std::string& path) {
  const std::string text = ReadAll(path);
  return !text.empty() && text.find("<html") == std::string::npos && text.find("<HTML") == std::string::npos;
}

InternetLimits ShortLimits() {
  InternetLimits l;
  l.connectTimeoutMs = 2000;
  l.lowSpeedBytes = 64;
  l.lowSpeedSeconds = 1;
  l.maxBytes = 256 * 1024;
  return l;
}

size_t LeftoverFiles(const std::string& folder) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.path().filename().string().find(".part-") != std::string::npos;
  return n;
}

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = ::testing::TempDir() + "/dl-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder);
    target = folder + "/cometes2.dat";
    WriteText(target, previous);
  }
  std::string folder, target;
  const std::string previous = ElementText(3000);
  HttpTestServer server;
};

struct Case {
  const char* name;
  HttpTestServer::Reply reply;
  DownloadResult expected;
};

TEST_F(DownloadTest, EveryEndKeepsOrReplacesTheFileAsItShould) {
  const std::string fresh = ElementText(5000);
  HttpTestServer::Reply ok;
  ok.body = fresh;
  HttpTestServer::Reply notFound;
  notFound.status = 404;
  notFound.body = "<html>Not Found</html>";
  HttpTestServer::Reply drop = ok;
  drop.dropAfter = 2500;
  HttpTestServer::Reply shortBody = ok;
  shortBody.declaredLength = 9000;
  HttpTestServer::Reply trickle = ok;
  trickle.bytesPerSecond = 1;
  HttpTestServer::Reply endless;
  endless.endless = true;
  HttpTestServer::Reply huge = ok;
  huge.declaredLength = 5000000000ll;
  HttpTestServer::Reply html;
  html.body = "<html><head><title>Moved</title></head><body>gone</body></html>\n";
  html.contentType = "text/html";
  HttpTestServer::Reply loop;
  loop.status = 302;
  loop.location = "/loop";
  HttpTestServer::Reply moved;
  moved.status = 301;
  moved.location = "/ok";

  const std::vector<Case> cases = {
      {"ok", ok, DownloadResult::Complete},
      {"notfound", notFound, DownloadResult::HttpError},
      {"drop", drop, DownloadResult::Incomplete},
      {"short", shortBody, DownloadResult::Incomplete},
      {"trickle", trickle, DownloadResult::Incomplete},
      {"endless", endless, DownloadResult::Incomplete},
      {"huge", huge, DownloadResult::Incomplete},
      {"html", html, DownloadResult::Rejected},
      {"loop", loop, DownloadResult::NoReply},
      {"moved", moved, DownloadResult::Complete},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = std::string("/") + (std::string(c.name) == "loop" ? "loop" : c.name);
    server.Set(path, c.reply);
    WriteText(target, previous);
    DownloadJob job;
    job.url = server.Base() + path;
    job.target = target;
    job.limits = ShortLimits();
    job.accept = NotHtml;
    DownloadProgress progress;
    const auto start = std::chrono::steady_clock::now();
    const DownloadResult result = DownloadFile(job, ProxySettings{}, progress);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(static_cast<int>(result), static_cast<int>(c.expected));
    EXPECT_EQ(ReadAll(target), result == DownloadResult::Complete ? fresh : previous);
    EXPECT_EQ(LeftoverFiles(folder), 0u);
    EXPECT_LT(seconds, 10.0) << "the transfer was not bounded";
  }
}

TEST_F(DownloadTest, StopAfterTwoBlocksKeepsThePreviousFile) {
  HttpTestServer::Reply stalled;
  stalled.body = ElementText(10000);
  stalled.stallAfter = 2046;
  server.Set("/stall", stalled);
  DownloadJob job;
  job.url = server.Base() + "/stall";
  job.target = target;
  job.limits = ShortLimits();
  job.limits.lowSpeedSeconds = 30;  // only Stop can end it
  DownloadProgress progress;
  std::thread stopper([&] {
    while (progress.bytes.load() < 2046) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    progress.stopRequested = true;
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DownloadFile(job, ProxySettings{}, progress), DownloadResult::Stopped);
  stopper.join();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
  EXPECT_EQ(progress.Kilobytes(), 1);
  EXPECT_EQ(ReadAll(target), previous);
  EXPECT_EQ(LeftoverFiles(folder), 0u);
}

TEST_F(DownloadTest, TheShutdownFlagEndsAHeldTransferAtOnce) {
  HttpTestServer::Reply held;
  held.body = ElementText(100);
  held.hold = true;
  server.Set("/held", held);
  std::atomic<bool> shutdown{false};
  DownloadJob job;
  job.url = server.Base() + "/held";
  job.target = target;
  job.limits = ShortLimits();
  job.limits.lowSpeedSeconds = 30;
  job.abort = &shutdown;
  DownloadProgress progress;
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    shutdown = true;
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DownloadFile(job, ProxySettings{}, progress), DownloadResult::Stopped);
  later.join();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
  EXPECT_EQ(ReadAll(target), previous);
}

TEST_F(DownloadTest, FailuresBeforeTheTransferTouchNothing) {
  // A port nobody listens on: bind one, then close it.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  const int closedPort = ntohs(a.sin_port);
  ::close(fd);

  struct Failure {
    std::string url;
    std::string target;
    DownloadResult expected;
  };
  const std::vector<Failure> failures = {
      {"ftp://127.0.0.1/file", target, DownloadResult::BadUrl},
      {"http://127.0.0.1:" + std::to_string(closedPort) + "/x", target, DownloadResult::NoReply},
      {server.Base() + "/x", folder + "/missing/folder/file.dat", DownloadResult::CannotCreate},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.url);
    DownloadJob job;
    job.url = f.url;
    job.target = f.target;
    job.limits = ShortLimits();
    DownloadProgress progress;
    EXPECT_EQ(DownloadFile(job, ProxySettings{}, progress), f.expected);
    EXPECT_EQ(ReadAll(target), previous);
    EXPECT_EQ(LeftoverFiles(folder), 0u);
  }
}

TEST_F(DownloadTest, RequestsCarryTheAgentAndTheSessionsSettings) {
  HttpTestServer::Reply ok;
  ok.body = ElementText(10);
  server.Set("/a", ok);
  DownloadJob job;
  job.url = server.Base() + "/a";
  job.target = target;
  job.limits = ShortLimits();
  DownloadProgress progress;
  ASSERT_EQ(DownloadFile(job, ProxySettings{}, progress), DownloadResult::Complete);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].head.find("GET /a HTTP/1.1\r\n"), std::string::npos);
  EXPECT_NE(requests[0].head.find("User-Agent: HTTPConnect\r\n"), std::string::npos);

  std::unique_ptr<CInternetSession> named(NewInternetSession({true, "proxy.example:3128"}));
  EXPECT_EQ(named->AccessType(), INTERNET_OPEN_TYPE_PROXY);
  std::unique_ptr<CInternetSession> preconfigured(NewInternetSession({false, "proxy.example:3128"}));
  EXPECT_EQ(preconfigured->AccessType(), INTERNET_OPEN_TYPE_PRECONFIG);
}

TEST(InternetAddress, SplitsIntoServiceServerObjectAndPort) {
  struct Row {
    const char* url;
    bool ok;
    DWORD service;
    const char* server;
    const char* object;
    int port;
  };
  const Row rows[] = {
      {"http://www.minorplanetcenter.net/iau/Ephemerides/Comets/Soft06Cmt.txt", true, AFX_INET_SERVICE_HTTP,
       "www.minorplanetcenter.net", "/iau/Ephemerides/Comets/Soft06Cmt.txt", 80},
      {"http://127.0.0.1:8080/a?b=c", true, AFX_INET_SERVICE_HTTP, "127.0.0.1", "/a?b=c", 8080},
      {"https://archive.stsci.edu", true, AFX_INET_SERVICE_HTTPS, "archive.stsci.edu", "/", 443},
      {"ftp://host/file", false, 0, "", "", 0},
      {"http:///nohost", false, 0, "", "", 0},
      {"http://host:99999/x", false, 0, "", "", 0},
      {"http://host:/x", false, 0, "", "", 0},
      {"", false, 0, "", "", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.url);
    DWORD service = 0;
    CString server, object;
    INTERNET_PORT port = 0;
    ASSERT_EQ(AfxParseURL(r.url, service, server, object, port), r.ok);
    if (!r.ok) continue;
    EXPECT_EQ(service, r.service);
    EXPECT_EQ(server, r.server);
    EXPECT_EQ(object, r.object);
    EXPECT_EQ(port, r.port);
  }
}

TEST(InternetConnection, ConnectsAndSendsTenBytesWithinItsBound) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  socklen_t len = sizeof a;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  const int port = ntohs(a.sin_port);
  EXPECT_TRUE(TestInternetConnection("127.0.0.1", static_cast<INTERNET_PORT>(port), 2000));
  const int peer = ::accept(listener, nullptr, nullptr);
  ASSERT_GE(peer, 0);
  char bytes[32];
  size_t got = 0;
  ssize_t n;
  while ((n = ::recv(peer, bytes + got, sizeof bytes - got, 0)) > 0) got += static_cast<size_t>(n);
  EXPECT_EQ(got, 10u);
  ::close(peer);
  ::close(listener);
  // Nobody listens there any more.
  EXPECT_FALSE(TestInternetConnection("127.0.0.1", static_cast<INTERNET_PORT>(port), 2000));
  EXPECT_FALSE(TestInternetConnection("", 80, 2000));
}

}  // namespace
