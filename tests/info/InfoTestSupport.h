#pragma once
// The observation of the information-text tests: Paris, 5 March 2004 at
// 21:30:00, zone +1, with the planet library, every catalogue zone, the
// element files and Voyager 1's trajectory of the generated install folder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "Catalogues.h"
#include "InfoTexts.h"
#include "ProcessObjects.h"
#include "Resource.h"
#include "SkyModel.h"
#include "SolarSystemTypes.h"
#include "Trajectory.h"

namespace infotest {

inline CSkyModel& Model() {
  static CSkyModel* model = new CSkyModel;
  return *model;
}

inline void SetParis(CSkyModel& m) {
  const double lat = (48.0 + 51.0 / 60.0 + 24.0 / 3600.0) * kDegToRad;
  const double eastLon = (2.0 + 21.0 / 60.0 + 3.0 / 3600.0) * kDegToRad;
  m.m_observerLatitude = lat;
  m.m_observerLongitude = -eastLon;
  m.m_sinLatitude = std::sin(lat);
  m.m_cosLatitude = std::cos(lat);
  m.m_observerElevation = 0.0;
  const double u = std::atan(0.99664719 * std::tan(lat));
  m.m_rhoSinPhi = 0.99664719 * std::sin(u);
  m.m_rhoCosPhi = std::cos(u);
  m.m_pressure = 1013.25;
  m.m_temperature = 10.0;
  m.UpdateRefractionFactor();
  m.m_year = 2004;
  m.m_month = 3;
  m.m_day = 5;
  m.m_hour = 21;
  m.m_minute = 30;
  m.m_second = 0;
  m.m_utcOffset = 1.0;
  m.UpdateTimeContext();
}

// Loads everything once for the whole test program.
class ObservationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RegisterInfoResources();
    CSkyModel& m = Model();
    m.m_installFolder = NUVARINE_INSTALL_DIR;
    ASSERT_TRUE(m.LoadPlanetLibrary());
    InitBodyConstants();
    InitTileCentres();
    g_brightStars = new BrightStar[kBrightStarCapacity];
    g_deepSkyObjects = new DeepSkyObject[kDeepSkyCapacity];
    for (int z = 1; z <= kZoneCount; ++z) {
      ASSERT_TRUE(LoadBrightStarZone(m.m_installFolder, z));
      ASSERT_TRUE(LoadDeepSkyZone(m.m_installFolder, z));
    }
    g_cometCount = 0;
    m.LoadComets(m.m_installFolder);
    g_asteroidCount = 0;
    m.LoadAsteroids(m.m_installFolder);
    ASSERT_GT(g_cometCount, 0);
    ASSERT_GT(g_asteroidCount, 0);
    ASSERT_TRUE(LoadTrajectory(m.m_installFolder, "\\donnees\\voyager1.xyz"));
    m.m_trajectoryBody = kBodyVoyager1;
    // The comet and the asteroid of the texts are among the displayed ones,
    // whose places the update computes.
    g_displayedCometCount = 0;
    for (int i = 0; i < g_cometCount && g_displayedCometCount < kMaxDisplayedObjects - 1; ++i)
      if (std::strncmp(g_comets[i].name, "1P/", 3) == 0 || std::strncmp(g_comets[i].name, "2P/", 3) == 0)
        g_displayedCometIndices[g_displayedCometCount++] = i;
    g_displayedAsteroidCount = 0;
    for (int i = 0; i < g_asteroidCount && g_displayedAsteroidCount < 10; ++i)
      g_displayedAsteroidIndices[g_displayedAsteroidCount++] = i;
    SetParis(m);
    m.m_planetariumMode = true;
    m.m_frameCounter = 0;
    m.UpdateSkyPositions();
  }
};

inline InfoNameTables Names() {
  InfoNameTables n;
  n.bodyNames = g_bodyNames;
  n.bodyNameCount = kBodyNameCount;
  n.monthNames = g_monthNames;
  n.greekLetters = g_greekLetterNames;
  return n;
}

inline int BrightStarByNumber(int bsc) {
  for (int i = 0; i < g_brightStarCount; ++i)
    if (g_brightStars[i].bscNumber == bsc) return i;
  return -1;
}

inline int DeepSkyByName(const char* name) {
  for (int i = 0; i < g_deepSkyCount; ++i)
    if (std::strcmp(g_deepSkyObjects[i].name, name) == 0) return i;
  return -1;
}

inline bool Contains(const std::string& text, const std::string& piece) {
  return text.find(piece) != std::string::npos;
}

}  // namespace infotest
