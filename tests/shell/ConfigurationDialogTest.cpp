// The configuration command and its dialog: what crosses between the view
// and the dialog, when the device is reset, "Apply" with a bad value, "By
// default", the page remembered after Cancel, the page rules, the Direct 3D
// box, the objects-to-display choice, and the settings file afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTimer>
#include <QWidget>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Nuvarine2View.h"
#include "OptionsDialog.h"
#include "ShellTestSupport.h"
#include "SolarSystemTypes.h"

namespace {

class ConfigView : public CNuvarine2View {
 public:
  bool ResetObjects(int, int) override {
    ++resets;
    return true;
  }
  INT_PTR RunOptionsDialog(Options& dialog) override {
    ++runs;
    if (answer) return answer(dialog);
    return CNuvarine2View::RunOptionsDialog(dialog);
  }
  int resets = 0, runs = 0;
  // Plays the user's part without a window: edits the values, gives the result.
  std::function<INT_PTR(Options&)> answer;
};

class ConfigurationDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    g_startupSequenceEnabled = false;
    g_lastOptionsPage = 0;
    SetMessageBoxHandler([this](const CString& text, const CString&, UINT) {
      messages.push_back(text.c_str());
      return IDOK;
    });
    savedComets = g_comets, savedCometCount = g_cometCount;
    savedAsteroids = g_asteroids, savedAsteroidCount = g_asteroidCount;
    std::strcpy(comets[0].name, "1P/Halley");
    std::strcpy(comets[1].name, "2P/Encke");
    std::strcpy(comets[2].name, "C/2020 F3 (NEOWISE)");
    g_comets = comets, g_cometCount = 3;
    std::strcpy(asteroids[0].name, "Ceres");
    std::strcpy(asteroids[1].name, "Vesta");
    g_asteroids = asteroids, g_asteroidCount = 2;
  }
  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    SetFileChooserHandler(nullptr);
    g_comets = savedComets, g_cometCount = savedCometCount;
    g_asteroids = savedAsteroids, g_asteroidCount = savedAsteroidCount;
    g_displayedCometCount = g_displayedAsteroidCount = 0;
    g_lastOptionsPage = 0;
  }
  // Runs the real dialog: `act` works its controls once it is shown.
  static void Answer(ConfigView& view, std::function<void(Options&)> act) {
    view.answer = [act](Options& dialog) -> INT_PTR {
      QTimer::singleShot(0, [&dialog, act] { act(dialog); });
      return dialog.DoModal();
    };
  }
  std::vector<std::string> messages;
  CometRecord comets[3] = {};
  AsteroidRecord asteroids[2] = {};
  CometRecord* savedComets = nullptr;
  AsteroidRecord* savedAsteroids = nullptr;
  int savedCometCount = 0, savedAsteroidCount = 0;
};

TEST_F(ConfigurationDialog, NameChoicesLuminosityPathsAndMipmappingCrossAsTheyShould) {
  ConfigView view;
  view.m_installFolder = "/opt/nv";
  // Name choices: values 1 to 3 as texts, anything else as no text; texts
  // back only when spelled exactly, else the value stays.
  struct Choice {
    int value;
    const char* language;
    const char* style;
  };
  const Choice choices[] = {{1, "Short", "Proper names"}, {2, "Latin", "Bayer letters"},
                            {3, "English", "Flamsteed numbers"}, {0, "", ""}, {7, "", ""}};
  for (const Choice& c : choices) {
    view.m_constellationNameLanguage = static_cast<BYTE>(c.value);
    view.m_starNameStyle = static_cast<BYTE>(c.value);
    OptionsSettings s = view.OptionsFromView();
    EXPECT_EQ(s.constellationLanguageText, c.language) << c.value;
    EXPECT_EQ(s.starNameStyleText, c.style) << c.value;
    view.OptionsToView(s);
    EXPECT_EQ(view.m_constellationNameLanguage, c.value);
    EXPECT_EQ(view.m_starNameStyle, c.value);
  }
  struct Back {
    const char* text;
    int language;
  };
  const Back backs[] = {{"Latin", 2}, {"latin", 3}, {"Latin ", 3}, {"", 3}, {"Klingon", 3}};
  for (const Back& b : backs) {
    view.m_constellationNameLanguage = 3;
    OptionsSettings s = view.OptionsFromView();
    s.constellationLanguageText = b.text;
    view.OptionsToView(s);
    EXPECT_EQ(view.m_constellationNameLanguage, b.language) << b.text;
  }

  // Luminosity is shown three lower; paths go in whole and come back as names.
  for (int luminosity : {0, 2, 6}) {
    view.m_milkyWayLuminosity = static_cast<BYTE>(luminosity);
    OptionsSettings s = view.OptionsFromView();
    EXPECT_EQ(s.milkyWayLuminosity, luminosity - 3);
    view.OptionsToView(s);
    EXPECT_EQ(view.m_milkyWayLuminosity, luminosity);
  }
  view.m_starPictureFile = "star.tga";
  view.m_landscapeFile = "alps.tga";
  OptionsSettings s = view.OptionsFromView();
  EXPECT_EQ(s.starPicturePath, "/opt/nv\\textures\\stars\\star.tga");
  EXPECT_EQ(s.landscapePath, "/opt/nv\\textures\\landscapes\\alps.tga");
  s.starPicturePath = "/home/me/pictures/Big Star.TGA";
  s.landscapePath = "C:\\old\\dunes.tga";
  view.OptionsToView(s);
  EXPECT_EQ(view.m_starPictureFile, "Big Star.TGA");
  EXPECT_EQ(view.m_landscapeFile, "dunes.tga");

  // Mipmapping is on only for the member 1; landscape height keeps its sign.
  for (int mip : {0, 1, 2}) {
    s.mipMapping = mip;
    view.OptionsToView(s);
    EXPECT_EQ(view.m_mipMapping, mip == 1) << mip;
  }
  s.landscapeElevation = -7;
  view.OptionsToView(s);
  EXPECT_EQ(view.OptionsFromView().landscapeElevation, -7);

  // The real-time cloud map is drawn on the atmospheres.
  s.realTimeCloudMap = true;
  s.showAtmospheres = false;
  view.OptionsToView(s);
  EXPECT_TRUE(view.m_showAtmospheres);
  s.realTimeCloudMap = false;
  view.OptionsToView(s);
  EXPECT_FALSE(view.m_showAtmospheres);
}

TEST_F(ConfigurationDialog, EveryPlainRowGoesInAndComesBackUnchanged) {
  ConfigView view;
  using V = CNuvarine2View;
  using S = OptionsSettings;
  struct Row {
    bool V::*view;
    bool S::*dialog;
  };
  const Row rows[] = {
      {&V::m_showConstellationNames, &S::showConstellationNames},
      {&V::m_showConstellationBorders, &S::showConstellationBorders},
      {&V::m_showConstellationFigures, &S::showConstellationFigures},
      {&V::m_showStarNames, &S::showStarNames},
      {&V::m_useSky2000, &S::useSky2000},
      {&V::m_useTycho2, &S::useTycho2},
      {&V::m_showDeepSkyObjects, &S::showDeepSkyObjects},
      {&V::m_showDeepSkyNames, &S::showDeepSkyNames},
      {&V::m_showDeepSkyPictures, &S::showDeepSkyPictures},
      {&V::m_showPlanetNames, &S::showPlanetNames},
      {&V::m_showComets, &S::showComets},
      {&V::m_showAsteroids, &S::showAsteroids},
      {&V::m_showOrbits, &S::showOrbits},
      {&V::m_showRule, &S::showRule},
      {&V::m_showEquatorialGrid, &S::showEquatorialGrid},
      {&V::m_showHorizontalGrid, &S::showHorizontalGrid},
      {&V::m_showEquator, &S::showEquator},
      {&V::m_showEcliptic, &S::showEcliptic},
      {&V::m_showStatusLine, &S::showStatusLine},
      {&V::m_naturalSkyColor, &S::naturalSkyColor},
      {&V::m_showLandscape, &S::showLandscape},
      {&V::m_showCloudySky, &S::showCloudySky},
      {&V::m_showSetiWorkUnits, &S::showSetiWorkUnits},
      {&V::m_reflection, &S::reflection},
      {&V::m_lensFlare, &S::lensFlare},
      {&V::m_wireframe, &S::wireframe},
      {&V::m_textureCompression, &S::textureCompression},
      {&V::m_cloudShadows, &S::cloudShadows},
      {&V::m_computeSatellitePositions, &S::computeSatellitePositions},
      {&V::m_showSatelliteNames, &S::showSatelliteNames},
  };
  for (const Row& row : rows) {
    for (bool on : {true, false}) {
      view.*row.view = on;
      OptionsSettings s = view.OptionsFromView();
      EXPECT_EQ(s.*row.dialog, on);
      s.*row.dialog = !on;
      view.OptionsToView(s);
      EXPECT_EQ(view.*row.view, !on);
    }
  }
  // Numbers, through their dialog types.
  view.m_starMagnitudeLimit = 9.25f;
  view.m_magnitudeZero = 21.0f;
  view.m_deepSkyMagnitudeLimit = 14.5;
  view.m_cometMagnitudeLimit = 8.5;
  view.m_asteroidMagnitudeLimit = 12.5;
  view.m_landscapeOrientation = 271;
  view.m_antialiasing = 4;
  view.m_textureLevel = 3;
  view.m_bumpMapping = 15;
  view.m_depthStencilFormat = 75;
  view.m_presentInterval = 0x80000000u;
  view.m_vertexProcessing = 2;
  view.m_setiClientStatePath = "/var/lib/boinc-client";
  OptionsSettings s = view.OptionsFromView();
  view.m_starMagnitudeLimit = view.m_magnitudeZero = 0.0f;
  view.m_deepSkyMagnitudeLimit = view.m_cometMagnitudeLimit = view.m_asteroidMagnitudeLimit = 0.0;
  view.m_landscapeOrientation = view.m_antialiasing = view.m_textureLevel = view.m_bumpMapping = 0;
  view.m_depthStencilFormat = 0, view.m_presentInterval = 0, view.m_vertexProcessing = 0;
  view.m_setiClientStatePath.Empty();
  view.OptionsToView(s);
  EXPECT_EQ(view.m_starMagnitudeLimit, 9.25f);
  EXPECT_EQ(view.m_magnitudeZero, 21.0f);
  EXPECT_EQ(view.m_deepSkyMagnitudeLimit, 14.5);
  EXPECT_EQ(view.m_cometMagnitudeLimit, 8.5);
  EXPECT_EQ(view.m_asteroidMagnitudeLimit, 12.5);
  EXPECT_EQ(view.m_landscapeOrientation, 271);
  EXPECT_EQ(view.m_antialiasing, 4);
  EXPECT_EQ(view.m_textureLevel, 3);
  EXPECT_EQ(view.m_bumpMapping, 15);
  EXPECT_EQ(view.m_depthStencilFormat, 75);
  EXPECT_EQ(view.m_presentInterval, 0x80000000u);
  EXPECT_EQ(view.m_vertexProcessing, 2);
  EXPECT_EQ(view.m_setiClientStatePath, "/var/lib/boinc-client");
}

TEST_F(ConfigurationDialog, DisplayedObjectsMatchRecordsAndComeBackAsPicked) {
  ConfigView view;
  g_displayedCometNames[0] = "c/2020 f3 (neowise)";  // any case
  g_displayedCometNames[1] = "3D/Biela";            // no record: dropped
  g_displayedCometNames[2] = "1P/Halley";
  g_displayedCometCount = 3;
  g_displayedAsteroidNames[0] = "Vesta";
  g_displayedAsteroidCount = 1;
  OptionsSettings s = view.OptionsFromView();
  ASSERT_EQ(s.cometNames.size(), 3u);
  EXPECT_EQ(s.selectedCometCount, 2);
  EXPECT_EQ(s.selectedComets[0], 2);
  EXPECT_EQ(s.selectedComets[1], 0);
  EXPECT_EQ(s.selectedAsteroidCount, 1);
  EXPECT_EQ(s.selectedAsteroids[0], 1);
  view.answer = [](Options&) { return IDOK; };
  view.OnConfiguration();
  ASSERT_EQ(g_displayedCometCount, 2);
  EXPECT_EQ(g_displayedCometNames[0], "C/2020 F3 (NEOWISE)");
  EXPECT_EQ(g_displayedCometIndices[0], 2);
  EXPECT_EQ(g_displayedCometNames[1], "1P/Halley");
  EXPECT_EQ(g_displayedCometIndices[1], 0);
  ASSERT_EQ(g_displayedAsteroidCount, 1);
  EXPECT_EQ(g_displayedAsteroidIndices[0], 1);
  // A count beyond the lists' capacity is capped before anything is copied.
  s = view.OptionsFromView();
  s.selectedCometCount = 5000;
  for (int& pick : s.selectedComets) pick = 1;
  view.OptionsToView(s);
  EXPECT_EQ(g_displayedCometCount, kSelectionCapacity);
}

TEST_F(ConfigurationDialog, DeviceResetOnlyWhenADeviceSettingChanged) {
  using S = OptionsSettings;
  struct Row {
    const char* name;
    std::function<void(S&)> change;
    bool reset;
  };
  const std::vector<Row> rows = {
      {"nothing", [](S&) {}, false},
      {"atmospheres", [](S& s) { s.showAtmospheres = !s.showAtmospheres; }, true},
      {"antialiasing", [](S& s) { s.antialiasing = 2; }, true},
      {"texture level", [](S& s) { s.textureLevel = 4; }, true},
      {"bump mapping", [](S& s) { s.bumpMapping = 3; }, true},
      {"milky way hidden", [](S& s) { s.milkyWay = 0; }, true},
      {"milky way 2 ticked", [](S& s) { s.milkyWay = 1; }, false},
      {"lens flare", [](S& s) { s.lensFlare = !s.lensFlare; }, true},
      {"star picture", [](S& s) { s.starPicturePath = "/x/other.tga"; }, true},
      {"star picture case", [](S& s) { s.starPicturePath = "/x/STAR.TGA"; }, false},
      {"landscape", [](S& s) { s.landscapePath = "/x/dunes.tga"; }, true},
      {"landscape case", [](S& s) { s.landscapePath = "/y/Alps.TGA"; }, false},
      {"wireframe", [](S& s) { s.wireframe = !s.wireframe; }, true},
      {"depth format", [](S& s) { s.depthStencilFormat = 75; }, true},
      {"interval", [](S& s) { s.presentInterval = 1; }, true},
      {"compression", [](S& s) { s.textureCompression = !s.textureCompression; }, true},
      {"cloudy sky", [](S& s) { s.showCloudySky = !s.showCloudySky; }, true},
      {"mipmapping", [](S& s) { s.mipMapping = 0; }, true},
      {"reflection", [](S& s) { s.reflection = !s.reflection; }, true},
      {"real-time cloud map", [](S& s) { s.realTimeCloudMap = !s.realTimeCloudMap; }, true},
      {"vertex processing", [](S& s) { s.vertexProcessing = 2; }, false},
      {"a display switch", [](S& s) { s.showRule = !s.showRule; }, false},
  };
  for (const Row& row : rows) {
    ConfigView view;
    view.m_milkyWay = 2;
    view.m_starPictureFile = "star.tga";
    view.m_landscapeFile = "alps.tga";
    view.m_mipMapping = true;
    view.m_vertexProcessing = 0;
    view.m_depthStencilFormat = 80;
    view.m_presentInterval = 0;
    messages.clear();
    view.answer = [&row](Options& dialog) {
      row.change(dialog.m_settings);
      return IDOK;
    };
    view.OnConfiguration();
    EXPECT_EQ(view.resets, row.reset ? 1 : 0) << row.name;
    const bool vertex = std::string(row.name) == "vertex processing";
    ASSERT_EQ(messages.size(), vertex ? 1u : 0u) << row.name;
    if (vertex) {
      EXPECT_EQ(messages[0], AfxString(304).c_str());
      EXPECT_EQ(view.m_vertexProcessing, 2);
    }
  }
  // Cancel changes nothing at all.
  ConfigView view;
  view.answer = [](Options& dialog) {
    dialog.m_settings.showRule = !dialog.m_settings.showRule;
    dialog.m_settings.antialiasing = 4;
    return IDCANCEL;
  };
  const bool rule = view.m_showRule;
  view.OnConfiguration();
  EXPECT_EQ(view.m_showRule, rule);
  EXPECT_EQ(view.resets, 0);
}

TEST_F(ConfigurationDialog, ByDefaultKeepsFilesPathListsAndDeviceSettings) {
  ConfigView view;
  view.m_starPictureFile = "mine.tga";
  view.m_landscapeFile = "dunes.tga";
  view.m_setiClientStatePath = "/srv/boinc";
  view.m_depthStencilFormat = 75;
  view.m_presentInterval = 1;
  view.m_mipMapping = false;
  view.m_vertexProcessing = 2;
  view.m_showRule = true;             // a default of false
  view.m_starMagnitudeLimit = 8.0f;   // default 13
  view.m_textureLevel = 4;            // default 2
  g_displayedCometNames[0] = "2P/Encke";
  g_displayedCometCount = 1;
  Answer(view, [](Options& dialog) {
    // Edits on a page are lost with "By default".
    dialog.Page(4)->CheckDlgButton(1157, 0);
    dialog.SendControlNotify(1164, BN_CLICKED);
  });
  view.OnConfiguration();
  EXPECT_FALSE(view.m_showRule);
  EXPECT_EQ(view.m_starMagnitudeLimit, 13.0f);
  EXPECT_EQ(view.m_textureLevel, 2);
  EXPECT_EQ(view.m_starPictureFile, "mine.tga");
  EXPECT_EQ(view.m_landscapeFile, "dunes.tga");
  EXPECT_EQ(view.m_setiClientStatePath, "/srv/boinc");
  EXPECT_EQ(view.m_depthStencilFormat, 75);
  EXPECT_EQ(view.m_presentInterval, 1u);
  EXPECT_FALSE(view.m_mipMapping);
  EXPECT_EQ(view.m_vertexProcessing, 2);
  ASSERT_EQ(g_displayedCometCount, 1);
  EXPECT_EQ(g_displayedCometNames[0], "2P/Encke");
  EXPECT_EQ(view.resets, 1);  // the texture level went back to 2
}

TEST_F(ConfigurationDialog, ReopensOnThePageItClosedOn) {
  ConfigView view;
  int shown = -1;
  Answer(view, [](Options& dialog) {
    // A click on the tab moves the tab control's focus, then reaches it.
    dialog.m_tabs.SetCurFocus(7);
    dialog.m_tabs.OnLButtonDown(MK_LBUTTON, CPoint(5, 5));
    dialog.SendControlNotify(IDCANCEL, BN_CLICKED);
  });
  view.OnConfiguration();
  EXPECT_EQ(g_lastOptionsPage, 7);
  Answer(view, [&shown](Options& dialog) {
    shown = dialog.m_tabs.GetCurFocus();
    EXPECT_TRUE(dialog.Page(7)->GetWidget()->isVisible());
    EXPECT_FALSE(dialog.Page(0)->GetWidget()->isVisible());
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnConfiguration();
  EXPECT_EQ(shown, 7);
  EXPECT_EQ(g_lastOptionsPage, 7);
}

TEST_F(ConfigurationDialog, ApplyWithABadValueShowsItsPageAndAppliesNothing) {
  ConfigView view;
  view.m_showRule = false;
  view.m_starMagnitudeLimit = 13.0f;
  int afterFirst = -1;
  bool stillOpen = false;
  Answer(view, [&](Options& dialog) {
    dialog.Page(4)->CheckDlgButton(1157, 1);         // Coordinates: a change that must wait
    dialog.Page(1)->SetDlgItemText(1143, "99");      // Stars: out of range
    dialog.Page(1)->SetDlgItemText(1019, "/p/x.tga");  // after the failing member
    dialog.SendControlNotify(IDOK, BN_CLICKED);
    afterFirst = dialog.m_tabs.GetCurFocus();
    stillOpen = dialog.GetWidget()->isVisible();
    EXPECT_TRUE(dialog.Page(1)->GetWidget()->isVisible());
    dialog.Page(1)->SetDlgItemText(1143, "11.5");
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnConfiguration();
  EXPECT_EQ(afterFirst, 1);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(messages.size(), 1u);
  // The second Apply took everything.
  EXPECT_TRUE(view.m_showRule);
  EXPECT_EQ(view.m_starMagnitudeLimit, 11.5f);
  EXPECT_EQ(view.m_starPictureFile, "x.tga");

  // Cancel after a failed Apply: nothing at all.
  ConfigView other;
  Answer(other, [&](Options& dialog) {
    dialog.Page(4)->CheckDlgButton(1157, 1);
    dialog.Page(2)->SetDlgItemText(1148, "faint");
    dialog.SendControlNotify(IDOK, BN_CLICKED);
    dialog.SendControlNotify(IDCANCEL, BN_CLICKED);
  });
  other.OnConfiguration();
  EXPECT_FALSE(other.m_showRule);
  EXPECT_EQ(g_lastOptionsPage, 2);
}

TEST_F(ConfigurationDialog, PageRules) {
  ConfigView view;
  view.m_useSky2000 = false;
  view.m_useTycho2 = false;
  view.m_magnitudeZero = 2.0f;
  view.m_antialiasing = 4;
  view.m_multisample4Accepted = false;
  view.m_textureLevel = 2;
  view.m_textureCompression = false;
  view.m_milkyWay = 2;
  CString zeroText, typedLimit;
  bool fourTicked = false, fourEnabled = true, twoEnabled = false;
  Answer(view, [&](Options& dialog) {
    OptionsPage* stars = dialog.Page(1);
    // Typed text survives the Tycho-2 click; Tycho-2 ticks Sky2000.
    stars->SetDlgItemText(1143, "7.5");
    stars->CheckDlgButton(1139, 1);
    stars->SendControlNotify(1139, BN_CLICKED);
    stars->GetDlgItemText(1143, typedLimit);
    // The lower arrow stops at one pixel; the upper has no limit.
    for (int i = 0; i < 3; ++i) stars->SendControlNotify(1141, UDN_DELTAPOS, 1);
    stars->GetDlgItemText(1140, zeroText);
    stars->SendControlNotify(1141, UDN_DELTAPOS, -1);
    // 3D: a stored 4x shows ticked though the adapter lacks it.
    OptionsPage* page3d = dialog.Page(7);
    fourTicked = page3d->IsDlgButtonChecked(1011) != 0;
    fourEnabled = page3d->GetDlgItem(1011)->GetWidget()->isEnabled();
    twoEnabled = page3d->GetDlgItem(1005)->GetWidget()->isEnabled();
    // Clearing the only ticked box of each group.
    page3d->CheckDlgButton(1011, 0);
    page3d->SendControlNotify(1011, BN_CLICKED);
    page3d->CheckDlgButton(1009, 0);
    page3d->SendControlNotify(1009, BN_CLICKED);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnConfiguration();
  EXPECT_TRUE(view.m_useTycho2);
  EXPECT_TRUE(view.m_useSky2000);
  EXPECT_EQ(typedLimit, "7.5");
  EXPECT_EQ(view.m_starMagnitudeLimit, 7.5f);
  EXPECT_EQ(zeroText, "Magnitude zero :  1 pixel(s)");
  EXPECT_EQ(view.m_magnitudeZero, 2.0f);
  EXPECT_TRUE(fourTicked);
  EXPECT_FALSE(fourEnabled);
  EXPECT_TRUE(twoEnabled);
  EXPECT_EQ(view.m_antialiasing, 0);
  EXPECT_EQ(view.m_textureLevel, 1);
  EXPECT_EQ(view.m_milkyWay, 1);

  // Very high ticks compression, and one box of a group clears the others;
  // clearing Tycho-2 leaves Sky2000.
  Answer(view, [&](Options& dialog) {
    OptionsPage* page3d = dialog.Page(7);
    page3d->CheckDlgButton(1055, 1);
    page3d->SendControlNotify(1055, BN_CLICKED);
    page3d->CheckDlgButton(1005, 1);
    page3d->SendControlNotify(1005, BN_CLICKED);
    page3d->CheckDlgButton(1007, 1);
    page3d->SendControlNotify(1007, BN_CLICKED);
    dialog.Page(1)->CheckDlgButton(1139, 0);
    dialog.Page(1)->SendControlNotify(1139, BN_CLICKED);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnConfiguration();
  EXPECT_EQ(view.m_textureLevel, 4);
  EXPECT_TRUE(view.m_textureCompression);
  EXPECT_EQ(view.m_antialiasing, 0);
  EXPECT_FALSE(view.m_useTycho2);
  EXPECT_TRUE(view.m_useSky2000);
}

TEST_F(ConfigurationDialog, PictureAndClientStateFilesNeedTheirOwnExtension) {
  struct Case {
    const char* path;
    bool tga, xml;
  };
  const Case cases[] = {
      {"/home/me/Stars.TGA", true, false},       {"/home/me/stars.tga.png", false, false},
      {"/data/x.tga/picture.png", false, false}, {"/boinc/client_state.XML", false, true},
      {"/my.xml/dir/notes", false, false},       {"C:\\pics\\a.tga", true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PathHasExtension(c.path, ".tga"), c.tga) << c.path;
    EXPECT_EQ(PathHasExtension(c.path, ".xml"), c.xml) << c.path;
  }
  ConfigView view;
  view.m_landscapeFile = "alps.tga";
  CString chosen;
  SetFileChooserHandler([&chosen](CString& path) {
    path = chosen;
    return TRUE;
  });
  Answer(view, [&chosen](Options& dialog) {
    chosen = "/data/x.tga/picture.png";
    dialog.Page(5)->SendControlNotify(1174, BN_CLICKED);
    chosen = "/data/client_state.xml";
    dialog.Page(6)->SendControlNotify(1166, BN_CLICKED);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnConfiguration();
  EXPECT_EQ(view.m_landscapeFile, "alps.tga");
  EXPECT_EQ(view.m_setiClientStatePath, "/data/client_state.xml");
  Answer(view, [&chosen](Options& dialog) {
    chosen = "/data/Dunes.Tga";
    dialog.Page(5)->SendControlNotify(1174, BN_CLICKED);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnConfiguration();
  EXPECT_EQ(view.m_landscapeFile, "Dunes.Tga");
}

// ---- Direct 3D settings ----

TEST_F(ConfigurationDialog, Direct3DSettingsParseTable) {
  EXPECT_EQ(GetD3DFormatName(75, true), "D3DFMT_D24S8");
  EXPECT_EQ(GetD3DFormatName(21, false), "A8R8G8B8");
  EXPECT_EQ(GetD3DFormatName(0x31545844, true), "D3DFMT_DXT1");
  EXPECT_EQ(GetD3DFormatName(12345, true), "Unknown format");
  struct Case {
    int format;
    unsigned interval;
    int mip, vertex;
    const char *depthText, *intervalText, *mipText, *vertexText;  // null: leave as shown
    int expectFormat;
    unsigned expectInterval;
    int expectMip, expectVertex;
    const char* shownDepth;
  };
  const Case cases[] = {
      {80, 0, 1, 0, "D3DFMT_D24S8", "D3DPRESENT_INTERVAL_IMMEDIATE", "DESACTIVE", "HARDWARE", 75, 0x80000000u, 0, 2,
       "D3DFMT_D16"},
      {75, 1, 0, 2, nullptr, nullptr, nullptr, nullptr, 75, 1, 0, 2, "D3DFMT_D24S8"},
      {75, 4, 0, 1, "d3dfmt_d32", "fast", "maybe", "turbo", 75, 4, 0, 1, "D3DFMT_D24S8"},
      {21, 8, 1, 1, nullptr, "D3DPRESENT_INTERVAL_ONE", "ACTIVE", "SOFTWARE", 21, 1, 1, 0, "D3DFMT_A8R8G8B8"},
      {999, 2, 1, 2, nullptr, nullptr, nullptr, "MIXED", 999, 2, 1, 1, "Unknown format"},
  };
  for (const Case& c : cases) {
    Options10 box;
    box.m_depthStencilFormat = c.format;
    box.m_presentInterval = c.interval;
    box.m_mipMapping = c.mip;
    box.m_vertexProcessing = c.vertex;
    CString shown;
    QTimer::singleShot(0, [&] {
      shown = AfxGetComboText(&box, 1031);
      if (c.depthText) AfxSetComboText(&box, 1031, c.depthText);
      if (c.intervalText) AfxSetComboText(&box, 1032, c.intervalText);
      if (c.mipText) AfxSetComboText(&box, 1044, c.mipText);
      if (c.vertexText) AfxSetComboText(&box, 1045, c.vertexText);
      box.SendControlNotify(IDOK, BN_CLICKED);
    });
    ASSERT_EQ(box.DoModal(), IDOK);
    EXPECT_EQ(shown, c.shownDepth) << c.format;
    EXPECT_EQ(box.m_depthStencilFormat, c.expectFormat) << c.format;
    EXPECT_EQ(box.m_presentInterval, c.expectInterval) << c.format;
    EXPECT_EQ(box.m_mipMapping, c.expectMip) << c.format;
    EXPECT_EQ(box.m_vertexProcessing, c.expectVertex) << c.format;
  }
}

// ---- Objects to display ----

TEST_F(ConfigurationDialog, ObjectsToDisplayKeepAHundredInRecordOrder) {
  std::vector<CString> names;
  for (int i = 0; i < 150; ++i) names.push_back(("Object " + std::to_string(1000 + i)).c_str());
  SelectionObjets dialog;
  dialog.m_names = &names;
  std::fill(std::begin(dialog.m_selection), std::end(dialog.m_selection), -1);
  dialog.m_selectionCount = 0;
  std::vector<int> after;
  int shown = 0;
  QTimer::singleShot(0, [&] {
    for (int i = 0; i < 120; ++i) AfxSetListSelected(&dialog, 1119, i, true);
    dialog.SendControlNotify(1007, BN_CLICKED);
    shown = AfxGetListCount(&dialog, 1120);
    // Again: nothing twice, and still one message per press at most.
    for (int i = 0; i < 150; ++i) AfxSetListSelected(&dialog, 1119, i, i < 5);
    dialog.SendControlNotify(1007, BN_CLICKED);
    // "<-" removes the picked entries and closes the gaps.
    AfxSetListSelected(&dialog, 1120, 0, true);
    AfxSetListSelected(&dialog, 1120, 50, true);
    dialog.SendControlNotify(1063, BN_CLICKED);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(shown, 100);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "It's not possible to select more than 100 objects !");
  ASSERT_EQ(dialog.m_selectionCount, 98);
  EXPECT_EQ(dialog.m_selection[0], 1);
  EXPECT_EQ(dialog.m_selection[48], 49);
  EXPECT_EQ(dialog.m_selection[49], 51);
  EXPECT_EQ(dialog.m_selection[97], 99);
  EXPECT_EQ(dialog.m_selection[98], -1);

  // Through the Planets page: Cancel in the choice keeps the old picks.
  ConfigView view;
  g_displayedCometNames[0] = "2P/Encke";
  g_displayedCometCount = 1;
  Answer(view, [](Options& options) {
    options.m_runDialog = [](CDialog& nested) -> INT_PTR {
      QTimer::singleShot(0, [&nested] {
        AfxSetListSelected(&nested, 1119, 0, true);
        AfxSetListSelected(&nested, 1119, 2, true);
        nested.SendControlNotify(1007, BN_CLICKED);
        nested.SendControlNotify(IDCANCEL, BN_CLICKED);
      });
      return nested.DoModal();
    };
    options.Page(3)->SendControlNotify(1007, BN_CLICKED);
    options.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnConfiguration();
  ASSERT_EQ(g_displayedCometCount, 1);
  EXPECT_EQ(g_displayedCometNames[0], "2P/Encke");
  // And OK adds them after the old pick.
  Answer(view, [](Options& options) {
    options.m_runDialog = [](CDialog& nested) -> INT_PTR {
      QTimer::singleShot(0, [&nested] {
        AfxSetListSelected(&nested, 1119, 0, true);
        AfxSetListSelected(&nested, 1119, 2, true);
        nested.SendControlNotify(1007, BN_CLICKED);
        nested.SendControlNotify(IDOK, BN_CLICKED);
      });
      return nested.DoModal();
    };
    options.Page(3)->SendControlNotify(1007, BN_CLICKED);
    options.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnConfiguration();
  ASSERT_EQ(g_displayedCometCount, 3);
  EXPECT_EQ(g_displayedCometNames[1], "1P/Halley");
  EXPECT_EQ(g_displayedCometNames[2], "C/2020 F3 (NEOWISE)");
}

// ---- The settings file afterwards ----

TEST_F(ConfigurationDialog, ChangesSurviveTheSettingsFileUnderADecimalComma) {
  const char* saved = std::setlocale(LC_ALL, nullptr);
  const std::string savedLocale = saved ? saved : "C";
  const bool comma = std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
  char folder[] = "/tmp/nvoptions-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const CString file = (std::string(folder) + "/nuvarine.ini").c_str();
  ConfigView view;
  Answer(view, [](Options& dialog) {
    dialog.Page(1)->SetDlgItemText(1143, "8.5");
    dialog.Page(5)->CheckDlgButton(1098, 0);
    dialog.Page(4)->CheckDlgButton(1159, 1);
    dialog.Page(2)->CheckDlgButton(1149, 0);
    AfxSetComboText(dialog.Page(0), 1131, "Latin");
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  view.OnConfiguration();
  EXPECT_EQ(view.m_starMagnitudeLimit, 8.5f);
  ASSERT_TRUE(view.SaveSettings(file));
  ConfigView other;
  ASSERT_TRUE(other.LoadSettings(file));
  EXPECT_EQ(other.m_starMagnitudeLimit, 8.5f);
  EXPECT_FALSE(other.m_naturalSkyColor);
  EXPECT_TRUE(other.m_showHorizontalGrid);
  EXPECT_EQ(other.m_milkyWay, 0);
  EXPECT_EQ(other.m_constellationNameLanguage, 2);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::setlocale(LC_ALL, savedLocale.c_str());
  if (!comma) GTEST_SKIP() << "no fr_FR.UTF-8 locale: the comma case was not run";
}

}  // namespace
