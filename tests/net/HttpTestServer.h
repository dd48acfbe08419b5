#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the download tests: each path has
// a scripted reply (status, body, a false Content-Length, a drop part-way, a
// trickle, an endless body, a redirect, a held reply), and the server records
// the requests and the most connections it saw open at once. It stops, and
// ends every connection, when destroyed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class HttpTestServer {
 public:
  struct Reply {
    int status = 200;
    std::string body;
    std::string contentType = "text/plain";
    long long declaredLength = -1;  // -1: the body's size
    long long dropAfter = -1;       // close after this many body bytes
    int bytesPerSecond = 0;         // 0: at once
    bool endless = false;           // send body bytes until the client leaves
    std::string location;           // a 302 to this address
    bool hold = false;              // wait for Release() before answering
    long long stallAfter = -1;      // after this many body bytes, wait for the server's end
  };
  struct Request {
    std::string path;
    std::string head;  // the request's whole head
  };

  HttpTestServer() {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(m_listen, 64);
    socklen_t len = sizeof a;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
  }
  ~HttpTestServer() {
    m_stop = true;
    Release();
    m_acceptor.join();
    for (auto& t : m_workers) t.join();
    ::close(m_listen);
  }

  int Port() const { return m_port; }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(m_port); }
  std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }
  void Set(const std::string& path, Reply reply) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replies[path] = std::move(reply);
  }
  void Release() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_released = true;
    m_cv.notify_all();
  }
  std::vector<Request> Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
  }
  int RequestCount(const std::string& path) const {
    int n = 0;
    for (const auto& r : Requests()) n += r.path == path;
    return n;
  }
  int MostOpenAtOnce() const { return m_mostOpen.load(); }
  int OpenNow() const { return m_open.load(); }

 private:
  void AcceptLoop() {
    while (!m_stop) {
      pollfd p{m_listen, POLLIN, 0};
      if (::poll(&p, 1, 20) != 1) continue;
      const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      const int open = ++m_open;
      int most = m_mostOpen.load();
      while (open > most && !m_mostOpen.compare_exchange_weak(most, open)) {
      }
      m_workers.emplace_back([this, fd] {
        Serve(fd);
        ::close(fd);
        --m_open;
      });
    }
  }

  bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0 && !m_stop) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 20) != 1) continue;
      const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
      if (n <= 0) return false;
      data += n;
      size -= static_cast<size_t>(n);
    }
    return size == 0;
  }

  // Reads one request head; false when the client left or the server stops.
  bool ReadHead(int fd, std::string& head) {
    head.clear();
    char c[1024];
    while (!m_stop && head.find("\r\n\r\n") == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 20) != 1) continue;
      const ssize_t n = ::recv(fd, c, sizeof c, 0);
      if (n <= 0) return false;
      head.append(c, static_cast<size_t>(n));
    }
    return !m_stop;
  }

  void Serve(int fd) {
    std::string head;
    while (ReadHead(fd, head)) {
      const size_t sp1 = head.find(' ');
      const size_t sp2 = head.find(' ', sp1 + 1);
      std::string path = head.substr(sp1 + 1, sp2 - sp1 - 1);
      // A proxied request names the whole address.
      if (path.compare(0, 7, "http://") == 0) path = path.substr(path.find('/', 7));
      Reply reply;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_requests.push_back({path, head});
        auto it = m_replies.find(path);
        if (it != m_replies.end())
          reply = it->second;
        else
          reply.status = 404, reply.body = "<html><body>Not Found</body></html>";
        if (reply.hold) m_cv.wait(lock, [this] { return m_released || m_stop.load(); });
      }
      if (!Answer(fd, reply)) return;
    }
  }

  bool Answer(int fd, const Reply& reply) {
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + (reply.status == 200 ? " OK" : " Status") + "\r\n";
    if (!reply.location.empty()) out += "Location: " + reply.location + "\r\n";
    out += "Content-Type: " + reply.contentType + "\r\n";
    if (!reply.endless) {
      const long long length = reply.declaredLength >= 0 ? reply.declaredLength
                                                         : static_cast<long long>(reply.body.size());
      out += "Content-Length: " + std::to_string(length) + "\r\n";
    } else {
      out += "Connection: close\r\n";
    }
    out += "\r\n";
    if (!SendAll(fd, out.data(), out.size())) return false;
    if (reply.endless) {
      const std::string chunk(4096, 'x');
      while (!m_stop && SendAll(fd, chunk.data(), chunk.size())) {
      }
      return false;
    }
    const size_t limit = reply.dropAfter >= 0 ? static_cast<size_t>(reply.dropAfter) : reply.body.size();
    const size_t count = std::min(limit, reply.body.size());
    if (reply.bytesPerSecond > 0) {
      for (size_t i = 0; i < count && !m_stop; ++i) {
        if (!SendAll(fd, reply.body.data() + i, 1)) return false;
        for (int w = 0; w < 1000 / reply.bytesPerSecond / 20 && !m_stop; ++w)
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    } else if (reply.stallAfter >= 0 && static_cast<size_t>(reply.stallAfter) < count) {
      if (!SendAll(fd, reply.body.data(), static_cast<size_t>(reply.stallAfter))) return false;
      while (!m_stop) {
        pollfd p{fd, POLLIN, 0};
        char c[256];
        if (::poll(&p, 1, 20) == 1 && ::recv(fd, c, sizeof c, 0) <= 0) return false;
      }
      return false;
    } else if (!SendAll(fd, reply.body.data(), count)) {
      return false;
    }
    // A drop or a body shorter than promised ends the connection.
    return reply.dropAfter < 0 && reply.declaredLength < 0;
  }

  int m_listen = -1;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_open{0};
  std::atomic<int> m_mostOpen{0};
  std::thread m_acceptor;
  std::vector<std::thread> m_workers;
  mutable std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_released = false;
  std::map<std::string, Reply> m_replies;
  std::vector<Request> m_requests;
};
