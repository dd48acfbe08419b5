#include <gtest/gtest.h>

#include <cmath>

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
