#include "Registry.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "NumberFormat.h"
#include "Sync.h"

namespace {

std::mutex g_storeMutex;
std::string g_storePath;
bool g_storeResolved = false;
std::string g_storeProblem;

// A store is a few lines; anything larger is not one.
constexpr off_t kMaxStoreSize = 1024 * 1024;

std::string DefaultStorePath(std::string& problem) {
  std::string base;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (config && *config) {
    base = config;
  } else if (home && *home) {
    base = std::string(home) + "/.config";
  } else {
    // No folder of the user's own is known. A shared folder such as
    // /tmp/.config could belong to anyone and hold planted links: only the
    // private per-user folder the lock file uses is taken, or no store.
    std::string folder, reason;
    if (!PerUserPrivateFolder(folder, reason)) {
      problem = "the settings store is not kept: neither HOME nor XDG_CONFIG_HOME is set, and " + folder +
                " cannot hold it (" + reason + ")";
      return {};
    }
    return folder + "/registry.ini";
  }
  mkdir(base.c_str(), 0700);
  base += "/Nuvarine2";
  mkdir(base.c_str(), 0700);
  return base + "/registry.ini";
}

// Empty when no store can be kept (the problem says why).
std::string StorePath() {
  if (!g_storeResolved) {
    g_storeProblem.clear();
    if (g_storePath.empty()) g_storePath = DefaultStorePath(g_storeProblem);
    g_storeResolved = true;
  }
  return g_storePath;
}

void Configure(CSimpleIniA& ini) {
  ini.SetUnicode(false);
  ini.SetMultiKey(false);
  ini.SetMultiLine(false);
  ini.SetSpaces(false);
}

// Reads the store. A missing store reads as empty; false when a store is
// there but cannot be read (a link, not a file, an error): it is then never
// replaced, since the save would lose what it holds.
bool Load(CSimpleIniA& ini) {
  Configure(ini);
  const std::string path = StorePath();
  if (path.empty()) return false;
  // O_NONBLOCK: a named pipe in the store's place is refused, not waited on.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxStoreSize;
  std::string data;
  char buffer[4096];
  while (ok) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    data.append(buffer, static_cast<size_t>(n));
    ok = data.size() <= static_cast<size_t>(kMaxStoreSize);
  }
  ::close(fd);
  return ok && ini.LoadData(data) >= 0;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes a temporary file of a unique name (made exclusively, so no planted
// link is followed), checks every write, the flush and the close, and only
// then renames it over the store: a full disk or a crash never leaves half a
// store.
bool Save(CSimpleIniA& ini) {
  const std::string path = StorePath();
  if (path.empty()) return false;
  std::string data;
  if (ini.Save(data, false) < 0) return false;
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, data) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

std::string NormalizeKey(const char* keyPath) {
  std::string key = keyPath ? keyPath : "";
  for (char& c : key)
    if (c == '/') c = '\\';
  while (!key.empty() && key.back() == '\\') key.pop_back();
  while (!key.empty() && key.front() == '\\') key.erase(0, 1);
  return key;
}

}  // namespace

void SetRegistryStorePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_storeMutex);
  g_storePath = path;
  g_storeResolved = false;
}

std::string GetRegistryStorePath() {
  std::lock_guard<std::mutex> lock(g_storeMutex);
  return StorePath();
}

std::string GetRegistryStoreProblem() {
  std::lock_guard<std::mutex> lock(g_storeMutex);
  StorePath();
  return g_storeProblem;
}

LONG CRegKey::Create(HKEY, const char* keyPath) {
  std::lock_guard<std::mutex> lock(g_storeMutex);
  std::string key = NormalizeKey(keyPath);
  CSimpleIniA ini;
  if (!Load(ini)) return ERROR_WRITE_FAULT;
  if (!ini.GetSection(key.c_str())) {
    ini.SetValue(key.c_str(), nullptr, nullptr);
    if (!Save(ini)) return ERROR_WRITE_FAULT;
  }
  m_path = key;
  m_open = true;
  return ERROR_SUCCESS;
}

LONG CRegKey::Open(HKEY, const char* keyPath) {
  std::lock_guard<std::mutex> lock(g_storeMutex);
  std::string key = NormalizeKey(keyPath);
  CSimpleIniA ini;
  Load(ini);
  if (!ini.GetSection(key.c_str())) return ERROR_FILE_NOT_FOUND;
  m_path = key;
  m_open = true;
  return ERROR_SUCCESS;
}

LONG CRegKey::QueryStringValue(const char* name, std::string& value) const {
  if (!m_open) return ERROR_FILE_NOT_FOUND;
  std::lock_guard<std::mutex> lock(g_storeMutex);
  CSimpleIniA ini;
  Load(ini);
  const char* v = ini.GetValue(m_path.c_str(), name ? name : "", nullptr);
  if (!v) return ERROR_FILE_NOT_FOUND;
  value = v;
  return ERROR_SUCCESS;
}

LONG CRegKey::QueryStringValue(const char* name, char* buffer, unsigned long* chars) const {
  if (!chars) return ERROR_MORE_DATA;
  std::string value;
  LONG rc = QueryStringValue(name, value);
  if (rc != ERROR_SUCCESS) return rc;
  unsigned long capacity = *chars;
  *chars = static_cast<unsigned long>(value.size() + 1);
  if (!buffer || capacity == 0) return ERROR_MORE_DATA;
  size_t n = value.size() < capacity ? value.size() : capacity - 1;
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return n == value.size() ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

LONG CRegKey::SetStringValue(const char* name, const char* value) {
  if (!m_open) return ERROR_FILE_NOT_FOUND;
  std::lock_guard<std::mutex> lock(g_storeMutex);
  CSimpleIniA ini;
  if (!Load(ini)) return ERROR_WRITE_FAULT;
  // Line breaks would split the INI line; the store keeps texts on one line.
  std::string v = value ? value : "";
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';
  ini.SetValue(m_path.c_str(), name ? name : "", v.c_str());
  return Save(ini) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

LONG CRegKey::QueryDWORDValue(const char* name, DWORD& value) const {
  std::string text;
  LONG rc = QueryStringValue(name, text);
  if (rc != ERROR_SUCCESS) return rc;
  value = static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
  return ERROR_SUCCESS;
}

LONG CRegKey::SetDWORDValue(const char* name, DWORD value) {
  return SetStringValue(name, FormatC("%u", static_cast<unsigned>(value)).c_str());
}

LONG CRegKey::DeleteValue(const char* name) {
  if (!m_open) return ERROR_FILE_NOT_FOUND;
  std::lock_guard<std::mutex> lock(g_storeMutex);
  CSimpleIniA ini;
  if (!Load(ini)) return ERROR_WRITE_FAULT;
  if (!ini.Delete(m_path.c_str(), name ? name : "")) return ERROR_FILE_NOT_FOUND;
  return Save(ini) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}
