// Start-up cost of the catalogues: all bright-star and deep-sky zones, and a
// field's worth of Sky2000 and Tycho-2 tiles.
#include <benchmark/benchmark.h>

#include "Catalogues.h"
#include "SkyMath.h"

namespace {

const CString kInstall(NUVARINE_INSTALL_DIR);

void BM_LoadAllZones(benchmark::State& state) {
  g_brightStars = new BrightStar[kBrightStarCapacity];
  g_deepSkyObjects = new DeepSkyObject[kDeepSkyCapacity];
  for (auto _ : state) {
    g_brightStarCount = g_deepSkyCount = 0;
    for (int z = 1; z <= kZoneCount; ++z) {
      if (!LoadBrightStarZone(kInstall, z) || !LoadDeepSkyZone(kInstall, z)) {
        state.SkipWithError("install folder not generated");
        break;
      }
    }
  }
  state.counters["brightStars"] = g_brightStarCount;
  state.counters["deepSkyObjects"] = g_deepSkyCount;
  delete[] g_brightStars;
  delete[] g_deepSkyObjects;
  g_brightStars = nullptr;
  g_deepSkyObjects = nullptr;
}
BENCHMARK(BM_LoadAllZones)->Unit(benchmark::kMillisecond);

// 30 consecutive tiles of the band through Sagittarius, in the Milky Way.
void BM_Load30Sky2000Tiles(benchmark::State& state) {
  InitTileCentres();
  g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
  const int centre = FindSky2000Tile(18.0 * kPi / 12, -25.0 * kDegToRad);
  for (auto _ : state) {
    g_sky2000StarCount = 0;
    for (int i = 0; i < 30; ++i) {
      if (!LoadSky2000Tile(kInstall, (centre - 15 + i + kSky2000TileCount) % kSky2000TileCount + 1)) {
        state.SkipWithError("install folder not generated");
        break;
      }
    }
  }
  state.counters["sky2000Stars"] = g_sky2000StarCount;
  delete[] g_sky2000Stars;
  g_sky2000Stars = nullptr;
}
BENCHMARK(BM_Load30Sky2000Tiles)->Unit(benchmark::kMillisecond);

void BM_Load30Tycho2Tiles(benchmark::State& state) {
  InitTileCentres();
  g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
  g_tycho2Part2Stars = new Tycho2Star[kTycho2StarLimit + 1];
  const int centre = FindTycho2Tile(18.0 * kPi / 12, -25.0 * kDegToRad);
  for (auto _ : state) {
    g_tycho2StarCount = g_tycho2Part2StarCount = 0;
    for (int i = 0; i < 30; ++i) {
      int tile = (centre - 15 + i + kTycho2TileCount) % kTycho2TileCount + 1;
      if (!LoadTycho2Part1Tile(kInstall, tile) || !LoadTycho2Part2Tile(kInstall, tile)) {
        state.SkipWithError("install folder not generated");
        break;
      }
    }
  }
  state.counters["tycho2Part1Stars"] = g_tycho2StarCount;
  state.counters["tycho2Part2Stars"] = g_tycho2Part2StarCount;
  delete[] g_tycho2Stars;
  delete[] g_tycho2Part2Stars;
  g_tycho2Stars = g_tycho2Part2Stars = nullptr;
}
BENCHMARK(BM_Load30Tycho2Tiles)->Unit(benchmark::kMillisecond);

}  // namespace
