// Loaders of the star tiles and of the bright-star and deep-sky zones, on
// small files written by the tests themselves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "Catalogues.h"
#include "SkyMath.h"

namespace {

using Bytes = std::string;

void PutI32(Bytes& b, size_t off, int32_t v) {
  for (int i = 0; i < 4; ++i) b[off + i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}
void PutU16(Bytes& b, size_t off, uint16_t v) {
  b[off] = static_cast<char>(v & 0xFF);
  b[off + 1] = static_cast<char>(v >> 8);
}
void PutF32(Bytes& b, size_t off, float v) {
  int32_t u;
  std::memcpy(&u, &v, 4);
  PutI32(b, off, u);
}
void PutText(Bytes& b, size_t off, const std::string& s) { b.replace(off, s.size(), s); }

class CatalogueFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = ::testing::TempDir() + "nvcatXXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_dir = tmpl;
    for (const char* sub : {"/sky2000", "/tycho2-1", "/tycho2-2", "/bsc5", "/sac"})
      mkdir((m_dir + sub).c_str(), 0755);
    g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
    g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
    g_brightStars = new BrightStar[kBrightStarCapacity];
    g_deepSkyObjects = new DeepSkyObject[kDeepSkyCapacity];
    g_sky2000StarCount = g_tycho2StarCount = g_brightStarCount = g_deepSkyCount = 0;
    std::memset(g_brightStarZones, 0, sizeof g_brightStarZones);
    std::memset(g_deepSkyZones, 0, sizeof g_deepSkyZones);
  }
  void TearDown() override {
    delete[] g_sky2000Stars;
    delete[] g_tycho2Stars;
    delete[] g_brightStars;
    delete[] g_deepSkyObjects;
    g_sky2000Stars = nullptr;
    g_tycho2Stars = nullptr;
    g_brightStars = nullptr;
    g_deepSkyObjects = nullptr;
    std::system(("rm -rf '" + m_dir + "'").c_str());
  }
  void Write(const std::string& rel, const Bytes& data) {
    std::ofstream(m_dir + rel, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
  }
  CString Folder() const { return CString(m_dir); }
  std::string m_dir;
};

Bytes Sky2000Record(int32_t ra, int32_t dec, int16_t mag) {
  Bytes r(40, '\0');
  PutI32(r, 0, ra);
  PutI32(r, 4, dec);
  PutU16(r, 8, static_cast<uint16_t>(mag));
  PutU16(r, 10, static_cast<uint16_t>(-12));
  PutU16(r, 12, 150);
  PutText(r, 20, "A1VBD");
  PutI32(r, 28, -1612345);
  PutI32(r, 32, 48915);
  PutI32(r, 36, 151881);
  return r;
}

Bytes BrightRecord(int32_t hr, int32_t raDeg5, int32_t decDeg5) {
  Bytes r(52, '\0');
  PutI32(r, 0, 48915);
  PutI32(r, 4, hr);
  PutI32(r, 8, raDeg5);
  PutI32(r, 12, decDeg5);
  PutU16(r, 20, static_cast<uint16_t>(-146));
  PutU16(r, 22, 0);
  PutText(r, 24, "Mu ");
  r[27] = static_cast<char>(9);
  PutText(r, 28, "CMa");
  PutText(r, 32, "  A1V+DA");
  return r;
}

Bytes DeepSkyRecord(const std::string& name, float mag, uint8_t pa) {
  Bytes r(132, ' ');
  PutF32(r, 0, 10.5f);
  PutF32(r, 4, 41.25f);
  PutF32(r, 8, mag);
  PutF32(r, 12, 79.9f);
  PutF32(r, 16, 60.0f);
  PutF32(r, 20, 30.0f);
  r[24] = static_cast<char>(pa);
  r[25] = 0;
  PutText(r, 26, name.substr(0, 18));
  PutText(r, 44, "NGC 224;UGC 454XYZW");
  PutText(r, 63, " GxZ");
  PutText(r, 67, "AndQ");
  PutText(r, 122, "SA(s)b    ");
  return r;
}

}  // namespace

TEST_F(CatalogueFolder, StarTileDecodingAndTrailingPartialRecord) {
  // One whole Sky2000 record followed by 17 stray bytes: only the record counts.
  Bytes tile = Sky2000Record(10127228, -1671612, -146) + Bytes(17, '\x7F');
  Write("/sky2000/150.dat", tile);
  ASSERT_TRUE(LoadSky2000Tile(Folder(), 150));
  ASSERT_EQ(g_sky2000StarCount, 1);
  const Sky2000Star& s = g_sky2000Stars[0];
  EXPECT_FLOAT_EQ(s.rightAscension, static_cast<float>(10127228 * 1.7453292855407199e-07));
  EXPECT_FLOAT_EQ(s.declination, static_cast<float>(-1671612 * 1.7453292855407199e-07));
  EXPECT_FLOAT_EQ(s.magnitude, -1.46f);
  EXPECT_EQ(s.colorIndex, -12);
  EXPECT_EQ(s.companionMagnitudeDifference, 150);
  EXPECT_STREQ(s.spectralClass, "A1V");
  EXPECT_STREQ(s.dmPrefix, "BD");
  EXPECT_EQ(s.dmNumber, -1612345);
  EXPECT_EQ(s.hdNumber, 48915);
  EXPECT_EQ(s.saoNumber, 151881);
  EXPECT_EQ(s.tile, 150);  // tile numbers above 127 stay themselves

  // Tycho-2: proper-motion codes split over two fields, 12-bit magnitudes.
  Bytes t(20, '\0');
  PutI32(t, 0, 1800000000 - 1);
  PutI32(t, 4, -450000000);
  const uint32_t pmRa = 100000 + 12345, pmDec = 100000 - 98765;  // +1234.5 and -9876.5 mas/yr
  PutU16(t, 8, pmRa & 0xFFFF);
  PutU16(t, 10, pmDec & 0xFFFF);
  PutU16(t, 16, static_cast<uint16_t>((1050 + 200) | (pmRa >> 16) << 12));
  PutU16(t, 18, static_cast<uint16_t>((4095) | (pmDec >> 16) << 12));
  Write("/tycho2-1/746.dat", t + t.substr(0, 19));
  ASSERT_TRUE(LoadTycho2Part1Tile(Folder(), 746));
  ASSERT_EQ(g_tycho2StarCount, 1);
  const Tycho2Star& y = g_tycho2Stars[0];
  EXPECT_NEAR(y.rightAscension, kTwoPi, 1e-6);
  EXPECT_NEAR(y.declination, -kPi / 2, 1e-6);
  EXPECT_FLOAT_EQ(y.btMagnitude, 10.5f);
  EXPECT_FLOAT_EQ(y.vtMagnitude, 38.95f);
  EXPECT_FLOAT_EQ(y.pmRightAscension, 1234.5f);
  EXPECT_FLOAT_EQ(y.pmDeclination, -9876.5f);
  EXPECT_EQ(y.tile, 746);
}

TEST_F(CatalogueFolder, StarTileFailuresEmptyFilesAndFullArrays) {
  Write("/sky2000/001.dat", "");
  EXPECT_TRUE(LoadSky2000Tile(Folder(), 1));  // empty file: read, no star
  EXPECT_EQ(g_sky2000StarCount, 0);
  EXPECT_FALSE(LoadSky2000Tile(Folder(), 2));  // missing file
  EXPECT_FALSE(LoadTycho2Part2Tile(Folder(), 1));  // second half not allocated
  EXPECT_EQ(g_tycho2Part2StarCount, 0);

  // Three stars offered, room for two: the array stops at its limit.
  Write("/sky2000/003.dat", Sky2000Record(1, 2, 300) + Sky2000Record(3, 4, 400) + Sky2000Record(5, 6, 500));
  g_sky2000StarCount = kSky2000StarLimit - 2;
  EXPECT_TRUE(LoadSky2000Tile(Folder(), 3));
  EXPECT_EQ(g_sky2000StarCount, kSky2000StarLimit);
  EXPECT_FLOAT_EQ(g_sky2000Stars[kSky2000StarLimit - 1].magnitude, 4.0f);
  EXPECT_TRUE(LoadSky2000Tile(Folder(), 3));  // a full array loads nothing more
  EXPECT_EQ(g_sky2000StarCount, kSky2000StarLimit);
}

TEST_F(CatalogueFolder, BrightStarZonesRowsAndCapacity) {
  // Zone 1: two stars; zone 2: empty; zone 3: one star and a partial record.
  Write("/bsc5/01.dat", BrightRecord(2491, 10127228, -1671612) + BrightRecord(2492, 10000000, -1000000));
  Write("/bsc5/02.dat", "");
  Write("/bsc5/03.dat", BrightRecord(7001, 27923, 3878369) + Bytes(51, '\x01'));
  for (int z = 1; z <= 3; ++z) EXPECT_TRUE(LoadBrightStarZone(Folder(), z));
  EXPECT_FALSE(LoadBrightStarZone(Folder(), 4));
  ASSERT_EQ(g_brightStarCount, 3);
  const BrightStar& s = g_brightStars[0];
  EXPECT_EQ(s.hdNumber, 48915);
  EXPECT_EQ(s.bscNumber, 2491);
  EXPECT_FLOAT_EQ(s.magnitude, -1.46f);
  EXPECT_STREQ(s.bayer, "Mu ");
  EXPECT_EQ(s.flamsteed, 9);
  EXPECT_STREQ(s.constellation, "CMa");
  EXPECT_STREQ(s.spectralType, "  A1V+DA");
  EXPECT_EQ(g_brightStarZones[0].endIndex, 0);
  EXPECT_EQ(g_brightStarZones[1].endIndex, 2);
  double ra1 = static_cast<float>(10127228 * 1.7453292855407199e-07), ra2 = static_cast<float>(10000000 * 1.7453292855407199e-07);
  EXPECT_DOUBLE_EQ(g_brightStarZones[1].rightAscension, (ra1 + ra2) / 2);
  // An empty zone: middle 5e49 and 0, the end index of the zone before.
  EXPECT_DOUBLE_EQ(g_brightStarZones[2].rightAscension, 5e49);
  EXPECT_DOUBLE_EQ(g_brightStarZones[2].declination, 0.0);
  EXPECT_EQ(g_brightStarZones[2].endIndex, 2);
  EXPECT_EQ(g_brightStarZones[3].endIndex, 3);
  EXPECT_EQ(g_brightStarZones[4].endIndex, 0);  // unread zone keeps its row

  g_brightStarCount = kBrightStarCapacity - 1;
  EXPECT_TRUE(LoadBrightStarZone(Folder(), 1));
  EXPECT_EQ(g_brightStarCount, kBrightStarCapacity);
  EXPECT_EQ(g_brightStarZones[1].endIndex, kBrightStarCapacity);
}

TEST_F(CatalogueFolder, DeepSkyNamesMarkersAndCapacity) {
  struct Case {
    std::string field;
    const char* name;
  } cases[] = {
      {"ABCDEFGHIJKLMNOPQR", "ABCDEFGHIJKLMNOPQ"},  // 18 characters keep 17
      {"NGC 224           ", "NGC 224"},
      {"Sh2-155 Cave Neb  ", "Sh2-155 Cave Neb"},  // 16 characters, two blanks
      {"ABCDEFGHIJKLMNOPQ ", "ABCDEFGHIJKLMNOPQ"},  // 17th character kept
      {"M 31  two words   ", "M 31  two words"},
  };
  Bytes zone;
  for (auto& c : cases) zone += DeepSkyRecord(c.field, 3.4f, 45);
  zone += DeepSkyRecord("Mag79", 79.0f, 255) + DeepSkyRecord("Mag789", 78.9f, 254);
  Write("/sac/01.dat", zone + Bytes(131, 'x'));
  ASSERT_TRUE(LoadDeepSkyZone(Folder(), 1));
  ASSERT_EQ(g_deepSkyCount, 7);
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_STREQ(g_deepSkyObjects[i].name, cases[i].name) << i;
  const DeepSkyObject& o = g_deepSkyObjects[0];
  EXPECT_STREQ(o.otherName, "NGC 224;UGC 454XYZ");
  EXPECT_STREQ(o.objectType, " Gx");
  EXPECT_STREQ(o.constellation, "And");
  EXPECT_STREQ(o.objectClass, "SA(s)b    ");
  EXPECT_NEAR(o.rightAscension, 10.5 * kDegToRad, 1e-7);
  EXPECT_NEAR(o.largeSize, 60.0 * 0.00029088821611367166, 1e-9);
  EXPECT_EQ(o.positionAngle, 45);
  EXPECT_FLOAT_EQ(g_deepSkyObjects[5].magnitude, 79.0f);
  EXPECT_EQ(g_deepSkyObjects[5].positionAngle, 255);
  EXPECT_FLOAT_EQ(g_deepSkyObjects[6].magnitude, 78.9f);
  EXPECT_EQ(g_deepSkyObjects[6].positionAngle, 254);
  EXPECT_EQ(g_deepSkyZones[1].endIndex, 7);

  g_deepSkyCount = kDeepSkyCapacity - 3;
  EXPECT_TRUE(LoadDeepSkyZone(Folder(), 1));
  EXPECT_EQ(g_deepSkyCount, kDeepSkyCapacity);
  EXPECT_FALSE(LoadDeepSkyZone(Folder(), 2));
}

// A zone holding a record outside the format's ranges (a place off the sky,
// a size or magnitude that is not a number) is damaged or no zone file at
// all: it is refused whole, adds nothing, and the reason names the record.
TEST_F(CatalogueFolder, DeepSkyZonesWithRecordsOutsideTheFormatAreRefused) {
  std::ifstream in(NUVARINE_TEST_DATA "/hostile/deepsky-zone-huge-angle-01.dat", std::ios::binary);
  const Bytes hostile((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(hostile.size(), 132u);
  const float nan = std::nanf(""), inf = HUGE_VALF;
  struct Damage {
    size_t offset;
    float value;
  };
  const Damage damages[] = {{0, nan},    {0, 1e30f}, {0, -5.0f}, {4, nan},  {4, 91.0f}, {4, -inf}, {16, inf},
                            {20, nan},   {16, 1e9f}, {16, -3.0f}, {8, nan}, {8, inf},   {12, nan}, {8, 1e6f}};
  const Bytes good = DeepSkyRecord("NGC 224", 3.4f, 35);
  Write("/sac/01.dat", good);
  ASSERT_TRUE(LoadDeepSkyZone(Folder(), 1));
  ASSERT_EQ(g_deepSkyCount, 1);
  for (const Damage& d : damages) {
    Bytes bad = DeepSkyRecord("Damaged", 5.0f, 10);
    PutF32(bad, d.offset, d.value);
    Write("/sac/02.dat", good + bad + good);
    std::string problem;
    EXPECT_FALSE(LoadDeepSkyZone(Folder(), 2, &problem)) << d.offset << " " << d.value;
    EXPECT_NE(problem.find("record 2 "), std::string::npos) << problem;
    EXPECT_EQ(g_deepSkyCount, 1) << "a refused zone adds nothing";
    EXPECT_EQ(g_deepSkyZones[2].endIndex, 0) << "a refused zone keeps its row";
  }
  // The sanitizer's fixture alone is refused too.
  Write("/sac/03.dat", hostile);
  std::string problem;
  EXPECT_FALSE(LoadDeepSkyZone(Folder(), 3, &problem));
  EXPECT_NE(problem.find("record 1 "), std::string::npos) << problem;
  EXPECT_EQ(g_deepSkyCount, 1);
}

// Random bytes in place of a zone were drawn as thousands of "stars"; an
// empty zone vanished silently. The first is refused, the second read as
// designed (an empty zone) but named; both say what was wrong.
TEST_F(CatalogueFolder, RandomEmptyAndCutZoneFilesAreNamed) {
  Bytes random(52 * 400, '\0');
  uint32_t x = 12345;
  for (char& c : random) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  Write("/bsc5/01.dat", random);
  Write("/sac/01.dat", random.substr(0, 132 * 100));
  std::string problem;
  EXPECT_FALSE(LoadBrightStarZone(Folder(), 1, &problem));
  EXPECT_NE(problem.find("outside the catalogue's ranges"), std::string::npos) << problem;
  EXPECT_FALSE(LoadDeepSkyZone(Folder(), 1, &problem));
  EXPECT_NE(problem.find("outside the catalogue's ranges"), std::string::npos) << problem;
  EXPECT_EQ(g_brightStarCount, 0);
  EXPECT_EQ(g_deepSkyCount, 0);

  // Bright-star places and magnitudes outside the format.
  struct Star {
    int32_t ra, dec;
    int16_t magnitude;
  } stars[] = {{-1, 0, 100}, {36000100, 0, 100}, {0, 9000100, 100}, {0, -9000100, 100}, {100, 100, 3100},
               {100, 100, -600}};
  for (const Star& st : stars) {
    Bytes bad = BrightRecord(1, st.ra, st.dec);
    PutU16(bad, 20, static_cast<uint16_t>(st.magnitude));
    Write("/bsc5/02.dat", BrightRecord(2, 100, 100) + bad);
    EXPECT_FALSE(LoadBrightStarZone(Folder(), 2, &problem)) << st.ra << " " << st.dec << " " << st.magnitude;
    EXPECT_EQ(g_brightStarCount, 0);
  }
  // The edges of the sky are inside.
  Write("/bsc5/02.dat", BrightRecord(2, 0, 9000000) + BrightRecord(3, 36000000, -9000000));
  problem.clear();
  EXPECT_TRUE(LoadBrightStarZone(Folder(), 2, &problem));
  EXPECT_EQ(problem, "");
  EXPECT_EQ(g_brightStarCount, 2);

  Write("/bsc5/03.dat", "");
  EXPECT_TRUE(LoadBrightStarZone(Folder(), 3, &problem));
  EXPECT_EQ(problem, "empty");
  Write("/bsc5/04.dat", BrightRecord(4, 100, 100) + Bytes(20, '\0'));
  EXPECT_TRUE(LoadBrightStarZone(Folder(), 4, &problem));
  EXPECT_EQ(problem, "cut short");
  EXPECT_EQ(g_brightStarCount, 3);
  EXPECT_FALSE(LoadBrightStarZone(Folder(), 5, &problem));
  EXPECT_EQ(problem, "missing");
}

// A 1 GiB zone (sparse: it takes no disk) is refused at once without being
// read, and a named pipe in a zone's place neither blocks nor is read.
TEST_F(CatalogueFolder, HugeZonesAndNamedPipesAreRefusedAtOnce) {
  for (const char* rel : {"/bsc5/01.dat", "/sac/01.dat", "/sky2000/001.dat"}) {
    Write(rel, "");
    ASSERT_EQ(truncate((m_dir + rel).c_str(), 1ll << 30), 0);
  }
  std::string problem;
  EXPECT_FALSE(LoadBrightStarZone(Folder(), 1, &problem));
  EXPECT_EQ(problem, "larger than the catalogue can hold");
  EXPECT_FALSE(LoadDeepSkyZone(Folder(), 1, &problem));
  EXPECT_EQ(problem, "larger than the catalogue can hold");
  EXPECT_FALSE(LoadSky2000Tile(Folder(), 1));
  EXPECT_EQ(g_brightStarCount + g_deepSkyCount + g_sky2000StarCount, 0);

  // Nobody ever writes to these pipes: an open that waited would hang here.
  for (const char* rel : {"/bsc5/02.dat", "/sac/02.dat", "/tycho2-1/002.dat"})
    ASSERT_EQ(mkfifo((m_dir + rel).c_str(), 0644), 0);
  EXPECT_FALSE(LoadBrightStarZone(Folder(), 2, &problem));
  EXPECT_EQ(problem, "not a regular file");
  EXPECT_FALSE(LoadDeepSkyZone(Folder(), 2, &problem));
  EXPECT_EQ(problem, "not a regular file");
  EXPECT_FALSE(LoadTycho2Part1Tile(Folder(), 2));
}

TEST(TileCentres, LayoutAndFinders) {
  InitTileCentres();
  // First tile of each band: right ascension half a tile, the band's middle.
  const int skyStarts[] = {1, 25, 47, 66, 81, 90, 93, 117, 139, 158, 173, 182};
  for (int i = 0; i < 12; ++i) {
    double dec = (7.5 + 15.0 * (i % 6)) * (i < 6 ? 1 : -1) * kDegToRad;
    EXPECT_NEAR(g_sky2000Tiles[skyStarts[i]].declination, dec, 1e-12) << skyStarts[i];
  }
  EXPECT_NEAR(g_sky2000Tiles[1].rightAscension, kTwoPi / 48, 1e-12);
  EXPECT_NEAR(g_sky2000Tiles[184].rightAscension, 2.5 * kTwoPi / 3, 1e-12);
  EXPECT_NEAR(g_tycho2Tiles[370].declination, 86.25 * kDegToRad, 1e-12);
  EXPECT_NEAR(g_tycho2Tiles[373 + 49].declination, -11.25 * kDegToRad, 1e-12);
  EXPECT_NEAR(g_tycho2Tiles[746].rightAscension, 3.5 * kTwoPi / 4, 1e-12);

  for (int t = 1; t <= kSky2000TileCount; ++t)
    EXPECT_EQ(FindSky2000Tile(g_sky2000Tiles[t].rightAscension, g_sky2000Tiles[t].declination), t);
  for (int t = 1; t <= kTycho2TileCount; ++t)
    EXPECT_EQ(FindTycho2Tile(g_tycho2Tiles[t].rightAscension, g_tycho2Tiles[t].declination), t);
  // +80 degrees, 1 hour: the band of three tiles, although no cosine factor is used.
  EXPECT_EQ(FindSky2000Tile(kPi / 12, 80 * kDegToRad), 90);
  // On the equator both bands qualify; equal distances keep the lower number.
  EXPECT_EQ(FindSky2000Tile(g_sky2000Tiles[5].rightAscension, 0.0), 5);
  // On a band border slightly off a centre's meridian, the nearer centre wins.
  EXPECT_EQ(FindSky2000Tile(0.01, 15 * kDegToRad), 1);
  // Right ascension just below 2 pi folds onto the last tile of the band.
  EXPECT_EQ(FindSky2000Tile(kTwoPi - 1e-6, 10 * kDegToRad), 24);
  EXPECT_EQ(FindTycho2Tile(kTwoPi - 1e-6, -89 * kDegToRad), 746);
}
