#pragma once
// One safe HTTP download into a file: the bytes go to a temporary file of the
// target's folder, created exclusively, and replace the target only after a
// complete transfer with status 200 that the caller's check accepts. Any
// other end (an error status, a dropped or short body, a timeout, a reply
// over the size limit, Stop, the shutdown's flag) leaves the target as it was.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "Inet.h"

// Proxy settings of the program ("Internet" section of the settings file).
struct ProxySettings {
  bool useProxy = false;
  std::string proxyName;
};

// Shared between the downloading thread and the progress window.
class DownloadProgress {
 public:
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> running{false};
  std::atomic<int64_t> bytes{0};
  int Kilobytes() const { return static_cast<int>(bytes.load() / 1024); }
  void SetLabel(const std::string& label) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_label = label;
  }
  std::string Label() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_label;
  }

 private:
  mutable std::mutex m_mutex;
  std::string m_label;
};

enum class DownloadResult {
  Complete,      // the target now holds the new bytes
  BadUrl,        // the address cannot be split
  CannotCreate,  // no temporary file could be made beside the target
  CannotSave,    // the bytes could not be written or put in place (full or read-only disk)
  NoReply,       // no connection, no answer, too many redirects
  HttpError,     // a status other than 200
  Incomplete,    // dropped, short, too slow or over the size limit
  Stopped,       // Stop or the shutdown's flag
  Rejected,      // complete, but the caller's check refused the bytes
};

struct DownloadJob {
  std::string url;
  std::string target;
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_CACHE_WRITE;
  InternetLimits limits;
  // Sees the complete temporary file; false keeps the target as it was.
  std::function<bool(const std::string& path)> accept;
  // Ends the transfer at once when set (the program's shutdown).
  const std::atomic<bool>* abort = nullptr;
  // Set by a step text between the request and the body.
  std::string requestLabel;
  std::string downloadLabel;
  // Called after each block written, with this file's byte count.
  std::function<void(int64_t fileBytes)> onBlock;
};

// Runs the job on the calling thread. progress.bytes runs on from its value
// at the call (a caller fetching two files shows one rising total);
// progress.stopRequested is read, never cleared, here.
// When the file cannot be made or saved, saveProblem (if given) receives why
// (the system's words: "No space left on device").
DownloadResult DownloadFile(const DownloadJob& job, const ProxySettings& proxy, DownloadProgress& progress,
                            DWORD* status = nullptr, std::string* saveProblem = nullptr);

// The session every download of the program opens.
CInternetSession* NewInternetSession(const ProxySettings& proxy);
