// The proxy setting: with "Use proxy" the request passes through the named
// proxy (tinyproxy started here with its own configuration, its Via header
// shows it); without it the name is ignored.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "Download.h"
#include "HttpTestServer.h"

namespace {

const char* const kTinyproxy = "/usr/bin/tinyproxy";

int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

class Tinyproxy {
 public:
  Tinyproxy() {
    const std::string folder = ::testing::TempDir();
    port = FreePort();
    const std::string config = folder + "/tinyproxy.conf";
    std::ofstream(config) << "Port " << port << "\nListen 127.0.0.1\nTimeout 10\nAllow 127.0.0.1\n"
                          << "ViaProxyName \"nvtestproxy\"\nMaxClients 8\nLogLevel Error\n"
                          << "LogFile \"" << folder << "/tinyproxy.log\"\n";
    pid = ::fork();
    if (pid == 0) {
      ::execl(kTinyproxy, kTinyproxy, "-d", "-c", config.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 200 && !ready; ++i) {
      ready = TestInternetConnection("127.0.0.1", static_cast<INTERNET_PORT>(port), 200);
      if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~Tinyproxy() {
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      int status = 0;
      ::waitpid(pid, &status, 0);
    }
  }
  int port = 0;
  pid_t pid = -1;
  bool ready = false;
};

TEST(Proxy, UseProxyGoesThroughTheNamedProxyAndOnlyThen) {
  ASSERT_EQ(::access(kTinyproxy, X_OK), 0) << "tinyproxy is missing: install the Debian package tinyproxy-bin";
  HttpTestServer server;
  Tinyproxy proxy;
  ASSERT_TRUE(proxy.ready) << "tinyproxy did not start";
  HttpTestServer::Reply ok;
  ok.body = "element lines\n";
  server.Set("/via", ok);
  server.Set("/direct", ok);
  const std::string name = "127.0.0.1:" + std::to_string(proxy.port);

  struct Row {
    const char* path;
    ProxySettings settings;
    bool throughProxy;
  };
  const Row rows[] = {{"/via", {true, name}, true}, {"/direct", {false, name}, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    DownloadJob job;
    job.url = server.Base() + row.path;
    job.target = ::testing::TempDir() + "/proxied.dat";
    job.limits.connectTimeoutMs = 2000;
    job.limits.lowSpeedSeconds = 3;
    DownloadProgress progress;
    EXPECT_EQ(DownloadFile(job, row.settings, progress), DownloadResult::Complete);
    bool seen = false;
    for (const auto& r : server.Requests()) {
      if (r.path != row.path) continue;
      seen = true;
      EXPECT_EQ(r.head.find("nvtestproxy") != std::string::npos, row.throughProxy) << r.head;
    }
    EXPECT_TRUE(seen);
  }
}

}  // namespace
