#include "Sync.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

std::string LockFileName(const char* name) {
  std::string base = name && *name ? name : "unnamed";
  for (char& c : base)
    if (c == '/' || c == '\\') c = '_';
  return base + ".lock";
}

std::string PerUserFolder() {
  const char* temp = std::getenv("TMPDIR");
  std::string folder = temp && *temp ? temp : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder + "/nuvarine-" + std::to_string(static_cast<unsigned long>(getuid()));
}

// The per-user folder, made if absent; empty with a reason when it is not a
// private folder of this user (another account's folder, a link, open to others).
std::string PrivateFolder(const std::string& folder, std::string& reason) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    reason = std::strerror(errno);
    return {};
  }
  struct stat st {};
  if (lstat(folder.c_str(), &st) != 0) {
    reason = std::strerror(errno);
    return {};
  }
  if (!S_ISDIR(st.st_mode)) {
    reason = "not a folder";
    return {};
  }
  if (st.st_uid != getuid()) {
    reason = "belongs to another account";
    return {};
  }
  if ((st.st_mode & 022) != 0) {
    reason = "others can write in it";
    return {};
  }
  return folder;
}

}  // namespace

bool PerUserPrivateFolder(std::string& folder, std::string& reason) {
  folder = PerUserFolder();
  return !PrivateFolder(folder, reason).empty();
}

std::string CMutex::LockFilePath(const char* name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/" + LockFileName(name);
  return PerUserFolder() + "/" + LockFileName(name);
}

CMutex::CMutex(BOOL initiallyOwn, const char* name, void*) : m_name(name ? name : "") {}

CMutex::~CMutex() {
  if (m_fd >= 0) close(m_fd);  // closing releases the lock
}

void CMutex::Open() {
  if (m_opened) return;
  m_opened = true;
  std::vector<std::string> folders;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) folders.emplace_back(runtime);
  folders.push_back(PerUserFolder());
  for (size_t i = 0; i < folders.size(); ++i) {
    std::string folder = folders[i];
    std::string reason;
    if (i > 0 || !runtime || !*runtime) folder = PrivateFolder(folder, reason);
    if (!folder.empty()) {
      std::string path = folder + "/" + LockFileName(m_name.c_str());
      m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
      if (m_fd >= 0) {
        m_path = path;
        return;
      }
      reason = std::strerror(errno);
    }
    m_problems += "cannot make a lock file in " + folders[i] + ": " + reason + "\n";
  }
}

bool CMutex::TryLock() {
  if (m_owned) return true;
  Open();
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
