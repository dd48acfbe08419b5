// The generated space-probe trajectories and the generator's orbit tools.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Missions.h"
#include "Orbits.h"
#include "Trajectory.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const char* const kFiles[] = {"galileo",  "voyager2",   "spirit",      "cassini",     "huygens",
                              "voyager1", "pioneer10",  "rosetta",     "deepimpact1", "tempel1",
                              "newhorizons", "marsexpress", "venusexpress", "near"};

bool LoadProbe(const std::string& name) {
  return LoadTrajectory(NUVARINE_INSTALL_DIR, ("\\donnees\\" + name + ".xyz").c_str());
}

// Position (km, file frame) at jd from the loaded table; the first point
// itself at its own date (written to 1e-5 day).
bool PositionAt(double jd, Vec3& out) {
  if (std::fabs(jd - g_trajectory[0].julianDate) <= 1e-5) {
    out = {g_trajectory[0].x, g_trajectory[0].y, g_trajectory[0].z};
    return true;
  }
  Vector3d p;
  if (!InterpolateTrajectoryCubic(g_trajectory, jd, p)) return false;
  out = {p.x, p.y, p.z};
  return true;
}

}  // namespace

TEST(TrajectoryFiles, AllFourteenLoadAndRunForward) {
  for (const char* name : kFiles) {
    ASSERT_TRUE(LoadProbe(name)) << name;
    const int n = TrajectoryPointCount(g_trajectory, kTrajectoryCapacity);
    EXPECT_GT(n, 500) << name;
    EXPECT_LT(n, kTrajectoryCapacity) << name;
    double fastest = 0;
    for (int i = 1; i < n; ++i) {
      const TrajectoryPoint& a = g_trajectory[i - 1];
      const TrajectoryPoint& b = g_trajectory[i];
      ASSERT_GT(b.julianDate, a.julianDate) << name << " point " << i;
      const double km = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) + (b.z - a.z) * (b.z - a.z));
      fastest = std::fmax(fastest, km / ((b.julianDate - a.julianDate) * 86400.0));
    }
    // Heliocentric speeds of real probes stay well below 80 km/s.
    EXPECT_LT(fastest, 80.0) << name;
  }
  // The solar-system update tells Cassini's file from Huygens' by its first date.
  ASSERT_TRUE(LoadProbe("cassini"));
  EXPECT_EQ(g_trajectory[0].julianDate, kCassiniFirstDate);
  ASSERT_TRUE(LoadProbe("huygens"));
  EXPECT_NE(g_trajectory[0].julianDate, kCassiniFirstDate);
}

TEST(TrajectoryFiles, PassThroughEveryEncounter) {
  BodyEphemeris ephemeris;
  std::vector<Mission> missions;
  std::string error;
  ASSERT_TRUE(ParseMissionTable(ReadText(NUVARINE_MISSION_TABLE), ephemeris, missions, error)) << error;
  ASSERT_EQ(missions.size(), std::size(kFiles));
  for (const Mission& m : missions) {
    ASSERT_TRUE(LoadTrajectory(NUVARINE_INSTALL_DIR, ("\\donnees\\" + m.file).c_str())) << m.file;
    for (const MissionEvent& e : m.events) {
      Vec3 craft;
      ASSERT_TRUE(PositionAt(e.jd, craft)) << m.file << " " << e.body;
      const Vec3 body = ephemeris.Position(e.body, e.jd);
      const double au = Norm((1.0 / kKmPerAu) * craft - body);
      EXPECT_LT(au, 0.01) << m.file << " at " << e.body << " on JD " << e.jd;
    }
    // Interpolation between points stays close to the chords around it: no
    // loops or jumps, even at the turns of the encounters.
    const int n = TrajectoryPointCount(g_trajectory, kTrajectoryCapacity);
    auto chord = [](const TrajectoryPoint& a, const TrajectoryPoint& b) {
      return std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) + (b.z - a.z) * (b.z - a.z));
    };
    for (int i = 1; i < n; ++i) {
      const TrajectoryPoint& a = g_trajectory[i - 1];
      const TrajectoryPoint& b = g_trajectory[i];
      Vector3d mid;
      ASSERT_TRUE(InterpolateTrajectoryCubic(g_trajectory, 0.5 * (a.julianDate + b.julianDate), mid));
      double around = chord(a, b);
      if (i >= 2) around = std::fmax(around, chord(g_trajectory[i - 2], a));
      if (i + 1 < n) around = std::fmax(around, chord(b, g_trajectory[i + 1]));
      const double dx = mid.x - 0.5 * (a.x + b.x), dy = mid.y - 0.5 * (a.y + b.y), dz = mid.z - 0.5 * (a.z + b.z);
      ASSERT_LT(std::sqrt(dx * dx + dy * dy + dz * dz), 0.1 * around + 1000.0) << m.file << " point " << i;
    }
  }
}

TEST(TrajectoryGenerator, LambertAndKepler) {
  // Earth-like start, Mars-like end: every solution ends where asked.
  const Vec3 r1{1.0, 0.0, 0.0}, r2{-0.3, 1.45, 0.05};
  Vec3 v1s[9], v2s[9];
  for (double tof : {150.0, 260.0, 900.0}) {
    const int n = SolveLambert(r1, r2, tof, 4, v1s, v2s);
    ASSERT_GE(n, 1) << tof;
    for (int i = 0; i < n; ++i) {
      Vec3 v2;
      const Vec3 end = PropagateKepler(r1, v1s[i], tof, &v2);
      EXPECT_LT(Norm(end - r2), 1e-8) << tof << " solution " << i;
      EXPECT_LT(Norm(v2 - v2s[i]), 1e-8) << tof << " solution " << i;
      EXPECT_GT(Cross(r1, v1s[i]).z, 0.0);  // prograde
    }
  }
  // A circular orbit comes back after one period; a hyperbola keeps its energy.
  const double v = std::sqrt(kMuSun);
  EXPECT_LT(Norm(PropagateKepler({1, 0, 0}, {0, v, 0}, 2 * 3.141592653589793 / std::sqrt(kMuSun)) - Vec3{1, 0, 0}),
            1e-9);
  Vec3 vEnd;
  const Vec3 rEnd = PropagateKepler({1, 0, 0}, {0.01, 2 * v, 0}, 20000.0, &vEnd);
  const double e0 = 0.5 * (0.0001 + 4 * v * v) - kMuSun;
  EXPECT_NEAR(0.5 * Dot(vEnd, vEnd) - kMuSun / Norm(rEnd), e0, 1e-12);
}

TEST(TrajectoryGenerator, MissionTableErrors) {
  struct Case {
    const char* text;
    const char* why;
  } cases[] = {
      {"event 2000-01-01T00:00 earth launch\n", "event before any mission"},
      {"mission a.xyz\nevent 2000-01-01T00:00 vulcan launch\nend 2001-01-01\n", "unknown body"},
      {"mission a.xyz\nevent 2000-13-01T00:00 earth launch\nend 2001-01-01\n", "bad month"},
      {"mission a.xyz\nevent 2000-02-01 earth launch\nevent 2000-01-01 mars flyby\nend 2001-01-01\n", "out of order"},
      {"mission a.xyz\nevent 2000-01-01 mars arrive\nend 2001-01-01\n", "arrive without offset"},
      {"mission a.xyz\nevent 2000-01-01 earth launch\nend 1999-01-01\n", "end before the last event"},
      {"asteroid x 2451545 2.5 1.2 0 0 0 0\n", "hyperbolic small body"},
  };
  for (const Case& c : cases) {
    BodyEphemeris eph;
    std::vector<Mission> missions;
    std::string error;
    EXPECT_FALSE(ParseMissionTable(c.text, eph, missions, error)) << c.why;
    EXPECT_FALSE(error.empty()) << c.why;
  }
  EXPECT_NEAR(ParseEventDate("2000-01-01T12:00"), 2451545.0, 1e-9);
  EXPECT_EQ(ParseEventDate("2450736.8939"), 2450736.8939);
  EXPECT_EQ(ParseEventDate("soon"), 0.0);
}
