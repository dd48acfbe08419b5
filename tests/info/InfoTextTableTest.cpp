// The conditions of the information texts, case by case: phase names, the
// blocks of the body text in both modes, deep-sky fields, the star
// identification, mission dates, the work unit and escaped names.
#include <gtest/gtest.h>

#include <vector>

#include "InfoTestSupport.h"
#include "Notes.h"
#include "RtfReader.h"

using namespace infotest;

namespace {

TEST(MoonPhase, NamesByLitFractionAndSide) {
  const double waxing = 1.0, waning = 4.0;  // elongations east of the Sun, radians
  struct Case {
    double fraction, elongation;
    unsigned id;
  } cases[] = {
      {0.5, waning, 3071},   // waning half: last quarter
      {0.5, waxing, 3067},   // first quarter
      {0.9, waxing, 3068},   // exactly 0.9 waxing: still gibbous
      {0.91, waxing, 3069},  // full
      {0.91, waning, 3069},
      {0.9, waning, 3069},   // -0.9 and below: full
      {0.05, waning, 3065},  // new
      {0.1, waxing, 3065},
      {0.2, waxing, 3066},
      {0.2, waning, 3072},
      {0.7, waning, 3070},
      {0.5, waxing - kTwoPi, 3067},  // any turn of the angle
  };
  for (const Case& c : cases) EXPECT_EQ(MoonPhaseStringId(c.fraction, c.elongation), c.id) << c.fraction;

  // 13 July 2024, 22:49 UT: the Moon at longitude 202 degrees, the Sun at
  // 111: a first quarter, although the Moon's own longitude passes 180.
  EXPECT_EQ(MoonPhaseStringId(0.5, (202.0 - 111.4) * kDegToRad), 3067u);
}

// The Moon's text at the first quarter of 13 July 2024, 22:49 UT.
TEST(MoonPhase, FirstQuarterOfJuly2024) {
  CSkyModel& m = Model();
  m.m_year = 2024;
  m.m_month = 7;
  m.m_day = 13;
  m.m_hour = 22;
  m.m_minute = 49;
  m.m_second = 0;
  m.m_utcOffset = 0.0;
  m.UpdateTimeContext();
  m.UpdateSolarSystemBodies();
  EXPECT_GT(g_bodies[kBodyMoon].heliocentricLongitude, kPi);  // past 180 degrees
  CInfoTextBuilder b(m, Names(), Vector3d{});
  const std::string text = b.BuildBodyInfoRtf(kBodyMoon);
  SetParis(m);
  m.UpdateSolarSystemBodies();
  EXPECT_TRUE(Contains(text, " (First quarter)")) << text;
  EXPECT_TRUE(Contains(text, "Phase :  0.5"));
}

class BodyBlocks : public ::testing::Test {
 protected:
  std::string Build(int body, bool planetarium) {
    Model().m_planetariumMode = planetarium;
    CInfoTextBuilder b(Model(), Names(), g_bodies[kBodyEarth].position);
    const std::string text = b.BuildBodyInfoRtf(body);
    Model().m_planetariumMode = true;
    return text;
  }
};

// Which blocks a body's text holds, by body and mode.
TEST_F(BodyBlocks, BlockTable) {
  struct Block {
    const char* name;
    const char* marker;
  } blocks[] = {
      {"location", "Location :"},
      {"local", "Local information :"},
      {"geocentric", "Geocentric information :"},
      {"heliocentric heading", "Heliocentric information :"},
      {"heliocentric longitude", "Heliocentric longitude"},
      {"position heading", "Position :"},
      {"sun distance", "-Sun distance"},
      {"earth distance", "-Earth distance"},
      {"observer distance", "-Observer distance"},
      {"ecliptic", "Ecliptic coordinates"},
      {"physical", "Physical information :"},
      {"magnitude", "Magnitude  ="},
      {"phase angle", "Phase angle"},
      {"phase", "Phase : "},
  };
  // Expected presence per block, in the order above, planetarium then solar system.
  struct Row {
    int body;
    const char* planetarium;
    const char* solar;
  } rows[] = {
      {kBodySun, "yyynnnnynyynnn", "nnnnnynyyyynnn"},
      {kBodyMoon, "yyynnnnynyynny", "nnnnnynyyyynny"},
      {kBodyEarth, "yyyyynyynyyyyn", "nnnyynynyyyynn"},
      {kBodyMars, "yyyyynyynyyyyn", "nnnyynyyyyyynn"},
      {kBodyIo, "yyyynnyynyyyyn", "nnnynnyyyyyynn"},
      {kBodyVoyager1, "yyyynnyynynnnn", "nnnynnyyyynnnn"},
  };
  for (const Row& r : rows)
    for (bool planetarium : {true, false}) {
      const std::string text = Build(r.body, planetarium);
      const char* expected = planetarium ? r.planetarium : r.solar;
      for (size_t i = 0; i < std::size(blocks); ++i)
        EXPECT_EQ(Contains(text, blocks[i].marker), expected[i] == 'y')
            << "body " << r.body << (planetarium ? " planetarium " : " solar ") << blocks[i].name;
      // The second rule stays in both modes.
      EXPECT_TRUE(Contains(text, "\\par _________________________________________________"));
    }
}

// A deep-sky record of our own in place of the catalogue.
class DeepSkyFields : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = g_deepSkyObjects;
    savedCount = g_deepSkyCount;
    object = saved[DeepSkyByName("M 42")];
    g_deepSkyObjects = &object;
    g_deepSkyCount = 1;
  }
  void TearDown() override {
    g_deepSkyObjects = saved;
    g_deepSkyCount = savedCount;
  }
  std::string Build() {
    CInfoTextBuilder b(Model(), Names(), Vector3d{});
    return b.BuildDeepSkyInfoRtf(0);
  }
  DeepSkyObject* saved = nullptr;
  int savedCount = 0;
  DeepSkyObject object{};
};

TEST_F(DeepSkyFields, MagnitudeBrightnessAndPositionAngle) {
  struct Case {
    float magnitude, brightness;
    uint8_t angle;
    int magnitudeLines;
    bool brightnessLine, angleLine;
  } cases[] = {
      {79.0f, 79.0f, 255, 0, false, false},
      {78.9f, 78.9f, 254, 2, true, true},
      {4.0f, 80.0f, 0, 2, false, true},
  };
  for (const Case& c : cases) {
    object.magnitude = c.magnitude;
    object.surfaceBrightness = c.brightness;
    object.positionAngle = c.angle;
    const std::string text = Build();
    size_t count = 0;
    for (size_t p = text.find("Magnitude  ="); p != std::string::npos; p = text.find("Magnitude  =", p + 1)) ++count;
    EXPECT_EQ(count, static_cast<size_t>(c.magnitudeLines)) << c.magnitude;
    EXPECT_EQ(Contains(text, "Surface brightness"), c.brightnessLine);
    EXPECT_EQ(Contains(text, "Position angle : "), c.angleLine);
    if (c.magnitude == 78.9f) EXPECT_TRUE(Contains(text, "Magnitude  = 78.9"));
    if (c.angle == 254) EXPECT_TRUE(Contains(text, "Position angle : 254 \xB0"));
  }
}

TEST_F(DeepSkyFields, TypeNamesAndDescriptions) {
  struct Case {
    const char* type;
    const char* description;
    const char* typeText;
    const char* descriptionText;
  } cases[] = {
      {"neb", "Great nebula; bright", "Object type : Bright nebula", "Description :\\par    Great nebula;\\par    bright"},
      {" Gx", "Spiral galaxy", "Object type : Galaxy", "Description :\\par    \\par   Spiral galaxy"},
      {"Xyz", "A } brace", "Object type : Xyz", "\\par   A \\} brace"},
  };
  for (const Case& c : cases) {
    std::strncpy(object.objectType, c.type, sizeof object.objectType);
    std::strncpy(object.description, c.description, sizeof object.description);
    const std::string text = Build();
    EXPECT_TRUE(Contains(text, c.typeText)) << c.type;
    EXPECT_TRUE(Contains(text, c.descriptionText)) << c.description << "\n" << text;
    EXPECT_TRUE(ReadRtf(text).unknownWords.empty());
  }
}

// Star identification over small arrays of our own.
class Identification : public ::testing::Test {
 protected:
  void SetUp() override {
    savedBright = g_brightStars;
    savedBrightCount = g_brightStarCount;
    savedSky = g_sky2000Stars;
    savedSkyCount = g_sky2000StarCount;
    savedTycho = g_tycho2Stars;
    savedTychoCount = g_tycho2StarCount;
    bright = g_brightStars[BrightStarByNumber(7001)];  // Vega, with its names
    bright.rightAscension = 1.0f;
    bright.declination = 0.5f;
    g_brightStars = &bright;
    g_brightStarCount = 1;
    g_sky2000Stars = sky;
    g_sky2000StarCount = 0;
    g_tycho2Stars = tycho;
    g_tycho2StarCount = 1;
    tycho[0] = Tycho2Star{};
    tycho[0].rightAscension = 1.0f;
    tycho[0].declination = 0.5f;
    Model().m_useSky2000 = true;
  }
  void TearDown() override {
    g_brightStars = savedBright;
    g_brightStarCount = savedBrightCount;
    g_sky2000Stars = savedSky;
    g_sky2000StarCount = savedSkyCount;
    g_tycho2Stars = savedTycho;
    g_tycho2StarCount = savedTychoCount;
    Model().m_useSky2000 = true;
  }
  std::string NamedTycho() {
    CInfoTextBuilder b(Model(), Names(), Vector3d{});
    return b.BuildNamedTychoStarInfoRtf(0);
  }
  BrightStar bright{};
  Sky2000Star sky[3]{};
  Tycho2Star tycho[1]{};
  BrightStar* savedBright = nullptr;
  int savedBrightCount = 0;
  Sky2000Star* savedSky = nullptr;
  int savedSkyCount = 0;
  Tycho2Star* savedTycho = nullptr;
  int savedTychoCount = 0;
};

TEST(StarMatch, DistanceAndNearestRecord) {
  struct Case {
    double ra1, dec1, ra2, dec2, distance;
  } cases[] = {
      {0.00002, 0.3, kTwoPi - 0.00002, 0.3, 0.00004},  // the right-ascension difference wraps
      {1.0, 0.5, 1.0001, 0.5, 0.0001},
      {1.0, 0.5, 1.0, 0.50011, 0.00011},
      {1.0, 1.4, 1.0001, 1.4, 0.0001},  // no cos(dec) factor
  };
  for (const Case& c : cases) EXPECT_NEAR(StarMatchDistance(c.ra1, c.dec1, c.ra2, c.dec2), c.distance, 1e-12);

  // Two records at the same distance (2^-14 rad, exact in binary) either side.
  const double step = 1.0 / 16384.0;
  const double places[][2] = {{1.0, 0.50011}, {1.0 + step, 0.5}, {1.0 - step, 0.5}, {1.0, 0.5 + 0.99999e-4}};
  auto place = [&](int i, double& r, double& d) {
    r = places[i][0];
    d = places[i][1];
  };
  // 0.00011 rad away: no match; within 0.0001: a match, the earlier of two equals.
  EXPECT_EQ(NearestStarRecord(1, 1.0, 0.5, place), -1);
  EXPECT_EQ(NearestStarRecord(3, 1.0, 0.5, place), 1);
  EXPECT_EQ(NearestStarRecord(1, 1.0, 0.5, [&](int, double& r, double& d) { place(3, r, d); }), 0);
  EXPECT_EQ(NearestStarRecord(0, 1.0, 0.5, place), -1);
}

TEST_F(Identification, BrightMatchUpToMagnitude6_5) {
  struct Case {
    float vt;
    bool named;
  } cases[] = {{6.5f, true}, {6.51f, false}};
  for (const Case& c : cases) {
    tycho[0].vtMagnitude = c.vt;
    const std::string text = NamedTycho();
    EXPECT_EQ(Contains(text, "Name : VEGA"), c.named) << c.vt;
    EXPECT_EQ(Contains(text, "Bright Star Catalogue number : 7001"), c.named);
    EXPECT_EQ(Contains(text, "Name and catalogue numbers :"), c.named);
    // Lyra is found: two blanks before the Latin name in these texts.
    if (c.named) EXPECT_TRUE(Contains(text, "Bayer's letter : Alpha  Lyra"));
    if (!c.named) EXPECT_TRUE(Contains(text, "BT Magnitude (Tycho) :  0.00\\par\\par\\par}"));
  }
}

TEST_F(Identification, Sky2000LinesDoubleStarAndSouthernZone) {
  tycho[0].vtMagnitude = 8.0f;  // too faint for the bright stars
  sky[0].rightAscension = 1.0f;
  sky[0].declination = 0.5f;
  sky[0].hdNumber = 12345;
  sky[0].saoNumber = 0;
  sky[0].dmNumber = -(42 * 100000 + 1234);
  std::strcpy(sky[0].dmPrefix, "CD");
  std::strcpy(sky[0].spectralClass, "K0");
  sky[0].colorIndex = 112;
  sky[0].companionMagnitudeDifference = 150;
  sky[0].magnitude = 7.9f;
  g_sky2000StarCount = 1;
  std::string text = NamedTycho();
  EXPECT_TRUE(Contains(text, "Henry Draper catalogue number : 12345"));
  EXPECT_FALSE(Contains(text, "SAO catalogue number"));
  EXPECT_TRUE(Contains(text, "DM catalogue number : CD-42 1234 "));
  EXPECT_TRUE(Contains(text, "Color index B-V :  1.12"));
  EXPECT_TRUE(Contains(text, "Spectral class : K0"));
  // Without a bright match the companion is reckoned from the Sky2000 magnitude.
  EXPECT_TRUE(Contains(text, "Magnitude of the second component :  9.40"));

  // With the Sky2000 catalogue off: nothing of it.
  Model().m_useSky2000 = false;
  text = NamedTycho();
  EXPECT_FALSE(Contains(text, "Henry Draper"));
  EXPECT_FALSE(Contains(text, "Color index"));
}

// A fast star far from the equator: the right-ascension motion is a
// great-circle rate. Groombridge 1830 (HR 4550) moves by 20 arc-seconds in
// 2024 with the rate taken as it stands; divided by cos(dec) it keeps to
// the place it reaches.
TEST(Tycho2Place, RightAscensionMotionIsAGreatCircleRate) {
  const float ra = 178.2444f * static_cast<float>(kDegToRad), dec = 37.7186f * static_cast<float>(kDegToRad);
  const float pmRa = 4003.98f, pmDec = -5813.0f;  // mas/year, pmRA includes cos(dec)
  double r, d;
  const double jd2024 = 2460310.5;
  Tycho2PlaceAtEpoch(jd2024, ra, dec, pmRa, pmDec, r, d);
  const double years = (jd2024 - 2451544.5) / 365.25;
  // The motion along the sky equals the catalogue's rates.
  const double alongRa = (r - ra) * std::cos(static_cast<double>(dec)) / kArcsecToRad;
  EXPECT_NEAR(alongRa, pmRa / 1000.0 * years, 0.01);
  EXPECT_NEAR((d - dec) / kArcsecToRad, pmDec / 1000.0 * years, 0.01);
  EXPECT_GT((r - ra) / kArcsecToRad - pmRa / 1000.0 * years, 20.0);
}

class SpacecraftDates : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memcpy(saved, g_trajectory, sizeof saved);
    savedOffset = Model().m_utcOffset;
  }
  void TearDown() override {
    std::memcpy(g_trajectory, saved, sizeof saved);
    Model().m_utcOffset = savedOffset;
    SetParis(Model());
  }
  std::string Build() {
    CInfoTextBuilder b(Model(), Names(), Vector3d{});
    return b.BuildSpacecraftInfoRtf(kBodyVoyager1);
  }
  TrajectoryPoint saved[kTrajectoryCapacity];
  double savedOffset = 0.0;
};

TEST_F(SpacecraftDates, CivilDatesOfTheFirstAndLastRows) {
  std::memset(g_trajectory, 0, sizeof g_trajectory);
  g_trajectory[0].julianDate = 2447892.5;  // 1990-01-01 0 h UT
  g_trajectory[1].julianDate = 2460000.5;
  Model().m_utcOffset = -2.0;
  std::string text = Build();
  EXPECT_TRUE(Contains(text, "Beginning of the mission ? : 31/12/1989")) << text;
  EXPECT_TRUE(Contains(text, "Ending of the mission ? : 24/ 2/2023"));
  EXPECT_TRUE(Contains(text, "Heliocentric information"));

  // A full table: the last row ends it.
  for (int i = 0; i < kTrajectoryCapacity; ++i) g_trajectory[i].julianDate = 2451000.5 + i;
  text = Build();
  EXPECT_TRUE(Contains(text, "Ending of the mission ? : 22/ 8/2080")) << text;

  // A date before the table: the text ends after the dates.
  for (int i = 0; i < kTrajectoryCapacity; ++i) g_trajectory[i].julianDate = 2460000.5 + i;
  text = Build();
  const std::string end = "\\par    Ending of the mission ? : 14/ 4/2105\\par\\par}";
  ASSERT_GE(text.size(), end.size());
  EXPECT_EQ(text.substr(text.size() - end.size()), end);

  // No trajectory: no dates, never an early end.
  std::memset(g_trajectory, 0, sizeof g_trajectory);
  text = Build();
  EXPECT_FALSE(Contains(text, "Mission dates"));
  EXPECT_TRUE(Contains(text, "Ecliptic coordinates"));
}

TEST(WorkUnit, AngleFrequencyAndAstropulse) {
  struct Case {
    double angle, frequency;
    bool astropulse;
    const char* angleLine;
    const char* frequencyLine;
  } cases[] = {
      {0.42, 1420000000.0, false, "Angle Range =  0.42 \xB0", "Base frequency =  1420000000 Hz"},
      {0.0, 1420000000.0, false, nullptr, "Base frequency =  1420000000 Hz"},
      {0.0, 0.0, true, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    Model().m_setiAngleRange = c.angle;
    Model().m_setiBaseFrequency = c.frequency;
    Model().m_setiWorkUnitName = "wu {1}";
    CInfoTextBuilder b(Model(), Names(), Vector3d{});
    const std::string text = b.BuildSetiWorkUnitInfoRtf();
    EXPECT_EQ(Contains(text, "SETI@home  (Astropulse)"), c.astropulse);
    EXPECT_EQ(Contains(text, "Angle Range"), c.angleLine != nullptr);
    if (c.angleLine) EXPECT_TRUE(Contains(text, c.angleLine));
    EXPECT_EQ(Contains(text, "Base frequency"), c.frequencyLine != nullptr);
    if (c.frequencyLine) EXPECT_TRUE(Contains(text, c.frequencyLine));
    EXPECT_TRUE(Contains(text, "Name : wu \\{1\\}"));
    EXPECT_EQ(ReadRtf(text).PlainText().find("Name : wu {1}") != std::string::npos, true);
  }
}

// The bright-star text borrows both star arrays for one whole tile each and
// leaves them empty; the Sky2000 text leaves the first Tycho-2 array holding
// its one tile and tells the display to load its own tiles again.
TEST(SharedStarArrays, LeftAsTheDisplayExpects) {
  CSkyModel& m = Model();
  for (bool use : {true, false}) {
    m.m_useSky2000 = m.m_useTycho2 = use;
    if (!g_sky2000Stars) g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
    if (!g_tycho2Stars) g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
    g_sky2000StarCount = g_tycho2StarCount = 5;
    m.m_sky2000Loaded = m.m_tycho2Loaded = true;
    CInfoTextBuilder b(m, Names(), Vector3d{});
    const std::string text = b.BuildBrightStarInfoRtf(BrightStarByNumber(7001));
    EXPECT_EQ(g_sky2000Stars, nullptr);
    EXPECT_EQ(g_tycho2Stars, nullptr);
    EXPECT_EQ(g_sky2000StarCount, 0);
    EXPECT_EQ(g_tycho2StarCount, 0);
    EXPECT_EQ(Contains(text, "SAO catalogue number : 67174"), use);
    EXPECT_EQ(Contains(text, "Magnitude (BSC5) : "), !use);
    EXPECT_EQ(Contains(text, "Proper motion RA"), use);
  }

  m.m_useSky2000 = m.m_useTycho2 = true;
  g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
  g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
  const BrightStar& vega = g_brightStars[BrightStarByNumber(7001)];
  g_sky2000StarCount = 0;
  ASSERT_TRUE(LoadSky2000Tile(m.m_installFolder, FindSky2000Tile(vega.rightAscension, vega.declination)));
  const int star = NearestStarRecord(g_sky2000StarCount, vega.rightAscension, vega.declination,
                                     [](int i, double& r, double& d) {
                                       r = g_sky2000Stars[i].rightAscension;
                                       d = g_sky2000Stars[i].declination;
                                     });
  ASSERT_GE(star, 0);
  g_tycho2StarCount = 0;
  ASSERT_TRUE(LoadTycho2Part1Tile(m.m_installFolder, FindTycho2Tile(vega.rightAscension, vega.declination)));
  const int tileCount = g_tycho2StarCount;
  g_tycho2StarCount = 3;  // whatever the display held
  m.m_tycho2Loaded = true;
  CInfoTextBuilder b(m, Names(), Vector3d{});
  const std::string text = b.BuildSky2000StarInfoRtf(star);
  EXPECT_EQ(g_tycho2StarCount, tileCount);
  EXPECT_FALSE(m.m_tycho2Loaded);
  EXPECT_TRUE(Contains(text, "Proper motion RA (J2000) :\\par    200.9"));
  EXPECT_TRUE(Contains(text, "Name : VEGA"));
}

// A downloaded comet name with a brace stays inside its document.
TEST(EscapedNames, CometNameWithBrace) {
  CometRecord& c = g_comets[0];
  const CometRecord kept = c;
  std::strcpy(c.name, "C/2099 X} {evil\\");
  CInfoTextBuilder b(Model(), Names(), Vector3d{});
  const std::string text = b.BuildCometInfoRtf(0);
  c = kept;
  const RtfDocument doc = ReadRtf(text);
  EXPECT_EQ(doc.paragraphs.front().Text(), "C/2099 X} {evil\\");
  EXPECT_TRUE(Contains(doc.PlainText(), "Notes :"));
  EXPECT_TRUE(doc.unknownWords.empty());
}

// A satellite whose element set is far from the date shown: the text says
// why it has no place instead of printing one, and where fresh sets come from.
TEST(SatelliteText, ElementsFarFromTheDateShownAreSaidToBe) {
  CSkyModel& m = Model();
  const double savedDate = m.m_julianDate;
  const bool savedCompute = m.m_computeSatellitePositions;
  m.m_computeSatellitePositions = true;
  // NOAA-10's built-in set: 2006 March 29, 13:52 UT.
  struct Case {
    double julianDate;
    std::vector<const char*> present, absent;
  } cases[] = {
      {2461385.5,
       {"Orbital elements too old :", "elements of NOAA-10 date from 29/03/2006", "7561 days before the date shown",
        "Internet > Update orbital elements"},
       {"Heliocentric information", "RA  ="}},
      {2453000.5,
       {"Orbital elements out of date :", "824 days after the date shown"},
       {"Internet > Update", "Heliocentric information"}},
      {2453830.5, {"Heliocentric information"}, {"Orbital elements"}},
  };
  for (const Case& c : cases) {
    m.m_julianDate = c.julianDate;
    CInfoTextBuilder b(m, Names(), Vector3d{});
    const std::string text = b.BuildSpacecraftInfoRtf(kBodyNoaa10);
    for (const char* piece : c.present) EXPECT_TRUE(Contains(text, piece)) << c.julianDate << " " << piece << text;
    for (const char* piece : c.absent) EXPECT_FALSE(Contains(text, piece)) << c.julianDate << " " << piece;
  }
  m.m_julianDate = savedDate;
  m.m_computeSatellitePositions = savedCompute;
}

}  // namespace
