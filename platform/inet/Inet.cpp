#include "Inet.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsAborted(const std::atomic<bool>* flag) { return flag && flag->load(std::memory_order_relaxed); }

}  // namespace

bool AfxParseURL(const char* url, DWORD& service, CString& server, CString& object, INTERNET_PORT& port) {
  if (!url) return false;
  std::string text(url);
  std::string rest;
  if (text.compare(0, 7, "http://") == 0) {
    service = AFX_INET_SERVICE_HTTP;
    port = INTERNET_DEFAULT_HTTP_PORT;
    rest = text.substr(7);
  } else if (text.compare(0, 8, "https://") == 0) {
    service = AFX_INET_SERVICE_HTTPS;
    port = INTERNET_DEFAULT_HTTPS_PORT;
    rest = text.substr(8);
  } else {
    return false;
  }
  const size_t slash = rest.find('/');
  std::string hostPort = rest.substr(0, slash);
  object = slash == std::string::npos ? std::string("/") : rest.substr(slash);
  if (hostPort.empty() || hostPort.find_first_of(" \t\r\n@") != std::string::npos) return false;
  const size_t colon = hostPort.rfind(':');
  if (colon != std::string::npos && hostPort.find(']') == std::string::npos) {
    const std::string digits = hostPort.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
      return false;
    const long value = std::stol(digits);
    if (value < 1 || value > 65535) return false;
    port = static_cast<INTERNET_PORT>(value);
    hostPort.resize(colon);
    if (hostPort.empty()) return false;
  }
  server = hostPort;
  return true;
}

CInternetSession::CInternetSession(const char* agent, DWORD /*context*/, DWORD accessType, const char* proxyName,
                                   const char* /*proxyBypass*/, DWORD /*flags*/)
    : m_agent(agent ? agent : ""), m_accessType(accessType), m_proxyName(proxyName ? proxyName : "") {
  GlobalInit();
}

CInternetSession::~CInternetSession() = default;

bool CInternetSession::Aborted() const { return IsAborted(m_abort) || IsAborted(m_abort2); }

CHttpConnection* CInternetSession::GetHttpConnection(const char* server, INTERNET_PORT port) {
  return new CHttpConnection(this, server ? server : "", port, port == INTERNET_DEFAULT_HTTPS_PORT);
}

CHttpFile* CHttpConnection::OpenRequest(int /*verb*/, const char* object, const char*, DWORD, const char**,
                                        const char*, DWORD flags) {
  std::string url = m_https ? "https://" : "http://";
  const bool ipv6 = m_server.find(':') != std::string::npos;
  url += ipv6 ? "[" + m_server + "]" : m_server;
  if (m_port != (m_https ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT))
    url += ":" + std::to_string(m_port);
  const std::string path = object && *object ? object : "/";
  // Blanks in a query (fixed-width numbers) travel encoded.
  for (char c : path[0] == '/' ? path : "/" + path) {
    if (c == ' ')
      url += "%20";
    else
      url += c;
  }
  return new CHttpFile(m_session, url, flags);
}

struct CHttpFile::Impl {
  CInternetSession* session = nullptr;
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  std::string buffer;  // received and not yet read
  size_t bufferPos = 0;
  bool paused = false;
  bool started = false;
  bool done = false;
  CURLcode result = CURLE_OK;
  bool aborted = false;
  bool overLimit = false;
  int64_t received = 0;
  long status = 0;
  char error[CURL_ERROR_SIZE] = {};

  static size_t OnWrite(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<Impl*>(user);
    const size_t bytes = size * count;
    if (self->buffer.size() - self->bufferPos >= 64 * 1024) {
      self->paused = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    self->received += static_cast<int64_t>(bytes);
    if (self->received > self->session->m_limits.maxBytes) {
      self->overLimit = true;
      return 0;  // ends the transfer with a write error
    }
    if (self->bufferPos > 0 && self->bufferPos == self->buffer.size()) {
      self->buffer.clear();
      self->bufferPos = 0;
    }
    self->buffer.append(data, bytes);
    return bytes;
  }

  static int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* self = static_cast<Impl*>(user);
    if (self->session->Aborted()) {
      self->aborted = true;
      return 1;
    }
    return 0;
  }

  // Runs the transfer until `ready` holds or it ends; polls in short steps
  // so an abort is seen quickly.
  template <class Ready>
  void Pump(Ready ready) {
    while (!done && !ready()) {
      if (session->Aborted()) {
        aborted = true;
        Finish(CURLE_ABORTED_BY_CALLBACK);
        return;
      }
      if (paused && buffer.size() - bufferPos < 64 * 1024) {
        paused = false;
        curl_easy_pause(easy, CURLPAUSE_CONT);
      }
      int running = 0;
      curl_multi_perform(multi, &running);
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
        if (msg->msg == CURLMSG_DONE) Finish(msg->data.result);
      }
      if (done || ready()) break;
      if (paused) continue;
      curl_multi_poll(multi, nullptr, 0, 50, nullptr);
    }
  }

  void Finish(CURLcode code) {
    if (done) return;
    done = true;
    result = code;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  }
};

CHttpFile::CHttpFile(CInternetSession* session, std::string url, DWORD /*flags*/)
    : m_impl(std::make_unique<Impl>()), m_url(std::move(url)) {
  m_impl->session = session;
}

CHttpFile::~CHttpFile() { Close(); }

bool CHttpFile::SendRequest() {
  Impl& d = *m_impl;
  if (d.started) return false;
  d.started = true;
  d.easy = curl_easy_init();
  d.multi = curl_multi_init();
  if (!d.easy || !d.multi) return false;
  const InternetLimits& limits = d.session->m_limits;
  CURL* e = d.easy;
  curl_easy_setopt(e, CURLOPT_URL, m_url.c_str());
  curl_easy_setopt(e, CURLOPT_USERAGENT, d.session->m_agent.c_str());
  curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, d.error);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Impl::OnWrite);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &d);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &Impl::OnProgress);
  curl_easy_setopt(e, CURLOPT_XFERINFODATA, &d);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
  curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
  if (limits.totalTimeoutMs > 0) curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, limits.totalTimeoutMs);
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
  // An http address may move to https; an https one stays there.
  const bool https = m_url.compare(0, 8, "https://") == 0;
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, https ? "https" : "http,https");
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
  if (d.session->m_accessType == INTERNET_OPEN_TYPE_PROXY && !d.session->m_proxyName.empty())
  {
    // The named proxy carries every request, whatever the environment's
    // exceptions say.
    curl_easy_setopt(e, CURLOPT_PROXY, d.session->m_proxyName.c_str());
    curl_easy_setopt(e, CURLOPT_NOPROXY, "");
  }
  // Otherwise libcurl takes the environment's proxy settings.
  curl_multi_add_handle(d.multi, e);
  // The head has arrived once a status is known and a body byte came or the
  // transfer ended.
  d.Pump([&] {
    long code = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &code);
    return code >= 200 && d.buffer.size() > d.bufferPos;
  });
  if (!d.done) curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &d.status);
  if (d.done && d.result != CURLE_OK && d.status == 0) return false;
  if (d.done && d.result == CURLE_TOO_MANY_REDIRECTS) return false;
  return d.status != 0;
}

bool CHttpFile::QueryInfoStatusCode(DWORD& status) const {
  status = static_cast<DWORD>(m_impl->status);
  return m_impl->status != 0;
}

UINT CHttpFile::Read(void* buffer, UINT count) {
  Impl& d = *m_impl;
  if (!d.started || !d.easy || count == 0) return 0;
  d.Pump([&] { return d.buffer.size() > d.bufferPos; });
  const size_t available = d.buffer.size() - d.bufferPos;
  if (available == 0) return 0;
  if (d.aborted) return 0;
  const size_t n = available < count ? available : count;
  std::memcpy(buffer, d.buffer.data() + d.bufferPos, n);
  d.bufferPos += n;
  return static_cast<UINT>(n);
}

int64_t CHttpFile::GetLength() const {
  if (!m_impl->easy) return -1;
  curl_off_t length = -1;
  curl_easy_getinfo(m_impl->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  return length;
}

bool CHttpFile::IsComplete() const {
  const Impl& d = *m_impl;
  return d.done && d.result == CURLE_OK && !d.aborted && !d.overLimit && d.bufferPos == d.buffer.size();
}

std::string CHttpFile::ErrorText() const {
  const Impl& d = *m_impl;
  if (d.aborted) return "aborted";
  if (d.overLimit) return "reply over the size limit";
  if (d.error[0]) return d.error;
  if (d.done && d.result != CURLE_OK) return curl_easy_strerror(d.result);
  return {};
}

std::string CHttpFile::EffectiveUrl() const {
  char* url = nullptr;
  if (m_impl->easy) curl_easy_getinfo(m_impl->easy, CURLINFO_EFFECTIVE_URL, &url);
  return url ? url : m_url;
}

void CHttpFile::Close() {
  if (!m_impl) return;
  Impl& d = *m_impl;
  if (d.multi && d.easy) curl_multi_remove_handle(d.multi, d.easy);
  if (d.easy) curl_easy_cleanup(d.easy);
  if (d.multi) curl_multi_cleanup(d.multi);
  d.easy = nullptr;
  d.multi = nullptr;
}

bool TestInternetConnection(const char* host, INTERNET_PORT port, int timeoutMs) {
  if (!host || !*host) return false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host, service.c_str(), &hints, &found) != 0 || !found) return false;
  bool ok = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (addrinfo* a = found; a && !ok; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    auto remaining = [&] {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      return static_cast<int>(left.count() > 0 ? left.count() : 0);
    };
    bool connected = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, remaining()) == 1) {
        int error = 0;
        socklen_t len = sizeof error;
        connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
      }
    }
    if (connected) {
      // Ten bytes of a harmless request line; only the count sent matters.
      const char bytes[10] = {'H', 'E', 'A', 'D', ' ', '/', ' ', 'H', 'T', 'T'};
      size_t sent = 0;
      while (sent < sizeof bytes) {
        const ssize_t n = ::send(fd, bytes + sent, sizeof bytes - sent, MSG_NOSIGNAL);
        if (n > 0) {
          sent += static_cast<size_t>(n);
          continue;
        }
        if (n < 0 && errno == EAGAIN) {
          pollfd p{fd, POLLOUT, 0};
          if (::poll(&p, 1, remaining()) == 1) continue;
        }
        break;
      }
      ok = sent == sizeof bytes;
    }
    ::close(fd);
    if (remaining() == 0) break;
  }
  freeaddrinfo(found);
  return ok;
}
