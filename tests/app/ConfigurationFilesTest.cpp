#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

#include "SettingsTestView.h"
#include "TestFiles.h"

namespace {

TEST(ConfigurationFiles, ExtensionIsTheRealOneWhateverItsCase) {
  struct Case {
    const char* path;
    const char* extension;
    bool expected;
  };
  const Case cases[] = {
      {"/home/u/sky.ini", ".ini", true},
      {"/home/u/SKY.INI", ".ini", true},
      {"/home/u/sky.Ini", ".ini", true},
      {"/home/u/conf.ini/sky.txt", ".ini", false},
      {"/home/u/sky.ini.bak", ".ini", false},
      {"/home/u/skyini", ".ini", false},
      {"/home/u.ini/sky", ".ini", false},
      {"C:\\old\\NUVARINE.CFG", ".cfg", true},
      {"/home/u/sky.cfg", ".ini", false},
      {"", ".ini", false},
  };
  for (const Case& c : cases) EXPECT_EQ(HasFileExtension(c.path, c.extension), c.expected) << c.path;
}

TEST(ConfigurationFiles, DialogTextsFollowTheInterfaceLanguage) {
  TestView view;
  EXPECT_STREQ(view.OpenDialogTexts().filter, "Configuration file| *.ini|");
  EXPECT_STREQ(view.SaveAsDialogTexts().filter, "Configuration file .ini| *.ini|");
  EXPECT_STREQ(view.ImportV1DialogTexts().filter, "Configuration file version 1| *.cfg|");
  EXPECT_STREQ(view.ImportV1DialogTexts().defaultExtension, ".cfg");
  view.m_englishUi = false;
  EXPECT_STREQ(view.OpenDialogTexts().filter, "Fichier configuration| *.ini|");
  EXPECT_STREQ(view.SaveAsDialogTexts().filter, "Fichier configuration .ini| *.ini|");
  EXPECT_STREQ(view.ImportV1DialogTexts().filter, "Fichier configuration version 1| *.cfg|");
  EXPECT_STREQ(view.OpenDialogTexts().defaultExtension, ".ini");
}

TEST(ConfigurationFiles, SaveAsAndOpenCheckTheExtensionAndReportAFailedWrite) {
  ScratchFolder dir;
  TestView view;
  view.m_showStarNames = true;
  EXPECT_TRUE(view.SaveConfigurationFileAs(dir.File("Mine.INI")).done);
  EXPECT_FALSE(view.SaveConfigurationFileAs(dir.File("mine.ini.txt")).done);
  EXPECT_FALSE(std::filesystem::exists(dir.File("mine.ini.txt")));

  const SettingsCommandResult failed = view.SaveConfigurationFileAs(dir.File("missing/folder.ini"));
  EXPECT_FALSE(failed.done);
  EXPECT_EQ(failed.message, "The configuration file could not be written:\n" + dir.File("missing/folder.ini"));

  TestView other;
  other.m_observerLatitude = 0.0;
  other.UpdateObserverTerms();
  EXPECT_FALSE(other.OpenConfigurationFile(dir.File("Mine.INI.bak")).done);
  EXPECT_FALSE(other.m_showStarNames);
  EXPECT_TRUE(other.OpenConfigurationFile(dir.File("Mine.INI")).done);
  EXPECT_TRUE(other.m_showStarNames);
  // The terms derived from the place follow the place read.
  EXPECT_NEAR(other.m_observerLatitude, 0.7824892813107911, 1e-12);
  EXPECT_EQ(other.m_sinLatitude, std::sin(other.m_observerLatitude));
}

TEST(ConfigurationFiles, OpenOfAFileThatIsNoConfigurationSaysSoAndChangesNothing) {
  ScratchFolder dir;
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
  WriteBytes(dir.File("garbage.ini"), garbage);
  WriteBytes(dir.File("foreign.ini"), CrLf({"[Paths]", "Home=/tmp", "[Colours]", "Red=1"}));
  {
    // Larger than any settings file: sparse, so it costs no disk.
    std::ofstream big(dir.File("big.ini"), std::ios::binary);
    big.seekp(100 * 1024 * 1024);
    big.put('\n');
  }
  ASSERT_EQ(::mkfifo(dir.File("pipe.ini").c_str(), 0600), 0);
  struct Case {
    const char* name;
    const char* says;
  };
  const Case cases[] = {
      {"garbage.ini", "This file holds no Nuvarine 2 settings; nothing was changed:\n"},
      {"foreign.ini", "This file holds no Nuvarine 2 settings; nothing was changed:\n"},
      {"big.ini", "The configuration file could not be read"},
      {"pipe.ini", "The configuration file could not be read"},
      {"absent.ini", "The configuration file could not be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestView view;
    view.m_showStarNames = true;
    view.m_zoomStep = 1.2f;
    const SettingsCommandResult result = view.OpenConfigurationFile(dir.File(c.name));
    EXPECT_FALSE(result.done);
    EXPECT_EQ(result.message.find(c.says), 0u) << result.message;
    EXPECT_NE(result.message.find(dir.File(c.name)), std::string::npos);
    EXPECT_TRUE(view.m_showStarNames);
    EXPECT_EQ(view.m_zoomStep, 1.2f);
  }
  // A version-1 file that cannot be read says so too.
  TestView view;
  const SettingsCommandResult v1 = view.ImportConfigurationV1(dir.File("pipe.cfg"));
  EXPECT_FALSE(v1.done);
  EXPECT_EQ(v1.message, "The configuration file could not be read:\n" + dir.File("pipe.cfg"));
}

// --- Version-1 files ----------------------------------------------------------

class V1File {
 public:
  V1File() : bytes_(1768, '\0') {}
  V1File& Text(size_t offset, const std::string& text) {
    std::memcpy(&bytes_[offset], text.data(), text.size());
    return *this;
  }
  V1File& Byte(size_t offset, unsigned char value) {
    bytes_[offset] = static_cast<char>(value);
    return *this;
  }
  V1File& Font(size_t offset, int32_t height, int32_t weight, unsigned char italic, const char* face) {
    auto put32 = [&](size_t at, int32_t v) {
      const uint32_t u = static_cast<uint32_t>(v);
      for (int i = 0; i < 4; ++i) bytes_[at + static_cast<size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
    };
    put32(offset, height);
    put32(offset + 4, 3);   // width
    put32(offset + 8, 0);   // escapement
    put32(offset + 12, 0);  // orientation
    put32(offset + 16, weight);
    bytes_[offset + 20] = static_cast<char>(italic);
    bytes_[offset + 23] = 1;  // character set
    std::memcpy(&bytes_[offset + 28], face, strnlen(face, 32));
    return *this;
  }
  std::string Prefix(size_t n) const { return bytes_.substr(0, n); }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// A complete file with every field set.
V1File FullV1File() {
  V1File f;
  f.Text(0, "NUV1").Text(6, "0.61").Text(36, "-0.0407").Text(66, "1.5").Text(96, "16").Text(126, "11.5");
  f.Text(156, "12.25").Text(186, "99").Text(336, "1020.5").Text(366, "-4").Byte(396, '3');
  const char flags[] = "1011101010101";  // offsets 397 to 409
  for (size_t i = 0; i < 13; ++i) f.Byte(397 + i, static_cast<unsigned char>(flags[i]));
  f.Byte(412, '0');
  const size_t colours[] = {414, 444, 474, 504, 534, 564, 594, 624, 654};
  for (size_t i = 0; i < 9; ++i) f.Text(colours[i], std::to_string(1000 + i));
  const size_t fonts[] = {684, 744, 804, 864, 924, 984, 1044};
  for (size_t i = 0; i < 7; ++i) f.Font(fonts[i], -10 - static_cast<int>(i), 700, 1, ("Font" + std::to_string(i)).c_str());
  f.Byte(1104, '1').Byte(1105, '0').Text(1106, "350").Byte(1136, '1').Text(1137, "2000");
  f.Font(1167, -30, 300, 0, "CometFace").Byte(1227, '1').Text(1228, "3000").Font(1258, -31, 301, 1, "AsteroidFace");
  f.Text(1318, "1.1").Text(1348, "5").Byte(1378, '0').Byte(1379, 0).Byte(1380, 4).Byte(1381, 2);
  f.Byte(1382, '1').Byte(1383, '1').Text(1384, "4000").Font(1414, -13, 400, 0, "GridFace");
  f.Byte(1474, '1').Byte(1475, '1').Text(1476, "C:\\BOINC\\client_state.xml").Text(1576, "ignored");
  f.Text(1676, "9.5").Text(1706, "10.5").Text(1737, "5000").Byte(1767, 7);
  return f;
}

TEST(ConfigurationFiles, ImportOfAFullVersion1File) {
  ScratchFolder dir;
  WriteBytes(dir.File("old.cfg"), FullV1File().Bytes());
  TestView view;
  ASSERT_TRUE(view.ImportConfigurationV1(dir.File("old.cfg")).done);
  EXPECT_EQ(view.m_observerLatitude, 0.61);  // radians, as stored
  EXPECT_EQ(view.m_observerLongitude, -0.0407);
  EXPECT_EQ(view.m_utcOffset, 1.5);
  EXPECT_EQ(view.m_magnitudeZero, 16.0f);
  EXPECT_EQ(view.m_starMagnitudeLimit, 11.5f);
  EXPECT_EQ(view.m_deepSkyMagnitudeLimit, 12.25);
  EXPECT_EQ(view.m_pressure, 1020.5);
  EXPECT_EQ(view.m_temperature, -4.0);
  EXPECT_EQ(view.m_constellationNameLanguage, 51);  // the character '3'
  EXPECT_TRUE(view.m_showRule);
  EXPECT_FALSE(view.m_showPlanetNames);
  EXPECT_TRUE(view.m_showConstellationNames);
  EXPECT_TRUE(view.m_showStarNames);
  EXPECT_TRUE(view.m_showConstellationBorders);
  EXPECT_FALSE(view.m_showDeepSkyObjects);
  EXPECT_TRUE(view.m_showDeepSkyNames);
  EXPECT_FALSE(view.m_showConstellationFigures);
  EXPECT_TRUE(view.m_showLandscape);
  EXPECT_FALSE(view.m_animationAutomatic);
  EXPECT_TRUE(view.m_showStatusLine);
  EXPECT_FALSE(view.m_showEquator);
  EXPECT_TRUE(view.m_showEcliptic);
  EXPECT_FALSE(view.m_useSky2000);
  EXPECT_EQ(view.m_borderColor, 1000u);
  EXPECT_EQ(view.m_equatorColor, 1008u);
  EXPECT_STREQ(view.m_labelLogFonts[0].lfFaceName, "Font0");
  EXPECT_STREQ(view.m_labelLogFonts[4].lfFaceName, "Font2");  // third font field: constellation names
  EXPECT_STREQ(view.m_labelLogFonts[2].lfFaceName, "Font3");
  EXPECT_EQ(view.m_labelLogFonts[6].lfHeight, -16);
  EXPECT_EQ(view.m_labelLogFonts[6].lfWidth, 3);
  EXPECT_EQ(view.m_labelLogFonts[6].lfWeight, 700);
  EXPECT_EQ(view.m_labelLogFonts[6].lfCharSet, 1);
  EXPECT_TRUE(view.m_showDeepSkyPictures);
  EXPECT_FALSE(view.m_useTycho2);
  EXPECT_EQ(view.m_observerElevation, 350.0);
  EXPECT_TRUE(view.m_showComets);
  EXPECT_EQ(view.m_cometNameColor, 2000u);
  EXPECT_STREQ(view.m_labelLogFonts[7].lfFaceName, "CometFace");
  EXPECT_TRUE(view.m_showAsteroids);
  EXPECT_EQ(view.m_asteroidNameColor, 3000u);
  EXPECT_EQ(view.m_labelLogFonts[8].lfWeight, 301);
  EXPECT_EQ(view.m_zoomStep, 1.1f);
  EXPECT_FALSE(view.m_naturalSkyColor);
  EXPECT_EQ(view.m_milkyWay, 0);
  EXPECT_EQ(view.m_milkyWayLuminosity, 4);
  EXPECT_EQ(view.m_starNameStyle, 2);
  EXPECT_TRUE(view.m_showEquatorialGrid);
  EXPECT_TRUE(view.m_showHorizontalGrid);
  EXPECT_EQ(view.m_gridColor, 4000u);
  EXPECT_STREQ(view.m_labelLogFonts[10].lfFaceName, "GridFace");
  EXPECT_TRUE(view.m_optionsDialogFlag);
  EXPECT_TRUE(view.m_showSetiWorkUnits);
  EXPECT_EQ(view.m_setiClientStatePath, "C:\\BOINC\\client_state.xml");
  EXPECT_EQ(view.m_asteroidMagnitudeLimit, 9.5);
  EXPECT_EQ(view.m_cometMagnitudeLimit, 10.5);
  EXPECT_EQ(view.m_horizonLineColor, 5000u);
  EXPECT_EQ(view.m_landscapeElevation, 7);
  // Untouched by the file.
  EXPECT_STREQ(view.m_labelLogFonts[9].lfFaceName, "Symbol");
  EXPECT_STREQ(view.m_labelLogFonts[11].lfFaceName, "Quartz");
  EXPECT_EQ(view.m_probeNameColor, 12910591u);
  EXPECT_DOUBLE_EQ(view.m_cosLatitude, std::cos(0.61));
}

TEST(ConfigurationFiles, ImportOfAShortFileTakesTheWholeFieldsItHolds) {
  ScratchFolder dir;
  WriteBytes(dir.File("short.cfg"), FullV1File().Prefix(700));
  TestView view;
  ASSERT_TRUE(view.ImportConfigurationV1(dir.File("short.cfg")).done);
  EXPECT_EQ(view.m_observerLatitude, 0.61);
  EXPECT_EQ(view.m_temperature, -4.0);
  EXPECT_TRUE(view.m_showEcliptic);
  EXPECT_FALSE(view.m_useSky2000);
  EXPECT_EQ(view.m_equatorColor, 1008u);  // the ninth colour ends at offset 683
  // The first font field does not fit: it and everything after stay.
  EXPECT_STREQ(view.m_labelLogFonts[0].lfFaceName, "Verdana");
  EXPECT_TRUE(view.m_useTycho2);
  EXPECT_EQ(view.m_observerElevation, 0.0);
  EXPECT_EQ(view.m_zoomStep, 1.07f);
  EXPECT_EQ(view.m_setiClientStatePath, "");
  EXPECT_EQ(view.m_landscapeElevation, 0);

  // An empty file changes nothing; a missing one neither.
  TestView other;
  WriteBytes(dir.File("empty.cfg"), "");
  EXPECT_TRUE(other.ImportConfigurationV1(dir.File("empty.cfg")).done);
  EXPECT_FALSE(other.ImportConfigurationV1(dir.File("absent.cfg")).done);
  EXPECT_FALSE(other.ImportConfigurationV1(dir.File("old.cfg.ini")).done);
  EXPECT_EQ(other.m_observerLatitude, 0.7824892813107911);
}

TEST(ConfigurationFiles, ImportFlagsAreTrueOnlyForTheCharacterOne) {
  ScratchFolder dir;
  const unsigned char bytes[] = {'1', '0', 'Y', 0, 1, 'y', 255};
  for (unsigned char b : bytes) {
    SCOPED_TRACE(static_cast<int>(b));
    V1File f = FullV1File();
    f.Byte(398, b);
    WriteBytes(dir.File("flag.cfg"), f.Bytes());
    TestView view;
    view.ImportConfigurationV1(dir.File("flag.cfg"));
    EXPECT_EQ(view.m_showPlanetNames, b == '1');
  }
}

TEST(ConfigurationFiles, ImportBoundsFieldsWithoutTerminators) {
  ScratchFolder dir;
  V1File f = FullV1File();
  f.Text(6, std::string(30, '1'));                       // a number filling its field
  f.Text(36, std::string("0.25") + '\0');
  f.Text(414, std::string(30, '9'));                     // a colour beyond 32 bits
  f.Text(444, std::string("12abc") + '\0');                   // digits then other characters
  f.Text(1476, std::string(100, 'A'));                   // a text filling its field
  f.Text(1576, "TAIL");
  f.Text(684 + 28, std::string(32, 'Z'));                // a face name filling its field
  f.Text(744, "x");                                      // next field's first byte
  WriteBytes(dir.File("odd.cfg"), f.Bytes());
  TestView view;
  ASSERT_TRUE(view.ImportConfigurationV1(dir.File("odd.cfg")).done);
  EXPECT_DOUBLE_EQ(view.m_observerLatitude, 111111111111111111111111111111.0);
  EXPECT_EQ(view.m_observerLongitude, 0.25);
  EXPECT_EQ(view.m_borderColor, 0xFFFFFFFFu);
  EXPECT_EQ(view.m_figureColor, 12u);
  EXPECT_EQ(view.m_setiClientStatePath, std::string(100, 'A'));
  EXPECT_EQ(std::string(view.m_labelLogFonts[0].lfFaceName), std::string(31, 'Z'));
}

}  // namespace
