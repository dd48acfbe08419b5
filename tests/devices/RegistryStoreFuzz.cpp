// Fuzz target: arbitrary bytes as the per-user store (registry.ini), read
// and written through the store's keys, up to the telescope driver choice
// its ProgID leads to. No driver is ever made and nothing reaches the
// network: the only class provider is the target's own, which records the
// ProgID it is asked about.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "Automation.h"
#include "FuzzScratch.h"
#include "IndiDriver.h"
#include "Registry.h"
#include "TelescopeClient.h"

namespace {

class RecordingProvider : public IDriverClassProvider {
 public:
  bool HasClass(const std::string& progId) override {
    asked = progId;
    // The stored text goes to the INDI reader as it would in the program.
    IndiDriverId id;
    if (ParseIndiProgId(progId, id)) {
      // A ProgID made again reads back the same, unless naming the server
      // (written out in full) takes it past the store's 255 characters;
      // INDI's own names are far shorter.
      const std::string made = MakeIndiProgId(id);
      IndiDriverId again;
      if (made.size() <= 255 && (!ParseIndiProgId(made, again) || again.driver != id.driver ||
                                 again.device != id.device || again.host != id.host || again.port != id.port))
        __builtin_trap();
    }
    return false;
  }
  HRESULT CreateInstance(const std::string&, IDispatch**) override { __builtin_trap(); }
  std::string asked;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzScratchFolder() + "/registry.ini";
  static const std::shared_ptr<RecordingProvider> provider = [] {
    auto p = std::make_shared<RecordingProvider>();
    RegisterDriverClassProvider(p);
    SetRegistryStorePath(path);
    SetTelescopeClientHooks({[](const char*) {}, [](const char*) {}});
    return p;
  }();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  // The driver choice: whatever is stored, at most 255 bytes go on.
  provider->asked.clear();
  (void)GetRegistryStoreProblem();
  ConnectTelescope();
  if (provider->asked.size() > 255) __builtin_trap();

  CRegKey key;
  for (const char* name : {"Software\\Nuvarine2", kTelescopeDriverKey, "", "\\\\", "Software/Nuvarine2/"}) {
    if (key.Open(HKEY_CURRENT_USER, name) != ERROR_SUCCESS) continue;
    std::string text;
    DWORD number = 0;
    char small[8];
    unsigned long chars = sizeof small;
    for (const char* value : {"ChargementNuages", "ActualisationPO", kTelescopeDriverValue, "", "x"}) {
      (void)key.QueryStringValue(value, text);
      (void)key.QueryDWORDValue(value, number);
      chars = sizeof small;
      if (key.QueryStringValue(value, small, &chars) == ERROR_MORE_DATA && small[sizeof small - 1] != '\0')
        __builtin_trap();
    }
  }
  // A value written over whatever the store held reads back as written (line
  // breaks become blanks), or the write says it failed.
  if (key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2") == ERROR_SUCCESS) {
    const std::string written(reinterpret_cast<const char*>(data), size < 40 ? size : 40);
    std::string expected;
    for (char c : written) {
      if (c == '\0') break;
      expected += c == '\r' || c == '\n' ? ' ' : c;
    }
    if (key.SetStringValue("ChargementNuages", expected.c_str()) == ERROR_SUCCESS) {
      std::string back;
      if (key.QueryStringValue("ChargementNuages", back) != ERROR_SUCCESS) __builtin_trap();
      // The INI form trims blanks around a value.
      const size_t first = expected.find_first_not_of(" \t"), last = expected.find_last_not_of(" \t");
      const std::string trimmed = first == std::string::npos ? "" : expected.substr(first, last - first + 1);
      if (back != trimmed && back != expected) __builtin_trap();
    }
  }
  return 0;
}
