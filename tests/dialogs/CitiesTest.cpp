// The cities file: both layouts byte for byte, names kept whole, saves that
// never damage the old file, the capacity, lookups ignoring case, and the
// file the install folder ships with.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "Cities.h"
#include "Locations.h"

namespace {

std::string Field(const std::string& text, size_t width) {
  std::string f = text;
  f.resize(width, '\0');
  return f;
}

// One record of the older layout (40 bytes, no seconds).
std::string OldRecord(const char* name, const char* lonDeg, const char* lonMin, const char* latDeg,
                      const char* latMin, const char* alt) {
  return Field(name, 20) + Field(lonDeg, 5) + Field(lonMin, 3) + Field(latDeg, 4) + Field(latMin, 2) + Field(alt, 6);
}

std::string NewRecord(const char* name, const char* lonDeg, const char* lonMin, const char* lonSec,
                      const char* latDeg, const char* latMin, const char* latSec, const char* alt) {
  return Field(name, 20) + Field(lonDeg, 5) + Field(lonMin, 3) + Field(lonSec, 3) + Field(latDeg, 4) +
         Field(latMin, 2) + Field(latSec, 3) + Field(alt, 6) + Field("0", 30);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

CityRecord Make(const char* name, int lonD, int lonM, int lonS, bool west, int latD, int latM, int latS, bool north,
                int alt) {
  CityRecord c;
  c.SetName(name);
  c.longitudeDegrees = lonD, c.longitudeMinutes = lonM, c.longitudeSeconds = lonS, c.west = west;
  c.latitudeDegrees = latD, c.latitudeMinutes = latM, c.latitudeSeconds = latS, c.north = north;
  c.altitude = alt;
  return c;
}

bool SameRecord(const CityRecord& a, const CityRecord& b) {
  return std::memcmp(a.name, b.name, 20) == 0 && a.longitudeDegrees == b.longitudeDegrees &&
         a.longitudeMinutes == b.longitudeMinutes && a.longitudeSeconds == b.longitudeSeconds &&
         a.latitudeDegrees == b.latitudeDegrees && a.latitudeMinutes == b.latitudeMinutes &&
         a.latitudeSeconds == b.latitudeSeconds && a.altitude == b.altitude && a.west == b.west && a.north == b.north;
}

TEST(CitiesFile, OldLayoutReadsWithSecondsZeroAndIsRewrittenAsLayout11) {
  const std::string old = OldRecord("Lyon", "-4", "50", " 45", "45", " 173") +
                          OldRecord("Quito", " 78", "31", "-0", "13", " 2850");
  std::vector<CityRecord> table(4);
  bool truncated = true;
  ASSERT_EQ(DecodeCities(old, table.data(), 4, truncated), 2);
  EXPECT_FALSE(truncated);
  EXPECT_STREQ(table[0].name, "Lyon");
  EXPECT_EQ(table[0].west, 0);
  EXPECT_EQ(table[0].north, 1);
  EXPECT_EQ(table[0].longitudeSeconds, 0);
  EXPECT_NEAR(table[0].Longitude(), -(4 + 50 / 60.0), 1e-12);
  EXPECT_NEAR(table[0].Latitude(), 45.75, 1e-12);
  EXPECT_EQ(table[0].altitude, 173);
  // "-0" is south of the equator: the sign lives in the text, not the number.
  EXPECT_EQ(table[1].north, 0);
  EXPECT_EQ(table[1].west, 1);
  EXPECT_NEAR(table[1].Latitude(), -13 / 60.0, 1e-12);

  const std::string expected = "1.1" + NewRecord("Lyon", "-4", "50", " 0", " 45", "45", " 0", " 173") +
                               NewRecord("Quito", " 78", "31", " 0", "-0", "13", " 0", " 2850");
  EXPECT_EQ(EncodeCities(table.data(), 2), expected);
}

TEST(CitiesFile, Layout11ReadsSecondsAndIgnoresAPartialLastRecord) {
  const std::string record = NewRecord("Sydney", "-151", "12", " 33", "-33", "52", " 4", " 58");
  const std::string bytes = "1.1" + record + record.substr(0, 50);
  std::vector<CityRecord> table(4);
  bool truncated = false;
  ASSERT_EQ(DecodeCities(bytes, table.data(), 4, truncated), 1);
  EXPECT_EQ(table[0].longitudeSeconds, 33);
  EXPECT_EQ(table[0].latitudeSeconds, 4);
  EXPECT_EQ(table[0].north, 0);
  EXPECT_EQ(table[0].west, 0);
  EXPECT_EQ(EncodeCities(table.data(), 1), "1.1" + record);
}

TEST(CitiesFile, NamesAreKeptUpToTheirFirstZeroByte) {
  struct Case {
    std::string field;  // the 20 name bytes (shorter: zero-padded)
    std::string name;
  } cases[] = {
      {"Paris 15", "Paris 15"},
      {"Orl\xE9", "Orl\xE9"},                          // "Orlé": an accented last letter
      {"St-Denis (R.)", "St-Denis (R.)"},             // punctuation
      {"Lyon   ", "Lyon"},                            // trailing blanks are padding
      {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOPQRS"},  // 20 bytes without zero: 19 characters
      {std::string("Ab\0junk", 7), "Ab"},             // bytes after the zero are not the name
  };
  for (const Case& c : cases) {
    std::string record = NewRecord("", " 1", "2", " 3", " 4", "5", " 6", " 7");
    record.replace(0, 20, Field(c.field, 20));
    std::vector<CityRecord> table(1);
    bool truncated = false;
    ASSERT_EQ(DecodeCities("1.1" + record, table.data(), 1, truncated), 1) << c.name;
    EXPECT_EQ(std::string(table[0].name), c.name);
    // Written and read again, the name is the same.
    const std::string again = EncodeCities(table.data(), 1);
    std::vector<CityRecord> back(1);
    ASSERT_EQ(DecodeCities(again, back.data(), 1, truncated), 1);
    EXPECT_TRUE(SameRecord(back[0], table[0])) << c.name;
  }
}

TEST(CitiesFile, WriteThenReadIsIdentityForNamesEndingInDigitsOrAccents) {
  const CityRecord cities[] = {
      Make("Paris 15", 2, 17, 30, false, 48, 50, 30, true, 35),
      Make("Saint-\xC9tienne", 4, 23, 24, false, 45, 26, 3, true, 516),
      Make("Bogot\xE1", 74, 4, 0, true, 4, 35, 53, true, 2640),
      Make("Dead Sea", 35, 30, 0, false, 31, 30, 0, true, -430),
      Make("Mount 60", 180, 0, 60, true, 90, 0, 0, false, 99999),
  };
  ASSERT_TRUE(WriteCitiesFile("villes.dat", cities, 5));
  std::vector<CityRecord> back(8);
  int count = 0;
  bool truncated = false;
  ASSERT_TRUE(ReadCitiesFile("villes.dat", back.data(), 8, count, truncated));
  ASSERT_EQ(count, 5);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(SameRecord(back[i], cities[i])) << cities[i].name;
  EXPECT_FALSE(std::filesystem::exists("villes.dat.tmp"));
}

TEST(CitiesFile, AFailedSaveLeavesTheOldFileWholeAndSaysSo) {
  const CityRecord one = Make("Lyon", 4, 50, 0, false, 45, 45, 0, true, 173);
  ASSERT_TRUE(WriteCitiesFile("villes.dat", &one, 1));
  const std::string before = ReadBytes("villes.dat");
  // The temporary file cannot be made: a folder stands in its place.
  std::filesystem::create_directory("villes.dat.tmp");
  g_cities[0] = one;
  g_cities[1] = Make("Nice", 7, 16, 0, false, 43, 42, 0, true, 10);
  g_cityCount = 2;
  g_citiesTruncated = false;
  EXPECT_FALSE(SaveCities());
  EXPECT_EQ(ReadBytes("villes.dat"), before);
  std::filesystem::remove("villes.dat.tmp");
  EXPECT_TRUE(SaveCities());
  EXPECT_EQ(ReadBytes("villes.dat").size(), 3u + 2 * kCityRecordSize);
}

TEST(CitiesFile, ASaveKilledAtAnyPointLeavesEitherTheOldOrTheNewFile) {
  std::vector<CityRecord> small(3, Make("Old", 1, 2, 3, true, 4, 5, 6, true, 7));
  ASSERT_TRUE(WriteCitiesFile("villes.dat", small.data(), 3));
  const std::string old = ReadBytes("villes.dat");
  std::vector<CityRecord> large(kCityCapacity, Make("New", 9, 8, 7, false, 6, 5, 4, false, 3));
  const std::string fresh = EncodeCities(large.data(), kCityCapacity);
  for (int delay : {0, 200, 1000, 3000, 8000, 20000}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) WriteCitiesFile("villes.dat", large.data(), kCityCapacity);
    }
    usleep(static_cast<useconds_t>(delay));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const std::string now = ReadBytes("villes.dat");
    EXPECT_TRUE(now == old || now == fresh) << "after " << delay << " us: " << now.size() << " bytes";
  }
}

TEST(CitiesFile, AFileLargerThanTheTableIsReadToCapacityAndNeverRewritten) {
  std::vector<CityRecord> many(kCityCapacity + 1, Make("X", 1, 0, 0, true, 1, 0, 0, true, 0));
  ASSERT_TRUE(WriteCitiesFile("villes.dat", many.data(), kCityCapacity + 1));
  const std::string before = ReadBytes("villes.dat");
  ASSERT_TRUE(LoadCities());
  EXPECT_EQ(g_cityCount, kCityCapacity);
  EXPECT_TRUE(g_citiesTruncated);
  EXPECT_FALSE(SaveCities());
  EXPECT_EQ(ReadBytes("villes.dat"), before);
}

TEST(CitiesFile, AMissingFileLeavesTheTableAsItWas) {
  std::filesystem::remove("villes.dat");
  g_cityCount = 1;
  g_cities[0] = Make("Kept", 0, 0, 0, true, 0, 0, 0, true, 0);
  EXPECT_FALSE(LoadCities());
  EXPECT_EQ(g_cityCount, 1);
}

TEST(CitiesFile, LookupsIgnoreCaseOfCodePage1252Letters) {
  g_cityCount = 3;
  g_citiesTruncated = false;
  g_cities[0] = Make("lyon", 0, 0, 0, true, 0, 0, 0, true, 0);
  g_cities[1] = Make("\xC9vry", 0, 0, 0, true, 0, 0, 0, true, 0);  // Évry
  g_cities[2] = Make("Lyon 2", 0, 0, 0, true, 0, 0, 0, true, 0);
  EXPECT_EQ(FindCity("LYON"), 0);
  EXPECT_EQ(FindCity("\xE9VRY"), 1);  // éVRY
  EXPECT_EQ(FindCity("lyon 2"), 2);
  EXPECT_EQ(FindCity("Lyo"), -1);
  EXPECT_EQ(CityNameUpper("\xE9vry-sur-Seine"), "\xC9VRY-SUR-SEINE");
}

TEST(CitiesGenerator, NamesBecomeCodePage1252) {
  struct Case {
    std::u32string in;
    bool ok;
    std::string out;
  } cases[] = {
      {U"Krak\u00F3w", true, "Krak\xF3w"},
      {U"\u0141\u00F3d\u017A", true, "L\xF3" "dz"},
      {U"Bucure\u0219ti", true, "Bucuresti"},
      {U"\u0160iauliai", true, "\x8Aiauliai"},  // Š is in the code page
      {U"\u6771\u4EAC", false, ""},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(cities::NameToCp1252(c.in, out), c.ok);
    if (c.ok) EXPECT_EQ(out, c.out);
  }
}

TEST(CitiesGenerator, ImportantPlacesWinSharedNamesAndEastIsNegative) {
  std::vector<cities::Location> all(3);
  all[0] = {U"Paris", 'N', 25000, 33.66, -95.55, 180, "Earth"};  // Texas
  all[1] = {U"Paris", 'C', 2138551, 48.853409, 2.3488, 42, "Earth"};
  all[2] = {U"Tiny", 'N', 100, 1, 1, -9999, "Earth"};
  const std::vector<CityRecord> chosen = cities::ChoosePlaces(all, 1000);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].north, 1);
  EXPECT_EQ(chosen[0].west, 0);
  EXPECT_EQ(chosen[0].latitudeDegrees, 48);
  EXPECT_EQ(chosen[0].latitudeMinutes, 51);
}

// The shipped file: read and written again it is the same bytes; its names
// are unique ignoring case; Paris is where it should be.
TEST(CitiesGenerator, TheInstalledFileRoundTripsAndPlacesParis) {
  const std::string path = std::string(NUVARINE_INSTALL_DIR) + "/villes.dat";
  const std::string bytes = ReadBytes(path);
  ASSERT_FALSE(bytes.empty()) << path;
  std::vector<CityRecord> table(kCityCapacity);
  bool truncated = true;
  const int count = DecodeCities(bytes, table.data(), kCityCapacity, truncated);
  EXPECT_FALSE(truncated);
  EXPECT_GT(count, 1000);
  EXPECT_EQ(EncodeCities(table.data(), count), bytes);
  std::set<std::string> names;
  for (int i = 0; i < count; ++i) EXPECT_TRUE(names.insert(CityNameUpper(table[i].name)).second) << table[i].name;
  std::copy(table.begin(), table.begin() + count, g_cities.begin());
  g_cityCount = count;
  const int paris = FindCity("paris");
  ASSERT_GE(paris, 0);
  const CityRecord& p = table[paris];
  EXPECT_EQ(p.north, 1);
  EXPECT_EQ(p.latitudeDegrees, 48);
  EXPECT_EQ(p.latitudeMinutes, 51);
  EXPECT_EQ(p.west, 0);
  EXPECT_NEAR(p.Longitude(), -2.3488, 1.0 / 60.0);
}

}  // namespace
