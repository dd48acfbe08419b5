#include "Registry.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "NumberFormat.h"

namespace {

std::mutex g_storeMutex;
std::string g_storePath;

std::string DefaultStorePath() {
  std::string base;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config) {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.config";
  }
  mkdir(base.c_str(), 0700);
  base += "/Nuvarine2";
  mkdir(base.c_str(), 0700);
  return base + "/registry.ini";
}

std::string StorePath() {
  if (g_storePath.empty()) g_storePath = DefaultStorePath();
  return g_storePath;
}

void Configure(CSimpleIniA& ini) {
  ini.SetUnicode(false);
  ini.SetMultiKey(false);
  ini.SetMultiLine(false);
  ini.SetSpaces(false);
}

bool Load(CSimpleIniA& ini) {
  Configure(ini);
  SI_Error rc = ini.LoadFile(StorePath().c_str());
  return rc >= 0 || rc == SI_FILE;
}

// Writes to a temporary file, then renames, so a crash never leaves half a store.
bool Save(CSimpleIniA& ini) {
  std::string path = StorePath();
  std::string temp = path + ".tmp";
  if (ini.SaveFile(temp.c_str(), false) < 0) return false;
  return std::rename(temp.c_str(), path.c_str()) == 0;
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
}

std::string GetRegistryStorePath() {
  std::lock_guard<std::mutex> lock(g_storeMutex);
  return StorePath();
}

LONG CRegKey::Create(HKEY, const char* keyPath) {
  std::lock_guard<std::mutex> lock(g_storeMutex);
  std::string key = NormalizeKey(keyPath);
  CSimpleIniA ini;
  Load(ini);
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
  Load(ini);
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
  Load(ini);
  if (!ini.Delete(m_path.c_str(), name ? name : "")) return ERROR_FILE_NOT_FOUND;
  return Save(ini) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}
