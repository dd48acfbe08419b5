#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "SkyModel.h"

namespace {

double Norm(const double p[3]) { return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]); }

class OrbitTable : public ::testing::Test {
 protected:
  void SetUp() override {
    InitBodyConstants();
    model.m_installFolder = NUVARINE_INSTALL_DIR;
    ASSERT_TRUE(model.LoadPlanetLibrary());
    model.m_observerLatitude = 45 * kDegToRad;
    model.m_sinLatitude = std::sin(model.m_observerLatitude);
    model.m_cosLatitude = std::cos(model.m_observerLatitude);
    SetDate(2006, 4, 1);
  }
  void SetDate(int y, int m, int d) {
    model.m_year = y, model.m_month = m, model.m_day = d, model.m_hour = 3;
    model.UpdateTimeContext();
  }
  CSkyModel model;
};

}  // namespace

TEST_F(OrbitTable, KeplerSlotsStayOnTheirEllipses) {
  // Nereide: between a(1 - e) and a(1 + e), about 1.37 and 9.65 million km from Neptune.
  const OrbitRecord& nereide = g_orbits[6];
  const double a = nereide.semiMajorAxis * 149.597870691;
  double nearest = 1e9, farthest = 0;
  for (int day = 0; day < 400; day += 3) {
    model.m_julianDate = 2451545.0 + day;
    model.UpdateOrbitTable();
    const double r = Norm(g_orbits[6].position);
    nearest = std::min(nearest, r);
    farthest = std::max(farthest, r);
    for (int s : {0, 1, 4, 5, 7}) ASSERT_TRUE(std::isfinite(Norm(g_orbits[s].position))) << s;
  }
  EXPECT_GE(nearest, a * (1 - nereide.eccentricity) * 0.999);
  EXPECT_LE(farthest, a * (1 + nereide.eccentricity) * 1.001);
  EXPECT_LT(nearest, 2.0);  // a year of a 360-day orbit passes the periapsis...
  EXPECT_GT(farthest, 9.0);  // ...and the apoapsis
}

TEST_F(OrbitTable, SednaComesFromThePlanetLibrary) {
  SetDate(2026, 1, 1);
  model.UpdateOrbitTable();
  const double au = Norm(g_orbits[8].position) / 149.597870691;
  EXPECT_GT(au, 80.0);  // about 83 AU from the Sun in 2026, near its perihelion of 76 AU
  EXPECT_LT(au, 88.0);
}

TEST_F(OrbitTable, SatellitesInsideTheirWindowOnly) {
  model.UpdateOrbitTable();
  const double iss = Norm(g_orbits[2].position) * 1e6;  // km from the Earth's centre
  EXPECT_GT(iss, 6600.0);
  EXPECT_LT(iss, 6800.0);
  EXPECT_GT(g_bodies[12].altitude, -kPi / 2);
  EXPECT_FLOAT_EQ(static_cast<float>(g_bodies[12].apparentDiameter), 1e-4f);
  for (int s = 17; s < kOrbitSlotCount; ++s) EXPECT_EQ(Norm(g_orbits[s].position), 0.0) << s;

  // Switched off: every satellite slot goes back to the Earth's centre, the
  // bodies keep their last sky place.
  const double lastRa = g_bodies[12].rightAscension;
  model.m_computeSatellitePositions = false;
  model.UpdateOrbitTable();
  for (int s : {2, 3, 9, 10, 11, 12, 13, 14, 15, 16}) EXPECT_EQ(Norm(g_orbits[s].position), 0.0) << s;
  EXPECT_EQ(g_bodies[12].rightAscension, lastRa);

  // Before the launch and after 2100 likewise.
  model.m_computeSatellitePositions = true;
  SetDate(1997, 1, 1);
  model.UpdateOrbitTable();
  EXPECT_EQ(Norm(g_orbits[2].position), 0.0);
  SetDate(2101, 1, 1);
  model.UpdateOrbitTable();
  EXPECT_EQ(Norm(g_orbits[2].position), 0.0);
}

TEST_F(OrbitTable, ADecayedOrbitShowsNothing) {
  // Twenty years after its elements the ISS model has decayed: no place at the Earth's centre posing as one.
  SetDate(2026, 6, 1);
  g_bodies[12].rightAscension = 1.25;
  model.UpdateOrbitTable();
  EXPECT_EQ(Norm(g_orbits[2].position), 0.0);
  EXPECT_EQ(g_bodies[12].rightAscension, 1.25);
}

TEST_F(OrbitTable, ElementSetsFarFromTheInstantPlaceNothing) {
  // The built-in sets date from 2006 March 29 and 30 (JD 2453823 to 2453825).
  const int bodies[] = {11, 12, 49, 50, 51, 52, 53, 54, 55, 56};
  const int slots[] = {3, 2, 9, 10, 11, 12, 13, 14, 15, 16};
  struct Case {
    int y, m, d;
    bool placed;
  } cases[] = {
      {2006, 4, 1, true},     // near their epoch
      {2006, 4, 27, true},    // four weeks on
      {2006, 5, 3, false},    // five weeks on
      {2005, 12, 1, false},   // four months before it
      {2026, 12, 11, false},  // twenty years on
  };
  for (const Case& c : cases) {
    SetDate(c.y, c.m, c.d);
    for (int body : bodies) g_bodies[body].azimuth = g_bodies[body].altitude = 0.5;
    model.UpdateOrbitTable();
    for (int i = 0; i < 10; ++i) {
      const double km = Norm(g_orbits[slots[i]].position) * 1e6;
      double epoch = 0.0;
      EXPECT_EQ(model.SatelliteElementsOutOfDate(bodies[i], &epoch), !c.placed) << c.y << " " << bodies[i];
      EXPECT_NEAR(epoch, 2453824.0, 1.5) << bodies[i];
      if (c.placed) {
        EXPECT_GT(km, 6600.0) << c.y << " " << bodies[i];
        EXPECT_LT(km, 7300.0) << c.y << " " << bodies[i];
        EXPECT_NE(g_bodies[bodies[i]].azimuth, 0.5);
      } else {
        // No place at all: at the Earth's centre and off the sky (azimuth
        // and altitude 0), which the passes draw and label nothing for.
        EXPECT_EQ(km, 0.0) << c.y << " " << bodies[i];
        EXPECT_EQ(g_bodies[bodies[i]].azimuth, 0.0);
        EXPECT_EQ(g_bodies[bodies[i]].altitude, 0.0);
      }
    }
  }
  // Not due at all (before the launch, or switched off): not a matter of elements.
  SetDate(1997, 1, 1);
  EXPECT_FALSE(model.SatelliteElementsOutOfDate(12));
  SetDate(2026, 12, 11);
  model.m_computeSatellitePositions = false;
  EXPECT_FALSE(model.SatelliteElementsOutOfDate(12));
  model.m_computeSatellitePositions = true;
  EXPECT_FALSE(model.SatelliteElementsOutOfDate(kBodyMars));
}

TEST_F(OrbitTable, AFreshSatellitesFilePlacesItsSatelliteAtOnce) {
  char pattern[] = "/tmp/nvsatellites-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  ASSERT_EQ(mkdir((folder + "/donnees").c_str(), 0755), 0);
  FILE* f = std::fopen((folder + "/donnees/satellites.dat").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  // An element set of 2026 December 10, 12 h UT, for the ISS only.
  std::fputs("AMATEUR SATELLITES OF THE DAY, TWO-LINE ELEMENTS OF THE LAST FEW DAYS, FOR TESTS ONLY "
             "PLEASE\n"
             "ISS (ZARYA)\n"
             "1 25544U 98067A   26344.50000000  .00012862  00000-0  89515-4 0  6374\n"
             "2 25544 051.6426 229.9709 0009163 062.8241 072.5020 15.74755905420837\n",
             f);
  std::fclose(f);
  SetDate(2026, 12, 11);
  model.UpdateOrbitTable();
  EXPECT_TRUE(model.SatelliteElementsOutOfDate(12));
  EXPECT_EQ(Norm(g_orbits[2].position), 0.0);
  ASSERT_TRUE(model.LoadSatellites(folder.c_str()));
  model.UpdateOrbitTable();
  EXPECT_FALSE(model.SatelliteElementsOutOfDate(12));
  const double km = Norm(g_orbits[2].position) * 1e6;
  EXPECT_GT(km, 6600.0);
  EXPECT_LT(km, 6800.0);
  EXPECT_NE(g_bodies[12].altitude, 0.0);
  // The others keep their 2006 sets.
  EXPECT_TRUE(model.SatelliteElementsOutOfDate(11));
  EXPECT_EQ(Norm(g_orbits[3].position), 0.0);
  std::remove((folder + "/donnees/satellites.dat").c_str());
  rmdir((folder + "/donnees").c_str());
  rmdir(folder.c_str());
}

TEST_F(OrbitTable, OrbitOutlinesClose) {
  model.UpdateOrbitTable();
  model.BuildOrbitPaths();
  for (int o = 0; o < 10; ++o) {
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(model.m_orbitOutlines[o][361][c], model.m_orbitOutlines[o][1][c],
                  1e-5f * std::fabs(model.m_orbitOutlines[o][1][c]) + 1e-3f)
          << o << " " << c;
    }
  }
  // Sedna's outline reaches out to its aphelion, about 900 AU.
  double farthest = 0;
  for (int k = 0; k < 362; ++k) {
    const double p[3] = {model.m_orbitOutlines[9][k][0], model.m_orbitOutlines[9][k][1], model.m_orbitOutlines[9][k][2]};
    farthest = std::max(farthest, Norm(p) / 149.597870691);
  }
  EXPECT_GT(farthest, 850.0);
  EXPECT_LT(farthest, 1100.0);
}
