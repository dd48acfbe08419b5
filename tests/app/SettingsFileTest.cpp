#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <sstream>

#include "SettingsTestView.h"
#include "TestFiles.h"

namespace {

constexpr double kDeg = 0.017453292519943295;

std::string Golden() { return ReadBytes(Fixture("nuvarine-defaults.ini")); }

// Replaces the first occurrence of `from` (a whole line, CR LF included).
std::string ReplaceLine(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from + "\r\n");
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size() + 2, to.empty() ? std::string() : to + "\r\n");
  return text;
}

// Removes a section and its keys (up to the next section).
std::string RemoveSection(std::string text, const std::string& name) {
  const size_t at = text.find("[" + name + "]\r\n");
  EXPECT_NE(at, std::string::npos) << name;
  if (at == std::string::npos) return text;
  size_t end = text.find("\r\n[", at + 1);
  end = end == std::string::npos ? text.size() : end + 2;
  text.erase(at, end - at);
  return text;
}

TEST(SettingsFile, DefaultsWriteTheGoldenFileWithAndWithoutDeviceKeys) {
  ScratchFolder dir;
  TestView view;
  ASSERT_TRUE(view.SaveSettings(dir.File("a.ini")));
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), Golden());

  view.m_videoConfigValid = false;
  ASSERT_TRUE(view.SaveSettings(dir.File("b.ini")));
  EXPECT_EQ(ReadBytes(dir.File("b.ini")), ReadBytes(Fixture("nuvarine-defaults-no-device.ini")));
}

TEST(SettingsFile, EmptyPathMeansTheInstallFolderFile) {
  ScratchFolder dir;
  TestView view;
  view.m_installFolder = dir.Path();
  ASSERT_TRUE(view.SaveSettings(""));
  EXPECT_EQ(ReadBytes(dir.File("nuvarine.ini")), Golden());
  view.m_showStarNames = true;
  EXPECT_TRUE(view.LoadSettings(""));
  EXPECT_FALSE(view.m_showStarNames);
}

TEST(SettingsFile, DecimalCommaLocaleChangesNothing) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "fr_FR.UTF-8")) GTEST_SKIP() << "no French locale here";
  ScratchFolder dir;
  TestView view;
  const bool saved = view.SaveSettings(dir.File("a.ini"));
  WriteBytes(dir.File("b.ini"), ReplaceLine(Golden(), "Pressure=1013.0000000000", "Pressure=990.2500000000"));
  const bool loaded = view.LoadSettings(dir.File("b.ini"));
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), Golden());
  EXPECT_TRUE(loaded);
  EXPECT_EQ(view.m_pressure, 990.25);
}

TEST(SettingsFile, MissingFileKeepsEverything) {
  ScratchFolder dir;
  TestView view;
  EXPECT_FALSE(view.LoadSettings(dir.File("absent.ini")));
  ASSERT_TRUE(view.SaveSettings(dir.File("a.ini")));
  EXPECT_EQ(ReadBytes(dir.File("a.ini")), Golden());
}

TEST(SettingsFile, ObservationBlockStopsAtItsFirstGap) {
  ScratchFolder dir;
  std::string text = Golden();
  text = ReplaceLine(text, "Latitude=44.8333333333", "Latitude=-33.5000000000");
  text = ReplaceLine(text, "Longitude=0.5666666667", "Longitude=-151.2500000000");
  text = ReplaceLine(text, "UTCP=0.0000000000", "UTCP=10.0000000000");
  text = ReplaceLine(text, "Pressure=1013.0000000000", "Pressure=1001.0000000000");
  text = ReplaceLine(text, "Temperature=10.0000000000", "Temperature=25.0000000000");
  text = ReplaceLine(text, "Elevation=0.0000000000", "");
  text = ReplaceLine(text, "Planets Names=True", "Planets Names=False");
  WriteBytes(dir.File("gap.ini"), text);

  TestView view;
  EXPECT_FALSE(view.LoadSettings(dir.File("gap.ini")));
  EXPECT_NEAR(view.m_observerLatitude, -33.5 * kDeg, 1e-15);
  EXPECT_NEAR(view.m_observerLongitude, -151.25 * kDeg, 1e-15);
  EXPECT_EQ(view.m_utcOffset, 10.0);
  EXPECT_EQ(view.m_pressure, 1001.0);
  EXPECT_EQ(view.m_temperature, 25.0);
  EXPECT_EQ(view.m_observerElevation, 0.0);
  EXPECT_TRUE(view.m_showPlanetNames);  // nothing after the gap is read

  // A value holding an upper-case F counts as missing: the block stops there.
  TestView other;
  WriteBytes(dir.File("f.ini"), ReplaceLine(text, "Pressure=1001.0000000000", "Pressure=1001F"));
  EXPECT_FALSE(other.LoadSettings(dir.File("f.ini")));
  EXPECT_EQ(other.m_utcOffset, 10.0);
  EXPECT_EQ(other.m_pressure, 1013.0);
  EXPECT_EQ(other.m_temperature, 10.0);

  // So does a value that is no number.
  TestView third;
  WriteBytes(dir.File("inf.ini"), ReplaceLine(text, "Pressure=1001.0000000000", "Pressure=1e999"));
  EXPECT_FALSE(third.LoadSettings(dir.File("inf.ini")));
  EXPECT_EQ(third.m_utcOffset, 10.0);
  EXPECT_EQ(third.m_pressure, 1013.0);
}

TEST(SettingsFile, ObservationOnlyTurnsEverySwitchOffAndKeepsNumbers) {
  ScratchFolder dir;
  const std::string golden = Golden();
  WriteBytes(dir.File("obs.ini"), golden.substr(0, golden.find("\r\n\r\n\r\n") + 2));
  TestView view;
  view.m_landscapeOrientation = 7;
  view.m_depthStencilFormat = 75;
  view.m_vertexProcessing = 2;
  EXPECT_TRUE(view.LoadSettings(dir.File("obs.ini")));
  // Switches read as false when missing, planet names included.
  EXPECT_FALSE(view.m_showPlanetNames);
  EXPECT_FALSE(view.m_showLandscape);
  EXPECT_FALSE(view.m_useProxy);
  EXPECT_FALSE(view.m_lensFlare);
  EXPECT_FALSE(view.m_useLx200Driver);
  EXPECT_EQ(view.m_milkyWay, 0);
  // Numbers and texts keep their values.
  EXPECT_EQ(view.m_magnitudeZero, 17.0f);
  EXPECT_EQ(view.m_landscapeOrientation, 7);
  EXPECT_EQ(view.m_animationMethod, 1);
  EXPECT_EQ(view.m_landscapeFile, "landscape.tga");
  EXPECT_EQ(g_telescopePort, "COM1");
  EXPECT_EQ(g_telescopeParity, 'N');
  EXPECT_EQ(view.m_gpsBaudRate, 4800);
  EXPECT_EQ(view.m_borderColor, 4276545u);
  EXPECT_STREQ(view.m_labelLogFonts[2].lfFaceName, "Georgia");
  // The sky-survey indices and the device's interval take the missing
  // marker's value; the device's other keys keep theirs.
  EXPECT_FALSE(g_dssEnabled);
  EXPECT_EQ(g_dssServer, 0);
  EXPECT_EQ(g_dssMode, 0);
  EXPECT_EQ(g_dssOptions, 0);
  EXPECT_EQ(view.m_presentInterval, 0x80000000u);
  EXPECT_EQ(view.m_depthStencilFormat, 75);
  EXPECT_EQ(view.m_vertexProcessing, 2);
  EXPECT_FALSE(view.m_mipMapping);
  EXPECT_FALSE(view.m_textureCompression);
}

// One line changed in the golden file, and what the members hold after reading it.
TEST(SettingsFile, ReadCases) {
  struct Case {
    const char* from;
    const char* to;
    std::function<void(const TestView&)> check;
  };
  const Case cases[] = {
      {"Landscape path=landscape.tga", "Landscape path=", [](const TestView& v) { EXPECT_EQ(v.m_landscapeFile, "landscape.tga"); }},
      {"Landscape path=landscape.tga", "Landscape path=hills.tga", [](const TestView& v) { EXPECT_EQ(v.m_landscapeFile, "hills.tga"); }},
      {"Show Milk Way=True", "Show Milk Way=False", [](const TestView& v) { EXPECT_EQ(v.m_milkyWay, 0); }},
      {"Sky color (red)=5", "Sky color (red)=-1", [](const TestView& v) { EXPECT_EQ(v.m_skyColorRed, 255); }},
      {"Sky color (red)=5", "Sky color (red)=255", [](const TestView& v) { EXPECT_EQ(v.m_skyColorRed, 255); }},
      {"Sky color (red)=5", "Sky color (red)=", [](const TestView& v) { EXPECT_EQ(v.m_skyColorRed, 0); }},
      {"Sky color (red)=5", "Sky color (red)=False", [](const TestView& v) { EXPECT_EQ(v.m_skyColorRed, 5); }},
      {"Magnitude0=17.0000000000", "Magnitude0=6,5", [](const TestView& v) { EXPECT_EQ(v.m_magnitudeZero, 6.0f); }},
      // A zoom step must zoom: one that does not (or explodes the field) goes back to the default.
      {"Zoom Value=1.0700000525", "Zoom Value=-2.5", [](const TestView& v) { EXPECT_EQ(v.m_zoomStep, 1.07f); }},
      {"Zoom Value=1.0700000525", "Zoom Value=0", [](const TestView& v) { EXPECT_EQ(v.m_zoomStep, 1.07f); }},
      {"Zoom Value=1.0700000525", "Zoom Value=1e-30", [](const TestView& v) { EXPECT_EQ(v.m_zoomStep, 1.07f); }},
      {"Zoom Value=1.0700000525", "Zoom Value=1", [](const TestView& v) { EXPECT_EQ(v.m_zoomStep, 1.07f); }},
      {"Zoom Value=1.0700000525", "Zoom Value=1e30", [](const TestView& v) { EXPECT_EQ(v.m_zoomStep, 1.07f); }},
      {"Zoom Value=1.0700000525", "Zoom Value=1.25", [](const TestView& v) { EXPECT_EQ(v.m_zoomStep, 1.25f); }},
      {"Zoom Value=1.0700000525", "Zoom Value=2", [](const TestView& v) { EXPECT_EQ(v.m_zoomStep, 2.0f); }},
      // A number beyond any double is refused: the value stays as it was;
      // "inf" (no digits, read as 0) is no speed either.
      {"Animation X=3000.0000000000", "Animation X=1e999", [](const TestView& v) { EXPECT_EQ(v.m_animationSpeedFactor, 3000.0); }},
      {"Animation X=3000.0000000000", "Animation X=-1e999", [](const TestView& v) { EXPECT_EQ(v.m_animationSpeedFactor, 3000.0); }},
      {"Animation X=3000.0000000000", "Animation X=inf", [](const TestView& v) { EXPECT_EQ(v.m_animationSpeedFactor, 3000.0); }},
      // Beyond what the animation dialog accepts: the default.
      {"Animation X=3000.0000000000", "Animation X=1e300", [](const TestView& v) { EXPECT_EQ(v.m_animationSpeedFactor, 3000.0); }},
      {"Animation X=3000.0000000000", "Animation X=-5", [](const TestView& v) { EXPECT_EQ(v.m_animationSpeedFactor, 3000.0); }},
      {"Animation X=3000.0000000000", "Animation X=0", [](const TestView& v) { EXPECT_EQ(v.m_animationSpeedFactor, 3000.0); }},
      {"Animation X=3000.0000000000", "Animation X=1e13", [](const TestView& v) { EXPECT_EQ(v.m_animationSpeedFactor, 1e13); }},
      {"Animation X=3000.0000000000", "Animation X=86400", [](const TestView& v) { EXPECT_EQ(v.m_animationSpeedFactor, 86400.0); }},
      {"Magnitude0=17.0000000000", "Magnitude0=1e999", [](const TestView& v) { EXPECT_EQ(v.m_magnitudeZero, 17.0f); }},
      {"FPS=30.0000000000", "FPS=-1e999", [](const TestView& v) { EXPECT_EQ(v.m_animationFps, 30.0); }},
      {"Use proxy=False", "Use Proxy=True", [](const TestView& v) { EXPECT_TRUE(v.m_useProxy); }},
      {"Parity=N", "Parity=Even", [](const TestView&) { EXPECT_EQ(g_telescopeParity, 'E'); }},
      {"Parity=N", "Parity=", [](const TestView&) { EXPECT_EQ(g_telescopeParity, 'N'); }},
      {"Methode=1", "Methode=2.9", [](const TestView& v) { EXPECT_EQ(v.m_animationMethod, 2); }},
      {"Methode=1", "Methode=-3.7", [](const TestView& v) { EXPECT_EQ(v.m_animationMethod, -3); }},
      {"Methode=1", "Methode=1e300", [](const TestView& v) { EXPECT_EQ(v.m_animationMethod, 2147483647); }},
      {"Methode=1", "", [](const TestView& v) { EXPECT_EQ(v.m_animationMethod, 1); }},
      {"Server=3", "", [](const TestView&) { EXPECT_EQ(g_dssServer, 0); }},
      {"Server=3", "Server=258", [](const TestView&) { EXPECT_EQ(g_dssServer, 2); }},
      {"Interval=0", "Interval=-2147483648", [](const TestView& v) { EXPECT_EQ(v.m_presentInterval, 0x80000000u); }},
      {"Interval=0", "Interval=1", [](const TestView& v) { EXPECT_EQ(v.m_presentInterval, 1u); }},
      {"Back Buffer=80", "", [](const TestView& v) { EXPECT_EQ(v.m_depthStencilFormat, 80); }},
      {"Back Buffer=80", "Back Buffer=75", [](const TestView& v) { EXPECT_EQ(v.m_depthStencilFormat, 75); }},
      {"Serial port=1", "Serial port=200", [](const TestView& v) { EXPECT_EQ(v.m_gpsPort, -56); }},
      {"Serial port=1", "Serial port=3", [](const TestView& v) { EXPECT_EQ(v.m_gpsPort, 3); }},
      {"Speed=4800", "Speed=115200", [](const TestView& v) { EXPECT_EQ(v.m_gpsBaudRate, 115200); }},
      {"Parity=1", "Parity=258", [](const TestView& v) { EXPECT_EQ(v.m_gpsParity, 2); }},
      {"Speed=9600", "Speed=19200", [](const TestView&) { EXPECT_EQ(g_telescopeBaudRate, 19200); }},
      {"Borders color=4276545", "Borders color=16777215", [](const TestView& v) { EXPECT_EQ(v.m_borderColor, 0xFFFFFFu); }},
      {"Borders color=4276545", "", [](const TestView& v) { EXPECT_EQ(v.m_borderColor, 4276545u); }},
      {"Stars names font=Verdana", "Stars names font=Arial", [](const TestView& v) {
         const char expected[LF_FACESIZE] = "Arial";
         EXPECT_EQ(std::memcmp(v.m_labelLogFonts[0].lfFaceName, expected, LF_FACESIZE), 0);
       }},
      {"Stars names font=Verdana", "", [](const TestView& v) { EXPECT_STREQ(v.m_labelLogFonts[0].lfFaceName, "Verdana"); }},
      {"Stars names font=Verdana", "Stars names font=ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij", [](const TestView& v) {
         EXPECT_STREQ(v.m_labelLogFonts[0].lfFaceName, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde");
       }},
      {"Planets names font size=-15", "Planets names font size=-20", [](const TestView& v) { EXPECT_EQ(v.m_labelLogFonts[2].lfHeight, -20); }},
      {"Planets names font bold=200", "Planets names font bold=700", [](const TestView& v) { EXPECT_EQ(v.m_labelLogFonts[2].lfWeight, 700); }},
      {"Planets names font italic=1", "Planets names font italic=256", [](const TestView& v) { EXPECT_EQ(v.m_labelLogFonts[2].lfItalic, 0); }},
      {"Planets names font italic=1", "", [](const TestView& v) { EXPECT_EQ(v.m_labelLogFonts[2].lfItalic, 1); }},
      {"Probes font=Quartz", "Probes font=Symbol", [](const TestView& v) {
         EXPECT_STREQ(v.m_labelLogFonts[11].lfFaceName, "Symbol");
         EXPECT_STREQ(v.m_labelLogFonts[9].lfFaceName, "Symbol");  // kind 9 is not in the file
       }},
  };
  ScratchFolder dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    WriteBytes(dir.File("case.ini"), ReplaceLine(Golden(), c.from, c.to));
    TestView view;
    EXPECT_TRUE(view.LoadSettings(dir.File("case.ini")));
    c.check(view);
  }
}

TEST(SettingsFile, DeviceKeysLeftOutSelectTheImmediateIntervalAndSwitchOff) {
  ScratchFolder dir;
  TestView writer;
  writer.m_videoConfigValid = false;
  ASSERT_TRUE(writer.SaveSettings(dir.File("a.ini")));
  TestView view;
  view.m_depthStencilFormat = 77;
  view.m_vertexProcessing = 1;
  view.m_presentInterval = 1;
  EXPECT_TRUE(view.LoadSettings(dir.File("a.ini")));
  EXPECT_EQ(view.m_depthStencilFormat, 77);
  EXPECT_EQ(view.m_vertexProcessing, 1);
  EXPECT_EQ(view.m_presentInterval, 0x80000000u);
  EXPECT_FALSE(view.m_mipMapping);
  EXPECT_FALSE(view.m_textureCompression);
}

TEST(SettingsFile, MissingSkySurveySectionSelectsNothingAndSwitchesOff) {
  ScratchFolder dir;
  WriteBytes(dir.File("a.ini"), RemoveSection(ReplaceLine(Golden(), "On=False", "On=True"), "DSS Settings"));
  TestView view;
  g_dssEnabled = true;
  EXPECT_TRUE(view.LoadSettings(dir.File("a.ini")));
  EXPECT_FALSE(g_dssEnabled);
  EXPECT_EQ(g_dssServer, 0);
  EXPECT_EQ(g_dssMode, 0);
  EXPECT_EQ(g_dssOptions, 0);
}

// The comet list against loaded records: unknown names and names differing
// in case are dropped, the order is kept.
TEST(SettingsFile, DisplayListsKeepOnlyLoadedNamesInOrder) {
  ScratchFolder dir;
  std::string text = Golden();
  text = ReplaceLine(text, "Number of comets=0",
                     "Number of comets=4\r\nComets nb 0=2P/Encke\r\nComets nb 1=Unknown\r\nComets nb 2=1P/Halley\r\n"
                     "Comets nb 3=c/1995 o1 (hale-bopp)");
  WriteBytes(dir.File("a.ini"), text);
  TestView view;
  view.comets = {"C/1995 O1 (Hale-Bopp)", "1P/Halley", "2P/Encke"};
  EXPECT_TRUE(view.LoadSettings(dir.File("a.ini")));
  ASSERT_EQ(g_displayedCometCount, 2);
  EXPECT_EQ(g_displayedCometNames[0], "2P/Encke");
  EXPECT_EQ(g_displayedCometIndices[0], 2);
  EXPECT_EQ(g_displayedCometNames[1], "1P/Halley");
  EXPECT_EQ(g_displayedCometIndices[1], 1);
  EXPECT_EQ(g_displayedAsteroidCount, 0);

  // Written back: the count and the kept names only.
  ASSERT_TRUE(view.SaveSettings(dir.File("b.ini")));
  const std::string written = ReadBytes(dir.File("b.ini"));
  EXPECT_NE(written.find("[Comets]\r\nNumber of comets=2\r\nComets nb 0=2P/Encke\r\nComets nb 1=1P/Halley\r\n\r\n\r\n"
                         "[Asteroids]\r\nNumber of asteroids=0\r\n"),
            std::string::npos);
}

TEST(SettingsFile, DisplayListCountIsHeldAtTheListSize) {
  ScratchFolder dir;
  std::string entries = "Number of asteroids=500";
  TestView view;
  for (int i = 0; i < 150; ++i) {
    const std::string name = "(" + std::to_string(i) + ") Rock";
    view.asteroids.push_back(name);
    entries += "\r\nAsteroids nb " + std::to_string(i) + "=" + name;
  }
  WriteBytes(dir.File("a.ini"), ReplaceLine(Golden(), "Number of asteroids=0", entries));
  EXPECT_TRUE(view.LoadSettings(dir.File("a.ini")));
  ASSERT_EQ(g_displayedAsteroidCount, kDisplayListSize);
  EXPECT_EQ(g_displayedAsteroidNames[100], "(100) Rock");
  EXPECT_EQ(g_displayedAsteroidIndices[100], 100);

  // A negative count is an empty list.
  WriteBytes(dir.File("b.ini"), ReplaceLine(Golden(), "Number of asteroids=0", "Number of asteroids=-5"));
  EXPECT_TRUE(view.LoadSettings(dir.File("b.ini")));
  EXPECT_EQ(g_displayedAsteroidCount, 0);
}

TEST(SettingsFile, MatchingRunsOnTheCurrentListsWhenTheCountIsMissing) {
  ScratchFolder dir;
  WriteBytes(dir.File("a.ini"), RemoveSection(Golden(), "Asteroids"));
  TestView view;
  view.asteroids = {"Ceres", "Vesta"};
  g_displayedAsteroidCount = 3;
  g_displayedAsteroidNames[0] = "Vesta";
  g_displayedAsteroidNames[1] = "Pallas";
  g_displayedAsteroidNames[2] = "Ceres";
  EXPECT_TRUE(view.LoadSettings(dir.File("a.ini")));
  ASSERT_EQ(g_displayedAsteroidCount, 2);
  EXPECT_EQ(g_displayedAsteroidNames[0], "Vesta");
  EXPECT_EQ(g_displayedAsteroidIndices[0], 1);
  EXPECT_EQ(g_displayedAsteroidNames[1], "Ceres");
  EXPECT_EQ(g_displayedAsteroidIndices[1], 0);
}

// Every key set away from its default survives a save and a read.
TEST(SettingsFile, RoundTripKeepsEveryValue) {
  ScratchFolder dir;
  TestView a;
  a.m_observerLatitude = -0.5;
  a.m_observerLongitude = 2.25;
  a.m_utcOffset = -3.5;
  a.m_pressure = 0.0;
  a.m_temperature = -12.75;
  a.m_observerElevation = 2250.5;
  a.m_magnitudeZero = 16.5f;
  a.m_starMagnitudeLimit = 9.25f;
  a.m_deepSkyMagnitudeLimit = 14.125;
  a.m_milkyWayLuminosity = 200;
  a.m_cometMagnitudeLimit = 8.5;
  a.m_asteroidMagnitudeLimit = 12.5;
  a.m_constellationNameLanguage = 1;
  a.m_starNameStyle = 3;
  a.m_landscapeElevation = 250;
  a.m_landscapeOrientation = -90;
  a.m_showCloudySky = a.m_realTimeCloudMap = a.m_showRule = true;
  a.m_showPlanetNames = false;
  a.m_showConstellationNames = a.m_showStarNames = a.m_showConstellationBorders = true;
  a.m_showDeepSkyObjects = false;
  a.m_showDeepSkyNames = a.m_showConstellationFigures = true;
  a.m_showLandscape = a.m_showStatusLine = false;
  a.m_showEquator = a.m_showEcliptic = true;
  a.m_useSky2000 = a.m_useTycho2 = a.m_showDeepSkyPictures = false;
  a.m_showComets = a.m_showAsteroids = true;
  a.m_computeSatellitePositions = a.m_showSatelliteNames = a.m_naturalSkyColor = false;
  a.m_showEquatorialGrid = a.m_showHorizontalGrid = a.m_showOrbits = true;
  a.m_milkyWay = 0;
  a.m_showSetiWorkUnits = a.m_planetariumMode = true;
  a.m_landscapeFile = "desert.tga";
  a.m_setiClientStatePath = "/home/user/boinc/client_state.xml";
  a.m_zoomStep = 1.25f;
  a.m_showTipsAtStartup = a.m_showAlertsAtStartup = a.m_showTimeZoneAlert = false;
  a.m_moonScaleFactor = 4.0f;
  a.m_sunScaleFactor = 0.5f;
  a.m_skyColorRed = 255;
  a.m_skyColorGreen = 128;
  a.m_skyColorBlue = 0;
  a.m_autoUpdateElements = a.m_autoUpdateComets = a.m_autoUpdateAsteroids = a.m_autoUpdateSatellites = false;
  g_dssEnabled = true;
  g_dssServer = 2;
  g_dssMode = 2;
  g_dssOptions = 3;
  a.m_animationMethod = 2;
  a.m_animationStepDays = 1.0;
  a.m_animationStepHours = 2.0;
  a.m_animationStepMinutes = 3.0;
  a.m_animationStepSeconds = 4.5;
  a.m_animationFps = 25.0;
  a.m_animationSpeedFactor = 86400.0;
  a.m_animationAutomatic = false;
  a.m_realTime = true;
  a.m_useLx200Driver = false;
  g_telescopePort = "/dev/ttyUSB0";
  g_telescopeBaudRate = 19200;
  g_telescopeParity = 'O';
  g_telescopeDataBits = 7;
  g_telescopeStopBits = 2;
  COLORREF* colours[] = {&a.m_borderColor,     &a.m_figureColor,      &a.m_starNameColor,  &a.m_deepSkyNameColor,
                         &a.m_constellationNameColor, &a.m_planetNameColor, &a.m_ruleColor, &a.m_eclipticColor,
                         &a.m_equatorColor,    &a.m_cometNameColor,   &a.m_asteroidNameColor, &a.m_gridColor,
                         &a.m_probeNameColor,  &a.m_horizonLineColor, &a.m_orbitLineColor};
  for (size_t i = 0; i < std::size(colours); ++i) *colours[i] = RGB(static_cast<BYTE>(10 * i + 1), 255, static_cast<BYTE>(i));
  for (int kind = 0; kind < kLabelFontCount; ++kind) {
    LOGFONT& f = a.m_labelLogFonts[kind];
    std::snprintf(f.lfFaceName, sizeof f.lfFaceName, "Face %d", kind);
    f.lfHeight = -20 - kind;
    f.lfWeight = 100 * (kind % 9 + 1) + 50;
    f.lfItalic = kind == 3 ? 200 : (f.lfItalic ? 0 : 1);
  }
  a.m_textureLevel = 200;
  a.m_antialiasing = 4;
  a.m_bumpMapping = 1;
  a.m_lensFlare = false;
  a.m_reflection = a.m_cloudShadows = a.m_wireframe = true;
  a.m_showAtmospheres = false;
  a.m_starPictureFile = "etoile1.tga";
  a.m_depthStencilFormat = 75;
  a.m_presentInterval = 0x80000000u;
  a.m_mipMapping = false;
  a.m_textureCompression = true;
  a.m_vertexProcessing = 2;
  a.m_useProxy = true;
  a.m_proxyName = "proxy.example:3128";
  a.m_gpsPort = 4;
  a.m_gpsDevice = "/dev/serial/by-id/usb-u-blox_AG_GNSS_receiver-if00";
  a.m_gpsBaudRate = 9600;
  a.m_gpsParity = 3;
  a.m_gpsDataBits = 7;
  a.m_gpsStopBits = 2;
  a.comets = {"1P/Halley"};
  g_displayedCometCount = 1;
  g_displayedCometNames[0] = "1P/Halley";
  ASSERT_TRUE(a.SaveSettings(dir.File("a.ini")));

  // Every key line differs from the defaults' (so every key was exercised).
  const std::string written = ReadBytes(dir.File("a.ini"));
  std::istringstream mine(written), base(Golden());
  std::string l1, l2;
  while (std::getline(mine, l1) && std::getline(base, l2)) {
    if (l1.find('=') == std::string::npos || l1.rfind("Number of", 0) == 0) continue;
    EXPECT_NE(l1, l2);
  }
  // Signed bytes are written sign-extended, italic flags as they are.
  EXPECT_NE(written.find("Sky color (red)=-1\r\n"), std::string::npos);
  EXPECT_NE(written.find("Texture level=-56\r\n"), std::string::npos);
  EXPECT_NE(written.find("Rule font italic=200\r\n"), std::string::npos);
  EXPECT_NE(written.find("Interval=-2147483648\r\n"), std::string::npos);

  g_dssEnabled = false;
  g_dssServer = g_dssMode = g_dssOptions = 1;
  g_telescopePort = "COM1";
  g_telescopeParity = 'N';
  TestView b;  // resets the lists and the serial globals
  b.comets = {"1P/Halley"};
  ASSERT_TRUE(b.LoadSettings(dir.File("a.ini")));
  ASSERT_TRUE(b.SaveSettings(dir.File("b.ini")));
  EXPECT_EQ(ReadBytes(dir.File("b.ini")), written);

  EXPECT_NEAR(b.m_observerLatitude, -0.5, 1e-12);
  EXPECT_NEAR(b.m_observerLongitude, 2.25, 1e-12);
  EXPECT_EQ(b.m_temperature, -12.75);
  EXPECT_EQ(b.m_magnitudeZero, 16.5f);
  EXPECT_EQ(b.m_milkyWayLuminosity, 200);
  EXPECT_EQ(b.m_landscapeElevation, 250);
  EXPECT_EQ(b.m_skyColorRed, 255);
  EXPECT_EQ(b.m_textureLevel, 200);
  EXPECT_EQ(b.m_milkyWay, 0);
  EXPECT_EQ(b.m_landscapeOrientation, -90);
  EXPECT_EQ(b.m_setiClientStatePath, "/home/user/boinc/client_state.xml");
  EXPECT_EQ(b.m_zoomStep, 1.25f);
  EXPECT_TRUE(g_dssEnabled);
  EXPECT_EQ(g_dssOptions, 3);
  EXPECT_EQ(b.m_animationMethod, 2);
  EXPECT_EQ(b.m_animationStepSeconds, 4.5);
  EXPECT_EQ(g_telescopePort, "/dev/ttyUSB0");
  EXPECT_EQ(g_telescopeParity, 'O');
  EXPECT_EQ(b.m_presentInterval, 0x80000000u);
  EXPECT_EQ(b.m_vertexProcessing, 2);
  EXPECT_EQ(b.m_proxyName, "proxy.example:3128");
  EXPECT_EQ(b.m_gpsParity, 3);
  EXPECT_EQ(b.m_gpsDevice, "/dev/serial/by-id/usb-u-blox_AG_GNSS_receiver-if00");
  EXPECT_EQ(b.m_orbitLineColor, a.m_orbitLineColor);
  for (int kind = 0; kind < kLabelFontCount; ++kind) {
    if (kind == 9) continue;  // not kept in the file
    SCOPED_TRACE(kind);
    EXPECT_STREQ(b.m_labelLogFonts[kind].lfFaceName, a.m_labelLogFonts[kind].lfFaceName);
    EXPECT_EQ(b.m_labelLogFonts[kind].lfHeight, a.m_labelLogFonts[kind].lfHeight);
    EXPECT_EQ(b.m_labelLogFonts[kind].lfWeight, a.m_labelLogFonts[kind].lfWeight);
    EXPECT_EQ(b.m_labelLogFonts[kind].lfItalic, a.m_labelLogFonts[kind].lfItalic);
  }
  EXPECT_STREQ(b.m_labelLogFonts[9].lfFaceName, "Symbol");
  ASSERT_EQ(g_displayedCometCount, 1);
  EXPECT_EQ(g_displayedCometIndices[0], 0);
}

TEST(SettingsFile, MilkyWayLevelBecomesOneAfterASaveAndARead) {
  ScratchFolder dir;
  TestView view;
  EXPECT_EQ(view.m_milkyWay, 2);
  ASSERT_TRUE(view.SaveSettings(dir.File("a.ini")));
  ASSERT_TRUE(view.LoadSettings(dir.File("a.ini")));
  EXPECT_EQ(view.m_milkyWay, 1);
}

TEST(SettingsFile, DefaultsLeaveListsAndPlaceAlone) {
  TestView view;
  view.m_observerLatitude = 0.1;
  view.m_planetariumMode = true;
  view.m_zoomStep = 2.0f;
  view.m_landscapeFile = "x.tga";
  g_displayedCometCount = 1;
  g_displayedCometNames[0] = "1P/Halley";
  g_dssServer = 2;
  view.m_showStarNames = true;
  view.m_milkyWay = 0;
  view.SetDefaultSettings();
  EXPECT_EQ(view.m_observerLatitude, 0.1);
  EXPECT_TRUE(view.m_planetariumMode);
  EXPECT_EQ(view.m_zoomStep, 2.0f);
  EXPECT_EQ(view.m_landscapeFile, "x.tga");
  EXPECT_EQ(g_displayedCometCount, 1);
  EXPECT_EQ(g_dssServer, 2);
  EXPECT_FALSE(view.m_showStarNames);
  EXPECT_EQ(view.m_milkyWay, 2);
}

}  // namespace
