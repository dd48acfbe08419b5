// The per-instant update: which records it places, which it parks, which it
// leaves alone, and in which display mode.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "Catalogues.h"
#include "ConstellationTables.h"
#include "SkyModel.h"

namespace {

constexpr double kUntouched = 123.0;

BrightStar g_testStars[8];
DeepSkyObject g_testObjects[8];

// Counts the calls of the orbit steps.
class CountingModel : public CSkyModel {
 public:
  void UpdateOrbitTable() override { ++orbitTableCalls; }
  void BuildOrbitPaths() override { ++orbitPathCalls; }
  int orbitTableCalls = 0;
  int orbitPathCalls = 0;
};

class SkyPositionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.m_observerLatitude = 0.0;
    m.m_observerLongitude = 0.0;
    m.m_sinLatitude = 0.0;
    m.m_cosLatitude = 1.0;
    m.m_pressure = 0.0;
    m.m_year = 2026;
    m.m_month = 3;
    m.m_day = 20;
    m.m_hour = 22;
    m.UpdateTimeContext();
    m.m_planetariumMode = true;
    m.m_frameCounter = 100;
    lst = m.m_localSiderealTime;

    std::memset(g_testStars, 0, sizeof g_testStars);
    std::memset(g_testObjects, 0, sizeof g_testObjects);
    g_brightStars = g_testStars;
    g_brightStarCount = 0;
    g_deepSkyObjects = g_testObjects;
    g_deepSkyCount = 0;
    for (int z = 0; z <= kZoneCount; ++z) {
      g_brightStarZones[z] = BrightStarZone{0.0, -kPi / 2, 0.0, 0.0, 0};
      g_deepSkyZones[z] = DeepSkyZone{0.0, -kPi / 2, 0.0, 0};
    }
  }
  void TearDown() override {
    g_brightStars = nullptr;
    g_brightStarCount = 0;
    g_deepSkyObjects = nullptr;
    g_deepSkyCount = 0;
  }

  // Fills zone 1 (and following zones as given) with objects; each zone's
  // middle sits at hour angle `hourAngle` degrees on the equator.
  void AddDeepSkyZone(int zone, double hourAngleDegrees, std::initializer_list<std::pair<double, float>> objects) {
    g_deepSkyZones[zone].rightAscension = lst - hourAngleDegrees * kDegToRad;
    g_deepSkyZones[zone].declination = 0.0;
    for (auto [ha, mag] : objects) {
      DeepSkyObject& o = g_testObjects[g_deepSkyCount++];
      o.rightAscension = static_cast<float>(NormalizeAngle(lst - ha * kDegToRad));
      o.declination = 0.0f;
      o.magnitude = mag;
      o.azimuth = o.altitude = kUntouched;
    }
    for (int z = zone; z <= kZoneCount; ++z) g_deepSkyZones[z].endIndex = g_deepSkyCount;
  }

  // The place the update must give a J2000 catalogue position (the update
  // precesses through a rotation matrix: equal to rounding).
  void Expected(double ra, double dec, double& az, double& alt) {
    m.PrecessFromJ2000(ra, dec);
    m.EquatorialToHorizontal(az, alt, lst, ra, dec);
  }

  CountingModel m;
  double lst = 0.0;
};

TEST_F(SkyPositionsTest, DeepSkyZonesAndMagnitudeLimit) {
  m.m_deepSkyMagnitudeLimit = 10.0;
  // Zone middle at -14 degrees: its objects are visited, even one that is
  // itself below -15 degrees; zone middle at -16 degrees: nothing is touched.
  AddDeepSkyZone(1, 104.0, {{106.0, 5.0f}, {104.0, 12.0f}});
  AddDeepSkyZone(2, 106.0, {{90.0, 5.0f}});
  m.UpdateSkyPositions();

  EXPECT_NEAR(g_deepSkyZones[1].altitude / kDegToRad, -14.0, 1e-6);
  EXPECT_NEAR(g_deepSkyZones[2].altitude / kDegToRad, -16.0, 1e-6);
  double az, alt;
  Expected(g_testObjects[0].rightAscension, g_testObjects[0].declination, az, alt);
  EXPECT_NEAR(g_testObjects[0].azimuth, az, 1e-12);
  EXPECT_NEAR(g_testObjects[0].altitude, alt, 1e-12);
  EXPECT_LT(alt, -15.0 * kDegToRad);
  // Fainter than the limit: parked below the horizon.
  EXPECT_EQ(g_testObjects[1].azimuth, 0.0);
  EXPECT_EQ(g_testObjects[1].altitude, -kPi / 2);
  EXPECT_EQ(g_testObjects[2].azimuth, kUntouched);
  EXPECT_EQ(g_testObjects[2].altitude, kUntouched);

  // A higher limit brings the parked object back at the next call.
  m.m_deepSkyMagnitudeLimit = 13.0;
  m.UpdateSkyPositions();
  Expected(g_testObjects[1].rightAscension, g_testObjects[1].declination, az, alt);
  EXPECT_NEAR(g_testObjects[1].altitude, alt, 1e-12);
  EXPECT_NEAR(g_testObjects[1].azimuth, az, 1e-12);
}

TEST_F(SkyPositionsTest, BrightStarsFollowTheLayerAndTheNameLimit) {
  const float mags[] = {4.4f, 4.6f, 6.5f, 7.5f};
  for (float mag : mags) {
    BrightStar& s = g_testStars[g_brightStarCount++];
    s.rightAscension = static_cast<float>(lst);
    s.declination = 0.3f;
    s.magnitude = mag;
  }
  for (int z = 1; z <= kZoneCount; ++z) g_brightStarZones[z].endIndex = g_brightStarCount;
  m.m_limitingMagnitude = 7.0;

  struct Case {
    bool layer, names;
    bool placed[4];
  } cases[] = {
      {true, false, {true, true, true, false}},
      {true, true, {true, true, true, false}},
      {false, true, {true, false, false, false}},  // the fixed 4.5 limit
      {false, false, {false, false, false, false}},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 4; ++i) g_testStars[i].azimuth = g_testStars[i].altitude = 9.0f;
    m.m_brightStarLayerActive = c.layer;
    m.m_showStarNames = c.names;
    m.UpdateSkyPositions();
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(g_testStars[i].altitude != 9.0f, c.placed[i]) << c.layer << c.names << i;
    }
  }
  m.m_brightStarLayerActive = true;
  m.UpdateSkyPositions();
  double az, alt;
  Expected(g_testStars[0].rightAscension, g_testStars[0].declination, az, alt);
  EXPECT_NEAR(g_testStars[0].altitude, alt, 1e-6);
  EXPECT_NEAR(g_testStars[0].azimuth, az, 1e-6);
}

TEST_F(SkyPositionsTest, SolarSystemModeSkipsTheCatalogueSteps) {
  m.m_sky2000Loaded = m.m_tycho2Loaded = true;
  m.m_showConstellationNames = m.m_showConstellationBorders = m.m_showConstellationFigures = true;
  m.m_showEquator = m.m_showEcliptic = m.m_showEquatorialGrid = true;
  AddDeepSkyZone(1, 0.0, {{0.0, 1.0f}});
  g_testStars[0] = BrightStar{};
  g_testStars[0].altitude = 9.0f;
  g_brightStarCount = 1;
  for (int z = 1; z <= kZoneCount; ++z) g_brightStarZones[z].endIndex = 1;

  g_sky2000Tiles[5] = TileCentre{1.0, 0.2, kUntouched, kUntouched};
  g_tycho2Tiles[700] = TileCentre{2.0, -0.2, kUntouched, kUntouched};
  const ConstellationEntry keptLabel = g_constellations[10];
  g_constellations[10].altitude = kUntouched;
  g_borderPoints[3].altitude = kUntouched;
  g_borderSegments[3].altitude2 = kUntouched;
  g_figurePoints[3].altitude = kUntouched;
  for (SkyPoint* p : {&m.m_equatorPoints[90], &m.m_eclipticPoints[180], &m.m_equatorialGridPoints[48][25],
                      &m.m_equatorialGridPoints[48][26]}) {
    *p = SkyPoint{kUntouched, kUntouched, lst, 0.5};
  }
  m.m_targetRightAscension = lst;
  m.m_targetDeclination = 0.25;
  m.m_telescopeRightAscension = lst;
  m.m_telescopeDeclination = -0.25;

  m.m_planetariumMode = false;
  m.m_showOrbits = false;
  m.UpdateSkyPositions();
  EXPECT_EQ(g_sky2000Tiles[5].altitude, kUntouched);
  EXPECT_EQ(g_tycho2Tiles[700].altitude, kUntouched);
  EXPECT_EQ(g_testStars[0].altitude, 9.0f);
  EXPECT_EQ(g_testObjects[0].altitude, kUntouched);
  EXPECT_EQ(g_constellations[10].altitude, kUntouched);
  EXPECT_EQ(g_borderPoints[3].altitude, kUntouched);
  EXPECT_EQ(g_borderSegments[3].altitude2, kUntouched);
  EXPECT_EQ(g_figurePoints[3].altitude, kUntouched);
  // Grids, target and telescope are converted in both modes (places of date, no precession).
  EXPECT_NEAR(m.m_equatorPoints[90].altitude, kPi / 2 - 0.5, 1e-9);
  EXPECT_NEAR(m.m_eclipticPoints[180].altitude, kPi / 2 - 0.5, 1e-9);
  EXPECT_NEAR(m.m_equatorialGridPoints[48][25].altitude, kPi / 2 - 0.5, 1e-9);
  EXPECT_EQ(m.m_equatorialGridPoints[48][26].altitude, kUntouched);  // beyond the 26 nodes of a column
  EXPECT_NEAR(m.m_targetAltitude, kPi / 2 - 0.25, 1e-9);
  EXPECT_NEAR(m.m_telescopeAltitude, kPi / 2 - 0.25, 1e-9);
  EXPECT_EQ(m.orbitTableCalls, 1);
  EXPECT_EQ(m.orbitPathCalls, 0);

  // Planetarium mode places them all; orbit paths follow their switch.
  m.m_planetariumMode = true;
  m.m_showOrbits = true;
  m.UpdateSkyPositions();
  EXPECT_NE(g_sky2000Tiles[5].altitude, kUntouched);
  EXPECT_NE(g_tycho2Tiles[700].altitude, kUntouched);
  EXPECT_NE(g_testStars[0].altitude, 9.0f);
  EXPECT_NE(g_testObjects[0].altitude, kUntouched);
  double az, alt;
  Expected(keptLabel.rightAscension, keptLabel.declination, az, alt);
  EXPECT_NEAR(g_constellations[10].altitude, alt, 1e-12);
  EXPECT_NE(g_borderPoints[3].altitude, kUntouched);
  EXPECT_NE(g_borderSegments[3].altitude2, kUntouched);
  EXPECT_NE(g_figurePoints[3].altitude, kUntouched);
  EXPECT_EQ(m.orbitTableCalls, 2);
  EXPECT_EQ(m.orbitPathCalls, 1);
}

TEST_F(SkyPositionsTest, MoonSunSeparationFoldsTheRightAscension) {
  // Without the planet library the body table keeps what is stored here; a
  // library loaded by an earlier test of this process is set aside meanwhile.
  struct LibraryAside {
    PlanetesCalculProc kept = g_pPlanetesCalcul;
    LibraryAside() { g_pPlanetesCalcul = nullptr; }
    ~LibraryAside() { g_pPlanetesCalcul = kept; }
  } aside;
  g_bodies[kBodySun].rightAscension = 0.1;
  g_bodies[kBodySun].declination = 0.2;
  g_bodies[kBodyMoon].rightAscension = kTwoPi - 0.2;  // 0.3 rad away across 0
  g_bodies[kBodyMoon].declination = -0.2;
  m.UpdateSkyPositions();
  EXPECT_NEAR(m.m_moonSunSeparation, std::sqrt(0.3 * 0.3 + 0.4 * 0.4) * 57.29578, 1e-4);
}

class SkyPositionsLibraryTest : public SkyPositionsTest {
 protected:
  void SetUp() override {
    SkyPositionsTest::SetUp();
    m.m_installFolder = NUVARINE_INSTALL_DIR;
    ASSERT_TRUE(m.LoadPlanetLibrary());
    InitBodyConstants();
    comet = CometRecord{};
    std::strcpy(comet.name, "1P/Halley");
    comet.perihelionTime = 2446470.5;
    comet.perihelionDistance = 0.5871;
    comet.eccentricity = 0.9673;
    comet.inclination = 162.24 * kDegToRad;
    comet.argumentOfPerihelion = 111.85 * kDegToRad;
    comet.ascendingNode = 58.86 * kDegToRad;
    asteroid = AsteroidRecord{};
    std::strcpy(asteroid.name, "Ceres");
    asteroid.epoch = 2460000.5;
    asteroid.semiMajorAxis = 2.7666;
    asteroid.eccentricity = 0.0786;
    asteroid.inclination = 10.587 * kDegToRad;
    g_comets = &comet;
    g_cometCount = 1;
    g_displayedCometCount = 1;
    g_displayedCometIndices[0] = 0;
    g_asteroids = &asteroid;
    g_asteroidCount = 1;
    g_displayedAsteroidCount = 1;
    g_displayedAsteroidIndices[0] = 0;
  }
  void TearDown() override {
    g_comets = nullptr;
    g_cometCount = 0;
    g_displayedCometCount = 0;
    g_asteroids = nullptr;
    g_asteroidCount = 0;
    g_displayedAsteroidCount = 0;
    SkyPositionsTest::TearDown();
  }
  CometRecord comet;
  AsteroidRecord asteroid;
};

TEST_F(SkyPositionsLibraryTest, CometsAndAsteroidsDuringTheFirstFrames) {
  struct Case {
    unsigned frame;
    bool showComets, showAsteroids;
    bool cometComputed, asteroidComputed;
  } cases[] = {
      {0, false, false, true, true},   {9, false, false, true, true},  {10, false, false, false, false},
      {10, true, false, true, false}, {500, false, true, false, true},
  };
  for (const Case& c : cases) {
    comet.rightAscension = kUntouched;
    asteroid.rightAscension = kUntouched;
    m.m_frameCounter = c.frame;
    m.m_showComets = c.showComets;
    m.m_showAsteroids = c.showAsteroids;
    m.UpdateSkyPositions();
    EXPECT_EQ(comet.rightAscension != kUntouched, c.cometComputed) << c.frame;
    EXPECT_EQ(asteroid.rightAscension != kUntouched, c.asteroidComputed) << c.frame;
  }
  // The separation comes from the body table the update has just filled.
  const BodyState& sun = g_bodies[kBodySun];
  const BodyState& moon = g_bodies[kBodyMoon];
  double d = std::fmod(sun.rightAscension - moon.rightAscension + 2 * kTwoPi, kTwoPi);
  if (d > kPi) d = kTwoPi - d;
  const double e = sun.declination - moon.declination;
  EXPECT_NEAR(m.m_moonSunSeparation, std::sqrt(d * d + e * e) * 57.29578, 1e-3);
  EXPECT_GT(m.m_moonSunSeparation, 0.0f);
}

}  // namespace
