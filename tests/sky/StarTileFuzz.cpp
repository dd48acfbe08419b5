// libFuzzer target: arbitrary bytes as a star tile file (Sky2000, Tycho-2
// part 1 or part 2, chosen by the first byte), then placed on the sky as the
// drawing does. Built in a fuzz build only.
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "Catalogues.h"
#include "FuzzScratch.h"

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
    const std::string f = FuzzScratchFolder() + "/stars";
    for (const char* sub : {"", "/sky2000", "/tycho2-1", "/tycho2-2"}) ::mkdir((f + sub).c_str(), 0755);
    g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
    g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
    g_tycho2Part2Stars = new Tycho2Star[kTycho2StarLimit + 1];
    InitTileCentres();
    return f;
  }();
  const int kind = data[0] % 3;
  const char* path = kind == 0 ? "/sky2000/007.dat" : kind == 1 ? "/tycho2-1/007.dat" : "/tycho2-2/007.dat";
  if (!WriteFile(folder + path, data + 1, size - 1)) return 0;
  g_sky2000StarCount = g_tycho2StarCount = g_tycho2Part2StarCount = 0;
  const CString install(folder.c_str());
  const bool ok = kind == 0 ? LoadSky2000Tile(install, 7) : kind == 1 ? LoadTycho2Part1Tile(install, 7)
                                                                      : LoadTycho2Part2Tile(install, 7);
  const int count = kind == 0 ? g_sky2000StarCount : kind == 1 ? g_tycho2StarCount : g_tycho2Part2StarCount;
  if (!ok && count != 0) __builtin_trap();
  if (count < 0 || count > (kind == 0 ? kSky2000StarLimit : kTycho2StarLimit)) __builtin_trap();
  // The tile finders run on every star's place.
  for (int i = 0; i < count && i < 64; ++i) {
    const double ra = kind == 0 ? g_sky2000Stars[i].rightAscension
                                : (kind == 1 ? g_tycho2Stars : g_tycho2Part2Stars)[i].rightAscension;
    const double dec = kind == 0 ? g_sky2000Stars[i].declination
                                 : (kind == 1 ? g_tycho2Stars : g_tycho2Part2Stars)[i].declination;
    const int a = FindSky2000Tile(ra, dec), b = FindTycho2Tile(ra, dec);
    if (a < 0 || a > kSky2000TileCount || b < 0 || b > kTycho2TileCount) __builtin_trap();
  }
  return 0;
}
