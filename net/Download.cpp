#include "Download.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

CInternetSession* NewInternetSession(const ProxySettings& proxy) {
  return new CInternetSession("HTTPConnect", 1,
                              proxy.useProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                              proxy.proxyName.c_str(), nullptr, 0);
}

namespace {

// An exclusive temporary file beside the target, so the final rename never
// crosses file systems.
int CreateTemporary(const std::string& target, std::string& path) {
  path = target + ".part-XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0) path.clear();
  return fd;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

DownloadResult DownloadFile(const DownloadJob& job, const ProxySettings& proxy, DownloadProgress& progress,
                            DWORD* status, std::string* saveProblem) {
  if (status) *status = 0;
  if (saveProblem) saveProblem->clear();
  auto why = [&] {
    if (saveProblem && saveProblem->empty()) *saveProblem = std::strerror(errno ? errno : EIO);
  };
  DWORD service = 0;
  CString server, object;
  INTERNET_PORT port = 0;
  if (!AfxParseURL(job.url.c_str(), service, server, object, port)) return DownloadResult::BadUrl;

  std::string temporary;
  const int fd = CreateTemporary(job.target, temporary);
  if (fd < 0) {
    why();
    return DownloadResult::CannotCreate;
  }

  std::unique_ptr<CInternetSession> session(NewInternetSession(proxy));
  session->SetLimits(job.limits);
  session->SetAbortFlags(job.abort, &progress.stopRequested);
  std::unique_ptr<CHttpConnection> connection(session->GetHttpConnection(server.c_str(), port));
  std::unique_ptr<CHttpFile> request(
      connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, object.c_str(), nullptr, 1, nullptr, nullptr, job.flags));
  if (!job.requestLabel.empty()) progress.SetLabel(job.requestLabel);

  DownloadResult result = DownloadResult::Complete;
  bool writeFailed = false;
  if (!request->SendRequest()) {
    result = session->Aborted() ? DownloadResult::Stopped : DownloadResult::NoReply;
  } else {
    DWORD code = 0;
    request->QueryInfoStatusCode(code);
    if (status) *status = code;
    if (!job.downloadLabel.empty()) progress.SetLabel(job.downloadLabel);
    if (code != HTTP_STATUS_OK) {
      result = DownloadResult::HttpError;
    } else {
      char block[1023];
      UINT n = 0;
      int64_t fileBytes = 0;
      while (!progress.stopRequested.load() && (n = request->Read(block, sizeof block)) > 0) {
        if (!WriteAll(fd, block, n)) {
          why();
          writeFailed = true;
          break;
        }
        progress.bytes.fetch_add(n);
        fileBytes += n;
        if (job.onBlock) job.onBlock(fileBytes);
      }
      if (session->Aborted())
        result = DownloadResult::Stopped;
      else if (writeFailed)
        result = DownloadResult::CannotSave;
      else if (!request->IsComplete())
        result = DownloadResult::Incomplete;
    }
  }
  request->Close();
  connection->Close();
  session->Close();

  const bool closed = ::close(fd) == 0;
  if (result == DownloadResult::Complete && !closed) {
    why();
    result = DownloadResult::CannotSave;
  }
  if (result == DownloadResult::Complete && job.accept && !job.accept(temporary)) result = DownloadResult::Rejected;
  if (result == DownloadResult::Complete) {
    ::chmod(temporary.c_str(), 0644);
    if (std::rename(temporary.c_str(), job.target.c_str()) != 0) {
      why();
      result = DownloadResult::CannotSave;
    }
  }
  if (result != DownloadResult::Complete) ::unlink(temporary.c_str());
  return result;
}
