// libFuzzer target: arbitrary bytes as a settings file and as a version-1
// configuration file. Built in a fuzz build only.
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzScratch.h"
#include "ViewSettings.h"

namespace {
class FuzzView : public CViewSettings {
 public:
  int LoadedCometCount() const override { return 2; }
  const char* LoadedCometName(int i) const override { return i == 0 ? "1P/Halley" : "2P/Encke"; }
  int LoadedAsteroidCount() const override { return 1; }
  const char* LoadedAsteroidName(int) const override { return "Ceres"; }
};

std::string Scratch(const char* name) { return FuzzScratchFolder() + "/settings" + name; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string ini = Scratch(".ini"), cfg = Scratch(".cfg"), out = Scratch("-out.ini");
  for (const std::string* path : {&ini, &cfg}) {
    FILE* f = std::fopen(path->c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  FuzzView view;
  view.LoadSettings(ini.c_str());
  view.ImportConfigurationV1(cfg.c_str());
  view.SaveSettings(out.c_str());
  return 0;
}
