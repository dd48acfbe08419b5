#pragma once
// A named, process-wide mutex in the shape the application uses for its
// single-instance rule. On Linux it is an advisory lock on a file in the
// user's runtime folder: the system releases it when the owning process ends,
// as it releases a named mutex. The lock file is made at the first Lock, so a
// process that never asks for the mutex (a test program) leaves no file.
#include <string>

#include "WinTypes.h"

constexpr DWORD INFINITE = 0xFFFFFFFFu;

// The per-user folder "nuvarine-<uid>" in $TMPDIR (else /tmp) in `folder`,
// made if absent. False, with the reason, when it is not a real folder of
// this user that nobody else can write (another account's folder, a link,
// open to others). Used where no folder of the user's own is known.
bool PerUserPrivateFolder(std::string& folder, std::string& reason);

class CMutex {
 public:
  // initiallyOwn is kept for the callers' shape: ownership is taken by the
  // first Lock, which a second process does not get.
  CMutex(BOOL initiallyOwn = FALSE, const char* name = nullptr, void* securityAttributes = nullptr);
  ~CMutex();
  CMutex(const CMutex&) = delete;
  CMutex& operator=(const CMutex&) = delete;

  // TRUE when this object owns the lock, trying until `timeoutMs` has passed
  // (0: one try).
  BOOL Lock(DWORD timeoutMs = INFINITE);
  BOOL Unlock();

  // Why a Lock failed: another process holds the lock, or no lock file could
  // be made anywhere (then nobody can hold it, and the caller decides).
  bool IsHeldElsewhere() const { return m_fd >= 0 && !m_owned; }
  bool IsUnavailable() const { return m_opened && m_fd < 0; }
  // The lock file in use (empty when none could be made).
  const std::string& GetLockPath() const { return m_path; }
  // One line per folder that was tried and could not hold the lock file,
  // with the reason; empty when the first choice worked.
  const std::string& GetProblems() const { return m_problems; }

  // The folders tried for the lock file, in order: $XDG_RUNTIME_DIR, then a
  // per-user folder "nuvarine-<uid>" in $TMPDIR (else /tmp), which is used
  // only when it is a real folder of this user that nobody else can write.
  static std::string LockFilePath(const char* name);

 private:
  void Open();
  bool TryLock();
  std::string m_name;
  std::string m_path;
  std::string m_problems;
  int m_fd = -1;
  bool m_opened = false;
  bool m_owned = false;
};
