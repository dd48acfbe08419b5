// Comet and asteroid element files: parsing, merging, limits, the generated
// install files, and positions from the planet library.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "ElementLines.h"
#include "SkyModel.h"

namespace {

// An install folder of its own with a "donnees" folder.
class TempInstall {
 public:
  TempInstall() {
    std::string pattern = ::testing::TempDir() + "nuvarine-elements-XXXXXX";
    folder_ = mkdtemp(pattern.data());
    mkdir((folder_ + "/donnees").c_str(), 0755);
  }
  ~TempInstall() {
    for (const char* f : {"cometes.dat", "cometes2.dat", "asteroides.dat", "asteroides2.dat"})
      std::remove((folder_ + "/donnees/" + f).c_str());
    rmdir((folder_ + "/donnees").c_str());
    rmdir(folder_.c_str());
  }
  void Write(const char* name, const std::string& text) {
    FILE* f = std::fopen((folder_ + "/donnees/" + name).c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
};

std::string Comet(const std::string& name, double q = 1.0, double e = 0.5, double h = 10.0) {
  CometElementsLine c{name, 2460000.5, q, e, 10.0, 20.0, 30.0, h, 4.0};
  std::string line;
  EXPECT_TRUE(FormatCometLine(c, line));
  return line + "\n";
}

std::string Asteroid(const std::string& name, double a = 2.5) {
  AsteroidElementsLine r{name, 2459800.5, 0.1, a, 5.0, 80.0, 70.0, 100.0, 7.5, 0.15};
  std::string line;
  EXPECT_TRUE(FormatAsteroidLine(r, line));
  return line + "\n";
}

void FreeRecords() {
  delete[] g_comets;
  g_comets = nullptr;
  g_cometCount = 0;
  delete[] g_asteroids;
  g_asteroids = nullptr;
  g_asteroidCount = 0;
}

}  // namespace

TEST(ElementFiles, LinesRoundTripThroughTheParsers) {
  const CometElementsLine c{"C/1995 O1 (Hale-Bopp)", 2450539.6347, 0.914138, 0.994999, 130.5886, 282.4706, 89.4297, -0.8, 4.0};
  std::string line;
  ASSERT_TRUE(FormatCometLine(c, line));
  CometRecord comet[1];
  ASSERT_EQ(ParseCometText(line.data(), line.size(), comet, 1), 1);
  EXPECT_STREQ(comet[0].name, "C/1995 O1 (Hale-Bopp)");
  EXPECT_NEAR(comet[0].perihelionTime, 2450539.6347, 1e-4);
  EXPECT_NEAR(comet[0].perihelionDistance, 0.914138, 1e-6);
  EXPECT_NEAR(comet[0].eccentricity, 0.994999, 1e-6);
  EXPECT_NEAR(comet[0].argumentOfPerihelion, 130.5886 * kDegToRad, 1e-7);
  EXPECT_NEAR(comet[0].ascendingNode, 282.4706 * kDegToRad, 1e-7);
  EXPECT_NEAR(comet[0].inclination, 89.4297 * kDegToRad, 1e-7);
  EXPECT_FLOAT_EQ(comet[0].absoluteMagnitude, -0.8f);
  EXPECT_FLOAT_EQ(comet[0].magnitudeSlope, 4.0f);

  const AsteroidElementsLine a{"1 Ceres", 2459800.5, 0.07863576, 2.76662, 10.5868, 80.26644, 73.53163, 334.32717, 3.33, 0.12};
  ASSERT_TRUE(FormatAsteroidLine(a, line));
  AsteroidRecord asteroid[1];
  ASSERT_EQ(ParseAsteroidText(line.data(), line.size(), asteroid, 1), 1);
  EXPECT_STREQ(asteroid[0].name, "1 Ceres");
  EXPECT_NEAR(asteroid[0].epoch, 2459800.5, 1e-4);
  EXPECT_NEAR(asteroid[0].eccentricity, 0.07863576, 1e-8);
  EXPECT_NEAR(asteroid[0].semiMajorAxis, 2.76662, 1e-5);
  EXPECT_NEAR(asteroid[0].inclination, 10.5868 * kDegToRad, 1e-7);
  EXPECT_NEAR(asteroid[0].ascendingNode, 80.26644 * kDegToRad, 1e-7);
  EXPECT_NEAR(asteroid[0].argumentOfPerihelion, 73.53163 * kDegToRad, 1e-7);
  EXPECT_NEAR(asteroid[0].meanAnomaly, 334.32717 * kDegToRad, 1e-7);
  EXPECT_FLOAT_EQ(asteroid[0].absoluteMagnitude, 3.33f);
  EXPECT_FLOAT_EQ(asteroid[0].slope, 0.12f);
}

// A short line is skipped on its own; it never swallows the next one.
TEST(ElementFiles, FieldsStayOnTheirLine) {
  const std::string text = "Broken comet      20200101.0 0.5\r\n" + Comet("2P/Encke", 0.34, 0.848) + "\n";
  CometRecord records[4];
  ASSERT_EQ(ParseCometText(text.data(), text.size(), records, 4), 1);
  EXPECT_STREQ(records[0].name, "2P/Encke");
  EXPECT_NEAR(records[0].perihelionDistance, 0.34, 1e-9);

  const std::string asteroids = "  no bar on this line\n3 Juno | 2022\n" + Asteroid("4 Vesta", 2.36);
  AsteroidRecord a[4];
  ASSERT_EQ(ParseAsteroidText(asteroids.data(), asteroids.size(), a, 4), 1);
  EXPECT_STREQ(a[0].name, "4 Vesta");
  EXPECT_NEAR(a[0].semiMajorAxis, 2.36, 1e-9);
}

TEST(ElementFiles, AsteroidNamesCutAndEpochBlanksRemoved) {
  std::string line = Asteroid("x");
  // A name far longer than the record's 20 characters, and a blank inside the epoch.
  line.replace(0, 21, "   (2002 AW197) with a very long extra name|");
  const size_t bar = line.find('|');
  line.replace(bar + 1, 14, "  2008 0524.0 ");
  AsteroidRecord a[1];
  ASSERT_EQ(ParseAsteroidText(line.data(), line.size(), a, 1), 1);
  EXPECT_STREQ(a[0].name, "(2002 AW197) with a");  // cut to 20, then trimmed
  EXPECT_DOUBLE_EQ(a[0].epoch, JulianDayFromPackedDate(20080524.0));
}

TEST(ElementFiles, CometNamesCompareWhole) {
  struct Case {
    const char *a, *b;
    bool same;
  } cases[] = {
      {"P/2010 A1", "P/2010 A2", false},  // used to merge over the shorter length less one
      {"C/2023 A3 (Tsuchinshan-ATLAS)", "c/2023 a3 (tsuchinshan-atlas)   ", true},
      {"  1P/Halley", "1P/Halley", true},
      {"12345678", "123456789", false},
      {"X", "1P/Halley", false},
      {"", "1P/Halley", false},
  };
  for (const Case& c : cases) EXPECT_EQ(SameCometName(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(ElementFiles, CometFilesMerge) {
  TempInstall install;
  install.Write("cometes.dat", Comet("1P/Halley", 0.58) + Comet("P/2010 A1", 1.0));
  install.Write("cometes2.dat", Comet("1p/halley  ", 0.60) + Comet("P/2010 A2", 2.0));
  CSkyModel model;
  ASSERT_TRUE(model.LoadComets(install.folder()));
  ASSERT_EQ(g_cometCount, 3);
  EXPECT_STREQ(g_comets[0].name, "1P/Halley");  // the old name stays
  EXPECT_NEAR(g_comets[0].perihelionDistance, 0.60, 1e-9);  // the new elements win
  EXPECT_NEAR(g_comets[1].perihelionDistance, 1.0, 1e-9);   // a different comet is not merged
  EXPECT_STREQ(g_comets[2].name, "P/2010 A2");
  EXPECT_EQ(g_cometFile2Count, 2);
  for (int i = 0; i < g_cometCount; ++i) EXPECT_EQ(g_comets[i].displaySize, 500.0f);

  // Without the second file the first file's comets load alone.
  std::remove((install.folder() + "/donnees/cometes2.dat").c_str());
  ASSERT_TRUE(model.LoadComets(install.folder()));
  EXPECT_EQ(g_cometCount, 2);
  EXPECT_NEAR(g_comets[0].perihelionDistance, 0.58, 1e-9);

  // A missing first file fails and keeps what was loaded.
  std::remove((install.folder() + "/donnees/cometes.dat").c_str());
  EXPECT_FALSE(model.LoadComets(install.folder()));
  EXPECT_EQ(g_cometCount, 2);
  FreeRecords();
}

TEST(ElementFiles, CometLimitOf999) {
  TempInstall install;
  std::string many;
  for (int i = 0; i < 1000; ++i) many += Comet("C/Test " + std::to_string(i));
  install.Write("cometes.dat", many);
  install.Write("cometes2.dat", Comet("C/New one"));
  CSkyModel model;
  ASSERT_TRUE(model.LoadComets(install.folder()));
  EXPECT_EQ(g_cometCount, 999);
  EXPECT_STREQ(g_comets[998].name, "C/Test 998");
  FreeRecords();
}

TEST(ElementFiles, AsteroidFilesAndBuiltIns) {
  TempInstall install;
  install.Write("asteroides.dat", Asteroid("1 Ceres") + Asteroid("2 Pallas"));
  CSkyModel model;
  // The second file is required.
  EXPECT_FALSE(model.LoadAsteroids(install.folder()));
  EXPECT_EQ(g_asteroidCount, 0);
  install.Write("asteroides2.dat", Asteroid("90377 Sedna", 500.0));
  ASSERT_TRUE(model.LoadAsteroids(install.folder()));
  ASSERT_EQ(g_asteroidCount, 6);
  EXPECT_STREQ(g_asteroids[2].name, "90377 Sedna");
  const char* builtIn[] = {"433 Eros", "951 Gaspra", "243 Ida"};
  const float h[] = {10.31f, 11.49f, 9.99f};
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(g_asteroids[3 + i].name, builtIn[i]);
    EXPECT_FLOAT_EQ(g_asteroids[3 + i].absoluteMagnitude, h[i]);
  }
  EXPECT_DOUBLE_EQ(g_asteroids[3].semiMajorAxis, 1.458261);
  EXPECT_EQ(g_asteroids[5].displaySize, 500.0f);
  FreeRecords();
}

TEST(ElementFiles, GeneratedInstallFilesLoad) {
  CSkyModel model;
  ASSERT_TRUE(model.LoadComets(NUVARINE_INSTALL_DIR));
  ASSERT_TRUE(model.LoadAsteroids(NUVARINE_INSTALL_DIR));
  EXPECT_GT(g_cometCount, 500);
  EXPECT_LE(g_cometCount, 999);
  EXPECT_LE(g_asteroidCount, 1002);
  bool encke = false, ceres = false;
  for (int i = 0; i < g_cometCount; ++i) {
    if (std::strcmp(g_comets[i].name, "2P/Encke") == 0) {
      encke = true;
      EXPECT_NEAR(g_comets[i].eccentricity, 0.848, 0.01);
    }
    EXPECT_GT(g_comets[i].perihelionDistance, 0.0) << g_comets[i].name;
  }
  for (int i = 0; i < g_asteroidCount; ++i)
    if (std::strcmp(g_asteroids[i].name, "1 Ceres") == 0) {
      ceres = true;
      EXPECT_NEAR(g_asteroids[i].semiMajorAxis, 2.7666, 1e-3);
      EXPECT_NEAR(g_asteroids[i].absoluteMagnitude, 3.33, 1e-3);
    }
  EXPECT_TRUE(encke);
  EXPECT_TRUE(ceres);
  FreeRecords();
}

namespace {

// Heliocentric J2000 ecliptic place of an orbit (angles in radians) at a mean
// anomaly, in the scene frame, millions of km.
Vector3d KeplerScene(double a, double e, double i, double node, double peri, double meanAnomaly) {
  double bigE = meanAnomaly;
  for (int k = 0; k < 100; ++k) bigE = meanAnomaly + e * std::sin(bigE);
  const double nu = 2 * std::atan(std::sqrt((1 + e) / (1 - e)) * std::tan(bigE / 2));
  const double r = a * (1 - e * std::cos(bigE));
  const double u = peri + nu;
  const double x = r * (std::cos(node) * std::cos(u) - std::sin(node) * std::sin(u) * std::cos(i));
  const double y = r * (std::sin(node) * std::cos(u) + std::cos(node) * std::sin(u) * std::cos(i));
  const double z = r * std::sin(u) * std::sin(i);
  return {y * 149.597870691, x * 149.597870691, z * 149.597870691};
}

class CometAsteroidPositionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model.m_installFolder = NUVARINE_INSTALL_DIR;
    ASSERT_TRUE(model.LoadPlanetLibrary());
    model.m_julianDate = 2451545.0;
    model.m_pressure = 0.0;
    g_comets = new CometRecord[2]();
    g_cometCount = 2;
    g_asteroids = new AsteroidRecord[1]();
    g_asteroidCount = 1;
    CometRecord& c = g_comets[0];
    std::strcpy(c.name, "C/Test");
    c.perihelionTime = 2451545.0;
    c.perihelionDistance = 0.5;
    c.eccentricity = 0.7;
    c.inclination = 0.3;
    c.argumentOfPerihelion = 1.0;
    c.ascendingNode = 2.0;
    c.absoluteMagnitude = 8.0f;
    c.displaySize = 500.0f;
    g_comets[1] = c;
    g_comets[1].eccentricity = 1.2;  // hyperbolic: the perihelion distance goes in unchanged
    AsteroidRecord& a = g_asteroids[0];
    std::strcpy(a.name, "Test");
    a.epoch = 2451545.0;
    a.semiMajorAxis = 2.5;
    a.eccentricity = 0.2;
    a.inclination = 0.1;
    a.argumentOfPerihelion = 0.5;
    a.ascendingNode = 1.5;
    a.meanAnomaly = 1.0;
    a.absoluteMagnitude = 7.0f;
    a.displaySize = 500.0f;
  }
  void TearDown() override {
    FreeRecords();
    g_displayedCometCount = 0;
    g_displayedAsteroidCount = 0;
  }
  CSkyModel model;
};

}  // namespace

TEST_F(CometAsteroidPositionTest, EmptyListsComputeNothing) {
  g_displayedCometCount = 0;
  g_displayedAsteroidCount = 0;
  model.UpdateCometPositions();
  model.UpdateAsteroidPositions();
  EXPECT_EQ(g_comets[0].sunDistance, 0.0);
  EXPECT_EQ(g_asteroids[0].magnitude, 0.0f);
  // Indices outside the arrays are ignored.
  g_displayedCometIndices[0] = 7;
  g_displayedCometCount = 1;
  model.UpdateCometPositions();
  EXPECT_EQ(g_comets[0].sunDistance, 0.0);
}

// At its perihelion time a comet lies at q in the direction Kepler gives; an
// asteroid at its epoch at its mean anomaly's place. The library's light time
// and UT-to-TT shift move them by well under 0.05 million km.
TEST_F(CometAsteroidPositionTest, PlacesFollowKepler) {
  g_displayedCometIndices[0] = 0;
  g_displayedCometIndices[1] = 1;
  g_displayedCometCount = 2;
  g_displayedAsteroidIndices[0] = 0;
  g_displayedAsteroidCount = 1;
  model.UpdateCometPositions();
  model.UpdateAsteroidPositions();
  for (int k = 0; k < 2; ++k) {
    const Vector3d expected = KeplerScene(0.5 / (1 - 0.7), 0.7, 0.3, 2.0, 1.0, 0.0);
    const Vector3d& p = g_comets[k].position;
    EXPECT_NEAR(p.x, expected.x, 0.05) << k;
    EXPECT_NEAR(p.y, expected.y, 0.05) << k;
    EXPECT_NEAR(p.z, expected.z, 0.05) << k;
    EXPECT_NEAR(g_comets[k].sunDistance, 0.5 * 149.597870691, 0.01) << k;
  }
  const Vector3d expected = KeplerScene(2.5, 0.2, 0.1, 1.5, 0.5, 1.0);
  const Vector3d& p = g_asteroids[0].position;
  EXPECT_NEAR(p.x, expected.x, 0.05);
  EXPECT_NEAR(p.y, expected.y, 0.05);
  EXPECT_NEAR(p.z, expected.z, 0.05);
  EXPECT_GT(g_asteroids[0].illumination, 0.5);
  EXPECT_GE(g_comets[0].rightAscension, 0.0);
  EXPECT_LT(g_comets[0].rightAscension, kTwoPi);
  EXPECT_NEAR(g_comets[0].apparentDiameter, std::atan(500.0 / (g_comets[0].cameraDistance * 2000000.0)), 1e-15);
}

// A comet's brightness ignores the phase: seen against the Sun or at
// opposition at equal distances, it has one magnitude.
TEST_F(CometAsteroidPositionTest, CometMagnitudeIgnoresPhase) {
  model.m_planetariumMode = false;
  CometRecord& c = g_comets[0];
  c.position = {0, 2 * 149.597870691, 0};
  model.m_cameraPosition = {0, 149.597870691, 0};  // opposition
  model.ComputePhaseAndMagnitude(2000);
  const float opposition = c.magnitude;
  model.m_cameraPosition = {0, 3 * 149.597870691, 0};  // behind the comet
  model.ComputePhaseAndMagnitude(2000);
  EXPECT_FLOAT_EQ(c.magnitude, opposition);
  EXPECT_NEAR(opposition, 8.0 + 5 * std::log10(2.0), 1e-4);
}

namespace {

struct CometReference {
  std::string name;
  double jdUT = 0, eastLongitude = 0, latitude = 0, elevation = 0, ra = 0, dec = 0;  // degrees
};

// data/comet_reference.txt: "name | jd lon lat elevation ra dec distance".
CometReference ReadCometReference() {
  CometReference r;
  FILE* f = std::fopen(NUVARINE_TEST_DATA "/comet_reference.txt", "r");
  if (!f) return r;
  char line[512];
  while (std::fgets(line, sizeof line, f)) {
    if (line[0] == '#') continue;
    const char* bar = std::strchr(line, '|');
    if (!bar) continue;
    r.name.assign(line, bar - line);
    while (!r.name.empty() && r.name.back() == ' ') r.name.pop_back();
    std::istringstream fields(bar + 1);
    fields.imbue(std::locale::classic());
    fields >> r.jdUT >> r.eastLongitude >> r.latitude >> r.elevation >> r.ra >> r.dec;
    if (!fields) r.name.clear();
  }
  std::fclose(f);
  return r;
}

}  // namespace

// A periodic comet carries the elements of its latest apparition, not of an
// old one: 12P/Pons-Brooks passes perihelion on 2024 April 21, and its place
// on 2024-04-01 is the one an independent ephemeris (the Swiss Ephemeris)
// gives for the same orbit.
TEST(ElementFiles, GeneratedPeriodicCometIsAtItsCurrentApparition) {
  const CometReference ref = ReadCometReference();
  ASSERT_EQ(ref.name, "12P/Pons-Brooks");
  CSkyModel model;
  model.m_installFolder = NUVARINE_INSTALL_DIR;
  ASSERT_TRUE(model.LoadPlanetLibrary());
  ASSERT_TRUE(model.LoadComets(NUVARINE_INSTALL_DIR));
  int index = -1;
  for (int i = 0; i < g_cometCount; ++i)
    if (std::strcmp(g_comets[i].name, ref.name.c_str()) == 0) index = i;
  ASSERT_GE(index, 0) << ref.name << " is not in the generated cometes.dat";
  const double april21 = 2460421.5;  // 2024-04-21 0h
  EXPECT_GE(g_comets[index].perihelionTime, april21 - 1.0);
  EXPECT_LE(g_comets[index].perihelionTime, april21 + 2.0);
  std::printf("12P perihelion: JD %.4f (2024-04-%.2f TT)\n", g_comets[index].perihelionTime,
              21.0 + g_comets[index].perihelionTime - april21);

  model.m_planetariumMode = true;  // the place seen from the observer, not from the 3D camera
  model.m_julianDate = ref.jdUT;
  model.m_observerLongitude = -ref.eastLongitude * kDegToRad;  // west positive
  model.m_observerLatitude = ref.latitude * kDegToRad;
  model.m_observerElevation = ref.elevation;
  model.m_pressure = 0.0;
  g_displayedCometIndices[0] = index;
  g_displayedCometCount = 1;
  model.UpdateCometPositions();
  g_displayedCometCount = 0;
  const CometRecord& c = g_comets[index];
  const double dRa = std::remainder(c.rightAscension - ref.ra * kDegToRad, kTwoPi) * std::cos(ref.dec * kDegToRad);
  const double dDec = c.declination - ref.dec * kDegToRad;
  const double arcmin = std::hypot(dRa, dDec) / kDegToRad * 60.0;
  std::printf("12P on 2024-04-01: RA %.5f dec %.5f, %.3f' from the reference\n", c.rightAscension / kDegToRad,
              c.declination / kDegToRad, arcmin);
  EXPECT_LT(arcmin, 1.0);
  FreeRecords();
}
