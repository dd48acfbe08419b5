// libFuzzer target: arbitrary bytes as a whole HTTP reply (status line,
// headers, body) received by the download code. A server of the target's own
// on 127.0.0.1 answers every connection with the input, then closes; it is
// also the proxy of every request, so no redirect the input asks for leaves
// the machine. The first byte chooses the caller: a file download, the
// version page (and its parsing), or the size query. Built in a fuzz build
// only.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "Download.h"
#include "FuzzScratch.h"
#include "ProgramUpdate.h"

namespace {

class RawServer {
 public:
  RawServer() {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listen, 16) != 0) std::abort();
    socklen_t len = sizeof a;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    std::thread([this] { Serve(); }).detach();  // lives as long as the process
  }
  void SetReply(std::string reply) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reply = std::move(reply);
  }
  int Port() const { return m_port; }

 private:
  void Serve() {
    for (;;) {
      const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      // The request head, then the reply, then the end of the connection.
      std::string head;
      char buffer[4096];
      pollfd p{fd, POLLIN, 0};
      while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 && ::poll(&p, 1, 1000) > 0) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<size_t>(n));
      }
      std::string reply;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        reply = m_reply;
      }
      for (size_t sent = 0; sent < reply.size();) {
        const ssize_t n = ::send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      ::shutdown(fd, SHUT_WR);
      while (::poll(&p, 1, 50) > 0 && ::recv(fd, buffer, sizeof buffer, 0) > 0) {
      }
      ::close(fd);
    }
  }

  int m_listen = -1;
  int m_port = 0;
  std::mutex m_mutex;
  std::string m_reply;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static RawServer* server = new RawServer;
  static const std::string target = FuzzScratchFolder() + "/download.bin";
  server->SetReply(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  ProxySettings proxy;
  proxy.useProxy = true;
  proxy.proxyName = "127.0.0.1:" + std::to_string(server->Port());
  InternetLimits limits;
  limits.connectTimeoutMs = 2000;
  limits.lowSpeedSeconds = 2;
  limits.maxBytes = 1 << 20;
  switch (data[0] % 3) {
    case 0: {
      DownloadJob job;
      job.url = "http://files.invalid/data/file.dat";
      job.target = target;
      job.limits = limits;
      DownloadProgress progress;
      DWORD status = 0;
      const DownloadResult r = DownloadFile(job, proxy, progress, &status);
      if (r == DownloadResult::Complete && status != 200) __builtin_trap();
      std::remove(target.c_str());
      break;
    }
    case 1: {
      std::string block;
      if (FetchVersionPage("http://files.invalid/version.htm", proxy, limits, nullptr, block) ==
          VersionPageResult::Read) {
        if (block.size() > 2000) __builtin_trap();
        VersionPage page = ParseVersionPage(block);
        std::array<float, kComponentCount> installed{};
        (void)BuildUpdateList(page, installed);
      }
      break;
    }
    default:
      if (QueryRemoteFileSize("http://files.invalid/big.zip", proxy, limits) < 0) __builtin_trap();
      break;
  }
  return 0;
}
