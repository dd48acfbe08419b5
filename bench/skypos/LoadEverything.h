#pragma once
// Loads every catalogue layer of the install folder into a sky model for the
// benchmarks of the per-instant and per-frame updates.
#include <cmath>

#include "Catalogues.h"
#include "ConstellationTables.h"
#include "SkyModel.h"

namespace benchsky {

inline bool g_ready = false;

inline bool LoadEverything(CSkyModel& m) {
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

}  // namespace benchsky
