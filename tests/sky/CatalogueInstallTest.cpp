// Checks over the generated install folder: file sets, capacities, zones and
// well-known stars and objects. Skipped when the folder was not generated.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "Catalogues.h"
#include "NumberFormat.h"
#include "SkyMath.h"

namespace {

const std::string kInstall = NUVARINE_INSTALL_DIR;

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

#define REQUIRE_INSTALL_DATA()                                                    \
  if (!Exists(kInstall + "/bsc5/01.dat") || !Exists(kInstall + "/sac/50.dat")) \
  GTEST_SKIP() << "install folder not generated"

double Hms(double h, double m, double s) { return (h + m / 60 + s / 3600) * 15 * kDegToRad; }
double Dms(double sign, double d, double m, double s) { return sign * (d + m / 60 + s / 3600) * kDegToRad; }
double ArcsecApart(double ra1, double dec1, double ra2, double dec2) {
  return AngularSeparation(ra1, ra2, dec1, dec2) / kDegToRad * 3600;
}

class InstallFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    g_brightStars = new BrightStar[kBrightStarCapacity];
    g_deepSkyObjects = new DeepSkyObject[kDeepSkyCapacity];
    g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
    g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
    g_tycho2Part2Stars = new Tycho2Star[kTycho2StarLimit + 1];
    g_brightStarCount = g_deepSkyCount = g_sky2000StarCount = g_tycho2StarCount = g_tycho2Part2StarCount = 0;
    std::memset(g_brightStarZones, 0, sizeof g_brightStarZones);
    std::memset(g_deepSkyZones, 0, sizeof g_deepSkyZones);
    InitTileCentres();
  }
  void TearDown() override {
    delete[] g_brightStars;
    delete[] g_deepSkyObjects;
    delete[] g_sky2000Stars;
    delete[] g_tycho2Stars;
    delete[] g_tycho2Part2Stars;
    g_brightStars = nullptr;
    g_deepSkyObjects = nullptr;
    g_sky2000Stars = nullptr;
    g_tycho2Stars = g_tycho2Part2Stars = nullptr;
  }
  void LoadZones() {
    for (int z = 1; z <= kZoneCount; ++z) {
      ASSERT_TRUE(LoadBrightStarZone(CString(kInstall), z)) << z;
      ASSERT_TRUE(LoadDeepSkyZone(CString(kInstall), z)) << z;
    }
  }
  const DeepSkyObject* FindObject(const char* name) {
    for (int i = 0; i < g_deepSkyCount; ++i)
      if (std::strcmp(g_deepSkyObjects[i].name, name) == 0) return &g_deepSkyObjects[i];
    return nullptr;
  }
};

}  // namespace

TEST_F(InstallFolder, EveryTileAndZoneFileIsPresentAndWithinCapacity) {
  REQUIRE_INSTALL_DATA();
  for (int t = 1; t <= kSky2000TileCount; ++t) {
    g_sky2000StarCount = 0;
    ASSERT_TRUE(LoadSky2000Tile(CString(kInstall), t)) << t;
    EXPECT_LT(g_sky2000StarCount, kSky2000StarLimit);
    // Each star lies in the tile the finder gives for its place.
    int wrong = 0;
    for (int i = 0; i < g_sky2000StarCount; ++i)
      wrong += FindSky2000Tile(g_sky2000Stars[i].rightAscension, g_sky2000Stars[i].declination) != t;
    EXPECT_EQ(wrong, 0) << "tile " << t;
  }
  for (int t = 1; t <= kTycho2TileCount; ++t) {
    g_tycho2StarCount = g_tycho2Part2StarCount = 0;
    ASSERT_TRUE(LoadTycho2Part1Tile(CString(kInstall), t)) << t;
    ASSERT_TRUE(LoadTycho2Part2Tile(CString(kInstall), t)) << t;
    EXPECT_GT(g_tycho2StarCount + g_tycho2Part2StarCount, 0);
    int wrong = 0;
    for (int i = 0; i < g_tycho2StarCount; ++i)
      wrong += FindTycho2Tile(g_tycho2Stars[i].rightAscension, g_tycho2Stars[i].declination) != t;
    EXPECT_EQ(wrong, 0) << "tile " << t;
  }
  EXPECT_FALSE(Exists(kInstall + "/sky2000/185.dat"));
  EXPECT_FALSE(Exists(kInstall + "/tycho2-2/747.dat"));
  for (const char* dir : {"sky2000", "tycho2-1", "tycho2-2", "bsc5", "sac"})
    EXPECT_TRUE(Exists(kInstall + "/" + dir + "/README")) << dir;

  LoadZones();
  EXPECT_GT(g_brightStarCount, 9000);
  EXPECT_LE(g_brightStarCount, kBrightStarCapacity);
  EXPECT_GT(g_deepSkyCount, 10000);
  EXPECT_LE(g_deepSkyCount, kDeepSkyCapacity);
  EXPECT_EQ(g_brightStarZones[50].endIndex, g_brightStarCount);
  EXPECT_EQ(g_deepSkyZones[50].endIndex, g_deepSkyCount);
  // Compact zones that do not straddle right ascension 0: every member lies
  // within a quarter turn of its zone's middle.
  for (int z = 1; z <= kZoneCount; ++z) {
    for (int i = g_brightStarZones[z - 1].endIndex; i < g_brightStarZones[z].endIndex; ++i) {
      EXPECT_LT(std::fabs(g_brightStars[i].rightAscension - g_brightStarZones[z].rightAscension), kPi / 4) << z;
      EXPECT_LT(std::fabs(g_brightStars[i].declination - g_brightStarZones[z].declination), 20 * kDegToRad) << z;
    }
    for (int i = g_deepSkyZones[z - 1].endIndex; i < g_deepSkyZones[z].endIndex; ++i)
      EXPECT_LT(std::fabs(g_deepSkyObjects[i].rightAscension - g_deepSkyZones[z].rightAscension), kPi / 4) << z;
  }
}

TEST_F(InstallFolder, FamousStarsInEveryCatalogue) {
  REQUIRE_INSTALL_DATA();
  LoadZones();
  struct Famous {
    int hr, hd, sao;
    double ra, dec, v;
    const char* bayer;
    const char* constellation;
  } stars[] = {
      {2491, 48915, 151881, Hms(6, 45, 8.917), Dms(-1, 16, 42, 58.02), -1.46, "Alp", "CMa"},
      {7001, 172167, 67174, Hms(18, 36, 56.336), Dms(1, 38, 47, 1.29), 0.03, "Alp", "Lyr"},
      {424, 8890, 308, Hms(2, 31, 49.09), Dms(1, 89, 15, 50.8), 1.98, "Alp", "UMi"},
      {2061, 39801, 113271, Hms(5, 55, 10.305), Dms(1, 7, 24, 25.43), 0.42, "Alp", "Ori"},
  };
  for (const Famous& f : stars) {
    SCOPED_TRACE(f.hr);
    const BrightStar* b = nullptr;
    for (int i = 0; i < g_brightStarCount; ++i)
      if (g_brightStars[i].bscNumber == f.hr) b = &g_brightStars[i];
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->hdNumber, f.hd);
    EXPECT_LT(ArcsecApart(b->rightAscension, b->declination, f.ra, f.dec), 1.0);
    EXPECT_NEAR(b->magnitude, f.v, 0.06);
    EXPECT_STREQ(b->bayer, f.bayer);
    EXPECT_STREQ(b->constellation, f.constellation);

    // The Sky2000 tile around the star holds it with its catalogue numbers.
    g_sky2000StarCount = 0;
    int tile = FindSky2000Tile(f.ra, f.dec);
    ASSERT_TRUE(LoadSky2000Tile(CString(kInstall), tile));
    const Sky2000Star* s = nullptr;
    for (int i = 0; i < g_sky2000StarCount; ++i)
      if (ArcsecApart(g_sky2000Stars[i].rightAscension, g_sky2000Stars[i].declination, f.ra, f.dec) < 1.0)
        s = &g_sky2000Stars[i];
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->hdNumber, f.hd);
    EXPECT_EQ(s->saoNumber, f.sao);
    EXPECT_NEAR(s->magnitude, f.v, 0.06);

    // And so does the first Tycho-2 half, with its proper motion.
    g_tycho2StarCount = 0;
    ASSERT_TRUE(LoadTycho2Part1Tile(CString(kInstall), FindTycho2Tile(f.ra, f.dec)));
    const Tycho2Star* t = nullptr;
    for (int i = 0; i < g_tycho2StarCount; ++i)
      if (ArcsecApart(g_tycho2Stars[i].rightAscension, g_tycho2Stars[i].declination, f.ra, f.dec) < 1.0)
        t = &g_tycho2Stars[i];
    ASSERT_NE(t, nullptr);
    // Tycho magnitudes by the standard relations from V and B-V.
    const double btvt = b->colorIndex / 100.0 / 0.850;
    EXPECT_NEAR(t->vtMagnitude, b->magnitude + 0.090 * btvt, 0.011);
    EXPECT_NEAR(t->btMagnitude - t->vtMagnitude, btvt, 0.011);
  }
  // Bayer letters spelled as the Greek-letter name table: blank-padded short
  // names and "Khi" for chi; Flamsteed numbers alongside.
  struct Letter {
    int hr;
    const char* bayer;
    int flamsteed;
  } letters[] = {{8316, "Mu ", 0}, {4518, "Khi", 63}, {7564, "Khi", 0}, {4301, "Alp", 50}, {5054, "Zet", 79}};
  for (const Letter& l : letters) {
    const BrightStar* b = nullptr;
    for (int i = 0; i < g_brightStarCount; ++i)
      if (g_brightStars[i].bscNumber == l.hr) b = &g_brightStars[i];
    ASSERT_NE(b, nullptr) << l.hr;
    EXPECT_STREQ(b->bayer, l.bayer) << l.hr;
    EXPECT_EQ(b->flamsteed, l.flamsteed) << l.hr;
  }
  // Sirius' proper motion (Hipparcos: -546.01, -1223.07 mas/yr).
  g_tycho2StarCount = 0;
  ASSERT_TRUE(LoadTycho2Part1Tile(CString(kInstall), FindTycho2Tile(stars[0].ra, stars[0].dec)));
  bool found = false;
  for (int i = 0; i < g_tycho2StarCount; ++i)
    if (ArcsecApart(g_tycho2Stars[i].rightAscension, g_tycho2Stars[i].declination, stars[0].ra, stars[0].dec) < 1.0) {
      EXPECT_NEAR(g_tycho2Stars[i].pmRightAscension, -546.0, 0.1);
      EXPECT_NEAR(g_tycho2Stars[i].pmDeclination, -1223.1, 0.1);
      found = true;
    }
  EXPECT_TRUE(found);
}

TEST_F(InstallFolder, MessierObjectsTypesAndConstellations) {
  REQUIRE_INSTALL_DATA();
  LoadZones();
  struct Famous {
    const char* name;
    const char* type;
    const char* constellation;
    double ra, dec;
  } objects[] = {
      {"M 31", " Gx", "And", Hms(0, 42, 44.3), Dms(1, 41, 16, 9)},
      {"M 42", "Neb", "Ori", Hms(5, 35, 17.3), Dms(-1, 5, 23, 28)},
      {"M 45", " Oc", "Tau", Hms(3, 47, 0), Dms(1, 24, 7, 0)},
      {"M 13", " Gb", "Her", Hms(16, 41, 41.6), Dms(1, 36, 27, 41)},
      {"M 57", " Pl", "Lyr", Hms(18, 53, 35.1), Dms(1, 33, 1, 45)},
  };
  for (const Famous& f : objects) {
    SCOPED_TRACE(f.name);
    const DeepSkyObject* o = FindObject(f.name);
    ASSERT_NE(o, nullptr);
    EXPECT_STREQ(o->objectType, f.type);
    EXPECT_STREQ(o->constellation, f.constellation);
    EXPECT_LT(ArcsecApart(o->rightAscension, o->declination, f.ra, f.dec), 120.0);
    EXPECT_LT(o->magnitude, 79.0f);
  }
  EXPECT_NEAR(FindObject("M 31")->largeSize, 3.1517 * kDegToRad, 1e-3);
}
