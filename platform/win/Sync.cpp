#include "Sync.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

std::string CMutex::LockFilePath(const char* name) {
  std::string folder;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) {
    folder = runtime;
  } else {
    folder = "/tmp/nuvarine-" + std::to_string(static_cast<unsigned long>(getuid()));
    mkdir(folder.c_str(), 0700);
  }
  std::string base = name && *name ? name : "unnamed";
  for (char& c : base)
    if (c == '/' || c == '\\') c = '_';
  return folder + "/" + base + ".lock";
}

CMutex::CMutex(BOOL initiallyOwn, const char* name, void*) {
  std::string path = LockFilePath(name);
  m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (initiallyOwn) TryLock();
}

CMutex::~CMutex() {
  if (m_fd >= 0) close(m_fd);  // closing releases the lock
}

bool CMutex::TryLock() {
  if (m_owned) return true;
  if (m_fd < 0) return false;
  if (flock(m_fd, LOCK_EX | LOCK_NB) == 0) m_owned = true;
  return m_owned;
}

BOOL CMutex::Lock(DWORD timeoutMs) {
  if (TryLock()) return TRUE;
  if (timeoutMs == 0 || m_fd < 0) return FALSE;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (timeoutMs == INFINITE || std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (TryLock()) return TRUE;
  }
  return FALSE;
}

BOOL CMutex::Unlock() {
  if (!m_owned) return FALSE;
  flock(m_fd, LOCK_UN);
  m_owned = false;
  return TRUE;
}
