// libFuzzer target: arbitrary bytes as a bright-star or deep-sky zone file
// (chosen by the first byte), then the information text's angle formatting
// of every deep-sky record kept.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "Catalogues.h"
#include "FuzzScratch.h"
#include "SkyModel.h"

namespace {
bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(data, 1, size, f);
  return std::fclose(f) == 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const std::string folder = [] {
    const std::string f = FuzzScratchFolder() + "/zones";
    for (const char* sub : {"", "/bsc5", "/sac"}) ::mkdir((f + sub).c_str(), 0755);
    g_brightStars = new BrightStar[kBrightStarCapacity];
    g_deepSkyObjects = new DeepSkyObject[kDeepSkyCapacity];
    return f;
  }();
  static CSkyModel sky;
  const bool deepSky = data[0] & 1;
  if (!WriteFile(folder + (deepSky ? "/sac/05.dat" : "/bsc5/05.dat"), data + 1, size - 1)) return 0;
  g_brightStarCount = g_deepSkyCount = 0;
  std::memset(g_brightStarZones, 0, sizeof g_brightStarZones);
  std::memset(g_deepSkyZones, 0, sizeof g_deepSkyZones);
  const CString install(folder.c_str());
  if (deepSky) {
    // A zone is taken whole or refused whole: a refused one adds nothing.
    if (!LoadDeepSkyZone(install, 5)) {
      if (g_deepSkyCount != 0) __builtin_trap();
      return 0;
    }
    if (g_deepSkyCount < 0 || g_deepSkyCount > kDeepSkyCapacity || g_deepSkyZones[5].endIndex != g_deepSkyCount)
      __builtin_trap();
    for (int i = 0; i < g_deepSkyCount; ++i) {
      const DeepSkyObject& o = g_deepSkyObjects[i];
      CString text;
      sky.FormatAngle(text, true, false, o.rightAscension * 57.29577951308232);
      sky.FormatAngle(text, false, false, o.declination * 57.29577951308232);
      sky.FormatAngle(text, false, true, o.largeSize * 57.29577951308232);
      sky.FormatAngle(text, false, true, o.smallSize * 57.29577951308232);
      if (std::strlen(o.name) > 17 || std::strlen(o.description) > 50) __builtin_trap();
    }
  } else {
    if (!LoadBrightStarZone(install, 5)) {
      if (g_brightStarCount != 0) __builtin_trap();
      return 0;
    }
    if (g_brightStarCount < 0 || g_brightStarCount > kBrightStarCapacity) __builtin_trap();
    for (int i = 0; i < g_brightStarCount; ++i) {
      CString text;
      sky.FormatAngle(text, true, false, g_brightStars[i].rightAscension * 57.29577951308232);
      sky.FormatAngle(text, false, false, g_brightStars[i].declination * 57.29577951308232);
    }
  }
  return 0;
}
