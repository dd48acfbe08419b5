#pragma once
// HTTP sessions, connections and requests shaped as the system's download code
// calls them, on libcurl. One request is one GET; its body is read in blocks
// with Read, which waits for data while the transfer runs, so a caller reads,
// writes and looks at its own stop flag between blocks.
//
// Sound limits the callers rely on: a bounded connect, a low-speed abort, a
// byte limit per request, at most 5 redirects (http may go to https with the
// certificate checked, never back), and an abort flag that ends a transfer at
// once. "EnableAutodial" has no Linux counterpart: the connection test only
// connects and sends.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "CString.h"
#include "WinTypes.h"

using INTERNET_PORT = uint16_t;

constexpr DWORD AFX_INET_SERVICE_HTTP = 3;
constexpr DWORD AFX_INET_SERVICE_HTTPS = 4;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

// Request flags: kept for the callers' shape; every request reaches the
// server (there is no cache here) and connections are reused by libcurl.
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000u;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000u;
constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x00400000u;

constexpr DWORD HTTP_STATUS_OK = 200;

// Splits "http://host[:port]/object" into its service, server, object and
// port. False for anything else (other schemes, no host, a bad port).
bool AfxParseURL(const char* url, DWORD& service, CString& server, CString& object, INTERNET_PORT& port);

// The waits and limits of one session; tests shorten them.
struct InternetLimits {
  long connectTimeoutMs = 15000;
  // A transfer slower than lowSpeedBytes per second for lowSpeedSeconds ends.
  long lowSpeedBytes = 16;
  long lowSpeedSeconds = 30;
  // The most a request may deliver (its Content-Length or its body).
  int64_t maxBytes = 64ll * 1024 * 1024;
  // The longest a whole request may last, head and body; 0 for no limit
  // (a large download at a modest speed takes what it takes).
  long totalTimeoutMs = 0;
};

class CHttpFile;
class CHttpConnection;

class CInternetSession {
 public:
  // accessType INTERNET_OPEN_TYPE_PROXY goes through proxyName; the
  // preconfigured type uses the environment's proxy settings (http_proxy,
  // https_proxy, no_proxy) and ignores proxyName.
  explicit CInternetSession(const char* agent = "HTTPConnect", DWORD context = 1,
                            DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG, const char* proxyName = nullptr,
                            const char* proxyBypass = nullptr, DWORD flags = 0);
  ~CInternetSession();
  CInternetSession(const CInternetSession&) = delete;
  CInternetSession& operator=(const CInternetSession&) = delete;

  // The returned connection belongs to the caller (delete it after Close).
  CHttpConnection* GetHttpConnection(const char* server, INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT);
  void Close() {}

  void SetLimits(const InternetLimits& limits) { m_limits = limits; }
  const InternetLimits& Limits() const { return m_limits; }
  // When either flag is set, every transfer of this session ends at once
  // (the program's shutdown, a Stop). Null flags are ignored.
  void SetAbortFlags(const std::atomic<bool>* first, const std::atomic<bool>* second = nullptr) {
    m_abort = first;
    m_abort2 = second;
  }
  bool Aborted() const;

  const std::string& Agent() const { return m_agent; }
  DWORD AccessType() const { return m_accessType; }
  const std::string& ProxyName() const { return m_proxyName; }

 private:
  friend class CHttpFile;
  std::string m_agent;
  DWORD m_accessType;
  std::string m_proxyName;
  InternetLimits m_limits;
  const std::atomic<bool>* m_abort = nullptr;
  const std::atomic<bool>* m_abort2 = nullptr;
};

class CHttpConnection {
 public:
  static constexpr int HTTP_VERB_GET = 1;
  // The returned request belongs to the caller (delete it after Close).
  CHttpFile* OpenRequest(int verb, const char* object, const char* referer = nullptr, DWORD context = 1,
                         const char** acceptTypes = nullptr, const char* version = nullptr, DWORD flags = 0);
  void Close() {}
  ~CHttpConnection() = default;

 private:
  friend class CInternetSession;
  CHttpConnection(CInternetSession* session, std::string server, INTERNET_PORT port, bool https)
      : m_session(session), m_server(std::move(server)), m_port(port), m_https(https) {}
  CInternetSession* m_session;
  std::string m_server;
  INTERNET_PORT m_port;
  bool m_https;
};

class CHttpFile {
 public:
  ~CHttpFile();
  CHttpFile(const CHttpFile&) = delete;
  CHttpFile& operator=(const CHttpFile&) = delete;

  // Starts the transfer and waits for the reply's head. False when no
  // reply came (no connection, timeout, abort, too many redirects).
  bool SendRequest();
  // The final status after redirects (0 before a reply).
  bool QueryInfoStatusCode(DWORD& status) const;
  // Up to count bytes of the body; 0 at its end, after a failure or an abort.
  UINT Read(void* buffer, UINT count);
  // The reply's Content-Length, -1 when none was given.
  int64_t GetLength() const;
  void Close();

  // After Read returned 0: true only when the body arrived whole and right
  // (every promised byte, no error, within the limit, not aborted).
  bool IsComplete() const;
  // libcurl's description of the failure, empty when none.
  std::string ErrorText() const;
  // The address the request was made to, and the one it ended at.
  const std::string& Url() const { return m_url; }
  std::string EffectiveUrl() const;

 private:
  friend class CHttpConnection;
  CHttpFile(CInternetSession* session, std::string url, DWORD flags);
  struct Impl;
  std::unique_ptr<Impl> m_impl;
  std::string m_url;
};

// A bounded TCP connect to host:port and a 10-byte send; true when both
// succeeded within timeoutMs.
bool TestInternetConnection(const char* host, INTERNET_PORT port = 80, int timeoutMs = 5000);
