// Cost of the per-instant update in planetarium mode with every catalogue
// layer loaded: all bright stars and deep-sky objects, 30 Sky2000 and 2 x 30
// Tycho-2 tiles, constellation labels, borders and figures, and the grids.
#include <benchmark/benchmark.h>

#include <cmath>

#include "Catalogues.h"
#include "ConstellationTables.h"
#include "SkyModel.h"

namespace {

bool g_ready = false;

bool LoadEverything(CSkyModel& m) {
  const CString folder = NUVARINE_INSTALL_DIR;
  m.m_installFolder = folder;
  if (!m.LoadPlanetLibrary()) return false;
  InitBodyConstants();
  if (!g_ready) {
    g_brightStars = new BrightStar[kBrightStarCapacity];
    g_deepSkyObjects = new DeepSkyObject[kDeepSkyCapacity];
    g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
    g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
    g_tycho2Part2Stars = new Tycho2Star[kTycho2StarLimit + 1];
    for (int z = 1; z <= kZoneCount; ++z) {
      if (!LoadBrightStarZone(folder, z) || !LoadDeepSkyZone(folder, z)) return false;
    }
    for (int t = 1; t <= 30; ++t) {
      if (!LoadSky2000Tile(folder, t) || !LoadTycho2Part1Tile(folder, t) || !LoadTycho2Part2Tile(folder, t))
        return false;
    }
    InitTileCentres();
    // Constellation places in radians, as start-up leaves them.
    for (ConstellationEntry& c : g_constellations) {
      c.rightAscension = c.rightAscension * 15.0 * kDegToRad;
      c.declination *= kDegToRad;
    }
    g_ready = true;
  }
  m.m_observerLatitude = 48.85 * kDegToRad;
  m.m_observerLongitude = -2.35 * kDegToRad;
  m.m_sinLatitude = std::sin(m.m_observerLatitude);
  m.m_cosLatitude = std::cos(m.m_observerLatitude);
  m.m_year = 2026;
  m.m_month = 3;
  m.m_day = 20;
  m.m_hour = 22;
  m.UpdateTimeContext();
  for (int k = 0; k < kEquatorPointCount; ++k) {
    m.m_equatorPoints[k] = SkyPoint{0, 0, k * kDegToRad, 0.0};
    double ra, dec;
    m.EclipticToEquatorial(ra, k * kDegToRad, 0.0, dec);
    m.m_eclipticPoints[k] = SkyPoint{0, 0, ra, dec};
  }
  for (int i = 0; i < kGridColumnCount; ++i) {
    for (int j = 0; j < kGridRowCount; ++j) {
      m.m_equatorialGridPoints[i][j] = SkyPoint{0, 0, std::fmod(i * 7.5 * kDegToRad, kTwoPi), j * 7.5 * kDegToRad - kPi / 2};
    }
  }
  m.m_planetariumMode = true;
  m.m_sky2000Loaded = m.m_tycho2Loaded = true;
  m.m_brightStarLayerActive = true;
  m.m_showStarNames = true;
  m.m_limitingMagnitude = 7.0;
  m.m_showDeepSkyObjects = true;
  m.m_deepSkyMagnitudeLimit = 30.0;
  m.m_showConstellationNames = m.m_showConstellationBorders = m.m_showConstellationFigures = true;
  m.m_showEquator = m.m_showEcliptic = m.m_showEquatorialGrid = true;
  m.m_frameCounter = 100;
  return true;
}

void BM_UpdateSkyPositions(benchmark::State& state) {
  CSkyModel m;
  if (!LoadEverything(m)) {
    state.SkipWithError("install folder or planet library not found");
    return;
  }
  for (auto _ : state) {
    m.UpdateSkyPositions();
    m.m_minute += 1.0;
    if (m.m_minute >= 60.0) m.m_minute = 0.0;
    benchmark::DoNotOptimize(g_deepSkyObjects[0].altitude);
  }
  state.counters["stars"] = g_brightStarCount;
  state.counters["deepSky"] = g_deepSkyCount;
}
BENCHMARK(BM_UpdateSkyPositions)->Unit(benchmark::kMillisecond);

void BM_SunRiseTransitSet(benchmark::State& state) {
  CSkyModel m;
  if (!LoadEverything(m)) {
    state.SkipWithError("install folder or planet library not found");
    return;
  }
  double rise, transit, set;
  for (auto _ : state) benchmark::DoNotOptimize(m.RiseTransitSet(rise, transit, set, false, true, 0.0, 0.0));
}
BENCHMARK(BM_SunRiseTransitSet)->Unit(benchmark::kMillisecond);

}  // namespace
