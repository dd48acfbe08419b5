// Probe trajectory files: parsing, loading, interpolation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <string>

#include "SkyModel.h"
#include "Trajectory.h"

namespace {

int Parse(const std::string& text, TrajectoryPoint* table, int capacity) {
  return ParseTrajectoryText(text.data(), text.size(), table, capacity);
}

std::string TempFolder() {
  const auto dir = std::filesystem::temp_directory_path() / ("nv_traj_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "donnees");
  return dir.string();
}

void WriteFile(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

}  // namespace

TEST(TrajectoryParse, LineEndsAndFields) {
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"LF", "2450000.5 1 2 3\n2450001.5 4 5 6\n"},
      {"CR LF", "2450000.5 1 2 3\r\n2450001.5 4 5 6\r\n"},
      {"tabs and runs of blanks", "2450000.5\t1   2  3\n\n  2450001.5 4\t\t5 6"},
      {"one number per line", "2450000.5\r\n1\r\n2\r\n3\r\n2450001.5\r\n4\r\n5\r\n6\r\n"},
      {"incomplete last point dropped", "2450000.5 1 2 3\n2450001.5 4 5 6\n2450002.5 7 8"},
  };
  for (const Case& c : cases) {
    TrajectoryPoint table[4];
    ASSERT_EQ(Parse(c.text, table, 4), 2) << c.name;
    EXPECT_EQ(table[0].julianDate, 2450000.5) << c.name;
    EXPECT_EQ(table[0].z, 3.0) << c.name;
    EXPECT_EQ(table[1].x, 4.0) << c.name;
    EXPECT_EQ(table[1].z, 6.0) << c.name;
    EXPECT_EQ(table[2].julianDate, 0.0) << c.name;
  }
}

TEST(TrajectoryParse, BoundsAndOddTokens) {
  // More points than the table holds: the rest is ignored.
  std::string many;
  for (int i = 0; i < 10; ++i) many += std::to_string(2450000 + i) + " 1 2 3\n";
  TrajectoryPoint table[3];
  EXPECT_EQ(Parse(many, table, 3), 3);
  EXPECT_EQ(table[2].julianDate, 2450002.0);
  // A very long token is read from its first characters, without overflow.
  TrajectoryPoint t2[2];
  const std::string longToken = "1." + std::string(200, '5');
  EXPECT_EQ(Parse("2450000.5 " + longToken + " -2.5e3 7\n", t2, 2), 1);
  EXPECT_NEAR(t2[0].x, 1.5555, 1e-3);
  EXPECT_EQ(t2[0].y, -2500.0);
  // Empty text: nothing.
  EXPECT_EQ(Parse("", t2, 2), 0);
  EXPECT_EQ(Parse(" \r\n\n", t2, 2), 0);
}

TEST(TrajectoryLoad, MissingFileClearsThePreviousProbe) {
  const std::string folder = TempFolder();
  WriteFile(folder + "/donnees/probe.xyz", "2450000.5 1 2 3\r\n2450001.5 4 5 6\r\n");
  ASSERT_TRUE(LoadTrajectory(folder, "\\donnees\\probe.xyz"));
  EXPECT_EQ(TrajectoryPointCount(g_trajectory, kTrajectoryCapacity), 2);
  EXPECT_FALSE(LoadTrajectory(folder, "\\donnees\\absent.xyz"));
  EXPECT_EQ(TrajectoryPointCount(g_trajectory, kTrajectoryCapacity), 0);
  EXPECT_EQ(g_trajectory[0].x, 0.0);
  // Folder names match without regard to case.
  EXPECT_TRUE(LoadTrajectory(folder, "\\DONNEES\\probe.xyz"));
  std::filesystem::remove_all(folder);
}

TEST(TrajectoryInterpolation, CubicLinearAndLimits) {
  // x = t^2, y = 3t, z = -t on whole days: the cubic reproduces a quadratic
  // in the inner intervals.
  std::string text;
  for (int i = 0; i < 8; ++i)
    text += std::to_string(2450000 + i) + " " + std::to_string(i * i) + " " + std::to_string(3 * i) + " " +
            std::to_string(-i) + "\n";
  ASSERT_EQ(Parse(text, g_trajectory, kTrajectoryCapacity), 8);
  Vector3d p{-1, -1, -1};
  // At or before the first point nothing changes.
  EXPECT_FALSE(InterpolateTrajectoryCubic(g_trajectory, 2450000.0, p));
  EXPECT_EQ(p.x, -1.0);
  // A point's own date gives the point exactly.
  ASSERT_TRUE(InterpolateTrajectoryCubic(g_trajectory, 2450003.0, p));
  EXPECT_EQ(p.x, 9.0);
  EXPECT_EQ(p.y, 9.0);
  ASSERT_TRUE(InterpolateTrajectoryCubic(g_trajectory, 2450003.25, p));
  EXPECT_NEAR(p.x, 3.25 * 3.25, 1e-9);
  EXPECT_NEAR(p.y, 9.75, 1e-9);
  EXPECT_NEAR(p.z, -3.25, 1e-9);
  // The last interval stays within the data; after the last point nothing changes.
  ASSERT_TRUE(InterpolateTrajectoryCubic(g_trajectory, 2450006.5, p));
  EXPECT_NEAR(p.x, 42.25, 0.3);
  ASSERT_TRUE(InterpolateTrajectoryCubic(g_trajectory, 2450007.0, p));
  EXPECT_EQ(p.x, 49.0);
  p = {-1, -1, -1};
  EXPECT_FALSE(InterpolateTrajectoryCubic(g_trajectory, 2450007.01, p));
  EXPECT_EQ(p.x, -1.0);

  // Date checks: inclusive at both ends, nothing for an empty table.
  CSkyModel sky;
  sky.m_julianDate = 2450000.0;
  EXPECT_TRUE(sky.IsDateInTrajectory());
  sky.m_julianDate = 2450007.0;
  EXPECT_TRUE(sky.IsDateInTrajectory());
  sky.m_julianDate = 2450007.001;
  EXPECT_FALSE(sky.IsDateInTrajectory());

  // Scene position: file y becomes scene x, millions of km; Rosetta reads 0.009 day early.
  Vector3d scene;
  ASSERT_TRUE(SpacecraftScenePosition(1, 17, 2450002.0, scene));
  EXPECT_EQ(scene.x, 6e-6);
  EXPECT_EQ(scene.y, 4e-6);
  EXPECT_EQ(scene.z, -2e-6);
  ASSERT_TRUE(SpacecraftScenePosition(1, kRosettaBody, 2450002.0, scene));
  EXPECT_NEAR(scene.y, (2.0 - 0.009) * (2.0 - 0.009) * 1e-6, 1e-9);

  // Second table: allocated once, linear.
  CopyTrajectoryToSecond();
  TrajectoryPoint** second = g_secondTrajectory;
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(SpacecraftScenePosition(2, 46, 2450002.5, scene));
  EXPECT_NEAR(scene.y, 6.5e-6, 1e-15);
  std::memset(static_cast<void*>(g_trajectory), 0, sizeof g_trajectory);
  CopyTrajectoryToSecond();
  EXPECT_EQ(g_secondTrajectory, second);
  EXPECT_FALSE(SpacecraftScenePosition(2, 46, 2450002.5, scene));
  sky.m_julianDate = 2450002.0;
  EXPECT_FALSE(sky.IsDateInTrajectory());
}
