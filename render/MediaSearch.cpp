#include "MediaSearch.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <filesystem>

#include "InstallPath.h"

namespace {

constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);
constexpr size_t kMaxFileName = 260;

bool OpensForReading(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

void CopyBounded(const std::string& text, char* out, int outLength) {
  const size_t n = std::min(text.size(), static_cast<size_t>(outLength - 1));
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

}  // namespace

HRESULT GetSdkMediaPath(char* out, int outLength) {
  if (!out || outLength < 1) return E_INVALIDARG;
  out[0] = '\0';
  return E_FAIL;
}

HRESULT FindMediaFile(const char* name, std::string& out) {
  out.clear();
  if (!name) return E_INVALIDARG;
  // The full path of the designed name, with case-insensitive components.
  std::string full = ResolveInstallPath("", name);
  if (full.empty() || full[0] != '/') {
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string();
    if (ec) return E_FAIL;
    full = full == "." ? cwd : cwd + "/" + full;
  }
  std::string fileName = NormalizeSeparators(name);
  const size_t slash = fileName.rfind('/');
  if (slash != std::string::npos) fileName = fileName.substr(slash + 1);
  if (fileName.size() > kMaxFileName) fileName.resize(kMaxFileName);
  if (OpensForReading(full)) {
    out = full;
    return S_OK;
  }
  if (!fileName.empty()) {
    const std::string bare = ResolveInstallPath("", fileName);
    if (OpensForReading(bare)) {
      out = bare;
      return S_OK;
    }
  }
  // A third place would be the SDK's media folder; with none configured the
  // search ends here.
  char folder[kMaxFileName + 1];
  if (SUCCEEDED(GetSdkMediaPath(folder, static_cast<int>(sizeof(folder))))) {
    const std::string resolved = ResolveInstallPath("", std::string(folder) + fileName);
    if (OpensForReading(resolved)) {
      out = resolved;
      return S_OK;
    }
  }
  out = name;
  return kFileNotFound;
}

HRESULT FindMediaFile(const char* name, char* out, int outLength) {
  if (!name || !out || outLength < 1) return E_INVALIDARG;
  out[0] = '\0';
  std::string found;
  const HRESULT result = FindMediaFile(name, found);
  // A path found but too long for the buffer is a failure, never a cut path.
  if (SUCCEEDED(result) && found.size() >= static_cast<size_t>(outLength)) return E_FAIL;
  if (result == E_FAIL) return result;
  CopyBounded(found, out, outLength);
  return result;
}

HRESULT ReadRegistryString(const CRegKey& key, const char* valueName, char* out, int outLength,
                           const char* defaultText) {
  if (!out || outLength < 1) return E_INVALIDARG;
  unsigned long chars = static_cast<unsigned long>(outLength);
  if (key.IsOpen() && key.QueryStringValue(valueName, out, &chars) == ERROR_SUCCESS) {
    out[outLength - 1] = '\0';
    return S_OK;
  }
  CopyBounded(defaultText ? defaultText : "", out, outLength);
  return E_FAIL;
}

HRESULT WriteRegistryString(CRegKey& key, const char* valueName, const char* text) {
  if (!text) return E_INVALIDARG;
  return key.SetStringValue(valueName, text) == ERROR_SUCCESS ? S_OK : E_FAIL;
}

HRESULT CopyStringBounded(const char* source, char* out, int outLength) {
  if (!source || !out || outLength < 1) return E_INVALIDARG;
  std::strncpy(out, source, static_cast<size_t>(outLength));
  out[outLength - 1] = '\0';
  return S_OK;
}

namespace {

double MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Timer {
  double (*clock)() = MonotonicSeconds;
  double base = 0.0, last = 0.0, stopTime = 0.0;
  bool stopped = true;
};
Timer& TheTimer() {
  static Timer timer;
  return timer;
}

}  // namespace

void SetTimerClock(double (*seconds)()) { TheTimer().clock = seconds ? seconds : MonotonicSeconds; }

double ApplyTimerCommand(TimerCommand command) {
  Timer& t = TheTimer();
  const double clock = t.clock();
  const double now = (t.stopped && t.stopTime != 0.0 && command != TIMER_START && command != TIMER_ABSOLUTE_TIME)
                         ? t.stopTime
                         : clock;
  switch (command) {
    case TIMER_RESET:
      t.base = t.last = now;
      t.stopTime = 0.0;
      t.stopped = false;
      return 0.0;
    case TIMER_START:
      if (t.stopped) t.base += clock - t.stopTime;
      t.stopTime = 0.0;
      t.last = clock;
      t.stopped = false;
      return 0.0;
    case TIMER_STOP:
      if (!t.stopped) {
        t.stopTime = t.last = now;
        t.stopped = true;
      }
      return 0.0;
    case TIMER_ADVANCE:
      t.stopTime += 0.1;
      return 0.0;
    case TIMER_ABSOLUTE_TIME:
      return clock;
    case TIMER_APP_TIME:
      return now - t.base;
    case TIMER_ELAPSED_TIME: {
      const double elapsed = now - t.last;
      t.last = now;
      return elapsed;
    }
  }
  return -1.0;
}
