#pragma once
// A named, process-wide mutex in the shape the application uses for its
// single-instance rule. On Linux it is an advisory lock on a file in the
// user's runtime folder: the system releases it when the owning process ends,
// as it releases a named mutex.
#include <string>

#include "WinTypes.h"

constexpr DWORD INFINITE = 0xFFFFFFFFu;

class CMutex {
 public:
  // initiallyOwn: try to take the lock at once (a second process does not get it).
  CMutex(BOOL initiallyOwn = FALSE, const char* name = nullptr, void* securityAttributes = nullptr);
  ~CMutex();
  CMutex(const CMutex&) = delete;
  CMutex& operator=(const CMutex&) = delete;

  // TRUE when this object owns the lock, trying until `timeoutMs` has passed
  // (0: one try).
  BOOL Lock(DWORD timeoutMs = INFINITE);
  BOOL Unlock();

  // Where the lock file of a named mutex lives ($XDG_RUNTIME_DIR, else a
  // per-user folder under /tmp).
  static std::string LockFilePath(const char* name);

 private:
  bool TryLock();
  int m_fd = -1;
  bool m_owned = false;
};
