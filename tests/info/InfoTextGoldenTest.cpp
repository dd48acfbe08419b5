// Information texts of every kind of object at Paris, 5 March 2004, 21:30:00
// zone +1, byte for byte against the stored texts (whose figures were
// checked against published almanac values, see PublishedFigures), and read
// back by the rich-text reader without an unknown word.
// After a deliberate change of a text, NUVARINE_WRITE_GOLDEN=1 rewrites the
// stored texts; check the published figures again before committing them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "InfoTestSupport.h"
#include "RtfReader.h"

using namespace infotest;

namespace {

::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ObservationEnvironment);

std::string GoldenPath(const std::string& name) { return std::string(NUVARINE_TEST_DATA) + "/golden/" + name + ".rtf"; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Golden {
  const char* name;
  bool planetarium;
  std::function<CString(CInfoTextBuilder&)> build;
};

int AsteroidByName(const char* name) {
  for (int i = 0; i < g_asteroidCount; ++i)
    if (std::strstr(g_asteroids[i].name, name)) return i;
  return -1;
}

int CometByPrefix(const char* prefix) {
  for (int i = 0; i < g_cometCount; ++i)
    if (std::strncmp(g_comets[i].name, prefix, std::strlen(prefix)) == 0) return i;
  return -1;
}

// The first-half Tycho-2 star nearest a place, with its tile loaded alone.
void AllocateStarArrays() {
  if (!g_sky2000Stars) g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
  if (!g_tycho2Stars) g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
  if (!g_tycho2Part2Stars) g_tycho2Part2Stars = new Tycho2Star[kTycho2StarLimit + 1];
}

int LoadTychoNear(double ra, double dec, int half) {
  AllocateStarArrays();
  const int tile = FindTycho2Tile(ra, dec);
  if (half == 1) {
    g_tycho2StarCount = 0;
    LoadTycho2Part1Tile(Model().m_installFolder, tile);
  } else {
    g_tycho2Part2StarCount = 0;
    LoadTycho2Part2Tile(Model().m_installFolder, tile);
  }
  const Tycho2Star* stars = half == 1 ? g_tycho2Stars : g_tycho2Part2Stars;
  const int count = half == 1 ? g_tycho2StarCount : g_tycho2Part2StarCount;
  int best = -1;
  double bestDistance = 1e9;
  for (int i = 0; i < count; ++i) {
    const double d = StarMatchDistance(ra, dec, stars[i].rightAscension, stars[i].declination);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

int LoadSky2000Near(double ra, double dec) {
  AllocateStarArrays();
  g_sky2000StarCount = 0;
  LoadSky2000Tile(Model().m_installFolder, FindSky2000Tile(ra, dec));
  return NearestStarRecord(g_sky2000StarCount, ra, dec, [](int i, double& r, double& d) {
    r = g_sky2000Stars[i].rightAscension;
    d = g_sky2000Stars[i].declination;
  });
}

class InfoTextGolden : public ::testing::Test {
 protected:
  void SetUp() override {
    AllocateStarArrays();
    Model().m_planetariumMode = true;
    Model().m_setiWorkUnitName = "01ap04ab.12345.6789.10.20.30";
    Model().m_setiStartRa = 5.5 * 15.0 * kDegToRad;
    Model().m_setiStartDec = 20.25 * kDegToRad;
    Model().m_setiEndRa = 5.52 * 15.0 * kDegToRad;
    Model().m_setiEndDec = 20.3 * kDegToRad;
    Model().m_setiAngleRange = 0.42;
    Model().m_setiBaseFrequency = 1420000000.0;
  }
  void TearDown() override { Model().m_planetariumMode = true; }

  CString Build(bool planetarium, const std::function<CString(CInfoTextBuilder&)>& build) {
    Model().m_planetariumMode = planetarium;
    Vector3d camera = g_bodies[kBodyEarth].position;
    camera.z += 2.0;  // two million km above the Earth
    CInfoTextBuilder builder(Model(), Names(), camera);
    return build(builder);
  }
};

const int kVega = 7001;
const int kCapella = 1708;

std::vector<Golden> GoldenTexts() {
  std::vector<Golden> list;
  struct BodyCase {
    const char* name;
    int body;
  } bodies[] = {{"sun", kBodySun}, {"moon", kBodyMoon}, {"mars", kBodyMars}, {"earth", kBodyEarth}, {"io", kBodyIo}};
  for (const BodyCase& b : bodies) {
    const int n = b.body;
    list.push_back({b.name, true, [n](CInfoTextBuilder& x) { return x.BuildBodyInfoRtf(n); }});
    list.push_back({b.name, false, [n](CInfoTextBuilder& x) { return x.BuildBodyInfoRtf(n); }});
  }
  for (bool p : {true, false}) {
    list.push_back({"vega", p, [](CInfoTextBuilder& x) { return x.BuildBrightStarInfoRtf(BrightStarByNumber(kVega)); }});
    list.push_back({"m42", p, [](CInfoTextBuilder& x) { return x.BuildDeepSkyInfoRtf(DeepSkyByName("M 42")); }});
    list.push_back({"ceres", p, [](CInfoTextBuilder& x) { return x.BuildAsteroidInfoRtf(AsteroidByName(" Ceres")); }});
    list.push_back({"halley", p, [](CInfoTextBuilder& x) { return x.BuildCometInfoRtf(CometByPrefix("1P/")); }});
    list.push_back({"voyager1", p, [](CInfoTextBuilder& x) { return x.BuildSpacecraftInfoRtf(kBodyVoyager1); }});
    list.push_back({"workunit", p, [](CInfoTextBuilder& x) { return x.BuildSetiWorkUnitInfoRtf(); }});
  }
  list.push_back({"capella", true, [](CInfoTextBuilder& x) {
                    return x.BuildBrightStarInfoRtf(BrightStarByNumber(kCapella));
                  }});
  // Stars of the catalogue tiles around Vega: the Tycho-2 stars do not
  // depend on the mode.
  list.push_back({"tycho2-first-half", true, [](CInfoTextBuilder& x) {
                    const BrightStar& v = g_brightStars[BrightStarByNumber(kVega)];
                    return x.BuildNamedTychoStarInfoRtf(LoadTychoNear(v.rightAscension, v.declination, 1));
                  }});
  list.push_back({"tycho2-second-half", true, [](CInfoTextBuilder& x) {
                    const BrightStar& v = g_brightStars[BrightStarByNumber(kVega)];
                    return x.BuildTychoStarInfoRtf(LoadTychoNear(v.rightAscension, v.declination, 2));
                  }});
  list.push_back({"sky2000", true, [](CInfoTextBuilder& x) {
                    const BrightStar& v = g_brightStars[BrightStarByNumber(kVega)];
                    return x.BuildSky2000StarInfoRtf(LoadSky2000Near(v.rightAscension, v.declination));
                  }});
  return list;
}

std::string FileName(const Golden& g) { return std::string(g.name) + (g.planetarium ? "" : "-solar"); }

TEST_F(InfoTextGolden, TextsMatchTheStoredOnes) {
  const bool write = std::getenv("NUVARINE_WRITE_GOLDEN") != nullptr;
  for (const Golden& g : GoldenTexts()) {
    const CString text = Build(g.planetarium, g.build);
    const std::string name = FileName(g);
    if (write) {
      std::ofstream(GoldenPath(name), std::ios::binary) << text;
      continue;
    }
    const std::string expected = ReadFile(GoldenPath(name));
    ASSERT_FALSE(expected.empty()) << "missing " << GoldenPath(name);
    EXPECT_EQ(std::string(text), expected)
        << name << ": after a deliberate change of the sky model, rewrite the stored texts with "
        << "NUVARINE_WRITE_GOLDEN=1 tests/info/info_text_tests --gtest_filter=*TextsMatch* "
        << "and check that PublishedFigures still passes";
  }
}

TEST_F(InfoTextGolden, EveryTextReadsWithoutUnknownWords) {
  for (const Golden& g : GoldenTexts()) {
    const CString text = Build(g.planetarium, g.build);
    const RtfDocument doc = ReadRtf(text);
    EXPECT_TRUE(doc.unknownWords.empty()) << FileName(g) << ": " << doc.unknownWords.front();
    EXPECT_EQ(doc.FontName(2), "Arial");
    EXPECT_EQ(text.Right(9), "\\par\\par}") << FileName(g);
  }
}

// The figures of the stored texts against published values for the evening.
TEST_F(InfoTextGolden, PublishedFigures) {
  const std::string sun = Build(true, [](CInfoTextBuilder& x) { return x.BuildBodyInfoRtf(kBodySun); });
  EXPECT_TRUE(Contains(sun, "\\par\\par  Position information for march 05, 2004   21:30:00"));
  EXPECT_TRUE(Contains(sun, "Rise = 07:24")) << sun;
  EXPECT_TRUE(Contains(sun, "Transit = 13:02"));
  EXPECT_TRUE(Contains(sun, "Set = 18:41"));
  EXPECT_TRUE(Contains(sun, "Location :\\par  48 \xB0  51 '  24.0 '' North         2 \xB0  21 '  3.0 '' East"));

  const std::string moon = Build(true, [](CInfoTextBuilder& x) { return x.BuildBodyInfoRtf(kBodyMoon); });
  EXPECT_TRUE(Contains(moon, "Rise = 16:51")) << moon;
  EXPECT_TRUE(Contains(moon, "Set = 07:17"));
  EXPECT_FALSE(Contains(moon, "Transit ="));
  EXPECT_TRUE(Contains(moon, " (Full Moon)"));
  const size_t km = moon.find(" km)");
  ASSERT_NE(km, std::string::npos);
  const double distance = std::atof(moon.c_str() + moon.rfind('(', km) + 1);
  EXPECT_NEAR(distance, 384310.0, 20.0);
  EXPECT_TRUE(Contains(moon, "Illumination : 98.")) << moon;

  const std::string vega =
      Build(true, [](CInfoTextBuilder& x) { return x.BuildBrightStarInfoRtf(BrightStarByNumber(kVega)); });
  EXPECT_TRUE(Contains(vega, "VEGA\\par"));
  EXPECT_TRUE(Contains(vega, "RA  =  18 h  37 m  3.6 s")) << vega;
  EXPECT_TRUE(Contains(vega, "Dec  =   38 \xB0  46 '  51.")) << vega;
  EXPECT_TRUE(Contains(vega, "Rise = 21:52") || Contains(vega, "Rise = 21:51") || Contains(vega, "Rise = 21:53"));
  EXPECT_TRUE(Contains(vega, "Transit = 08:34") || Contains(vega, "Transit = 08:33") ||
              Contains(vega, "Transit = 08:35"));
  EXPECT_TRUE(Contains(vega, "Set = 19:12") || Contains(vega, "Set = 19:11") || Contains(vega, "Set = 19:13"));

  const std::string capella =
      Build(true, [](CInfoTextBuilder& x) { return x.BuildBrightStarInfoRtf(BrightStarByNumber(kCapella)); });
  EXPECT_TRUE(Contains(capella, "CAPELLA\\par"));
  EXPECT_FALSE(Contains(capella, "Rise ="));
  EXPECT_FALSE(Contains(capella, "Transit ="));
  EXPECT_FALSE(Contains(capella, "Set ="));
}

}  // namespace
