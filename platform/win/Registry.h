#pragma once
// The per-user registry store: keys and string or number values kept in an
// INI file under the user's configuration folder
// ($XDG_CONFIG_HOME/Nuvarine2/registry.ini, else $HOME/.config/...; with
// neither set, registry.ini in the private per-user folder of Sync.h, or no
// store), one section per key path. A store that is there but cannot be read
// is never replaced: changes then fail with ERROR_WRITE_FAULT.
// Key paths and value names match without regard to case, as in the registry.
#include <string>

#include "WinTypes.h"

enum class HKEY { CurrentUser };
constexpr HKEY HKEY_CURRENT_USER = HKEY::CurrentUser;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_WRITE_FAULT = 29;

class CRegKey {
 public:
  CRegKey() = default;
  // Opens the key, creating it when missing.
  LONG Create(HKEY parent, const char* keyPath);
  // Opens an existing key only.
  LONG Open(HKEY parent, const char* keyPath);
  void Close() { m_path.clear(); m_open = false; }
  bool IsOpen() const { return m_open; }

  // Copies at most *chars - 1 bytes and a terminator; *chars receives the
  // stored length + 1. ERROR_MORE_DATA when the buffer is too small (the
  // truncated, terminated text is still there).
  LONG QueryStringValue(const char* name, char* buffer, unsigned long* chars) const;
  LONG QueryStringValue(const char* name, std::string& value) const;
  LONG SetStringValue(const char* name, const char* value);
  LONG QueryDWORDValue(const char* name, DWORD& value) const;
  LONG SetDWORDValue(const char* name, DWORD value);
  LONG DeleteValue(const char* name);

 private:
  std::string m_path;
  bool m_open = false;
};

// The store file in use; tests point it elsewhere (empty: the default place).
void SetRegistryStorePath(const std::string& path);
std::string GetRegistryStorePath();
// Why no store can be kept (empty when one can).
std::string GetRegistryStoreProblem();
