// The display switches: every command from each state, the textures they
// drop and the resets they ask for, night vision's colours, and the update
// rules as menu items and tool-bar buttons show them in both modes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../render/RenderTestUtil.h"
#include "MainFrame.h"
#include "Nuvarine2App.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "ShellTestSupport.h"
#include "SolarSystemTypes.h"
#include "SysColors.h"

namespace {

// A view whose scene reset only counts (no device behind it).
class SwitchView : public CNuvarine2View {
 public:
  bool ResetObjects(int width, int height) override {
    ++resets;
    lastWidth = width, lastHeight = height;
    return true;
  }
  int resets = 0, lastWidth = 0, lastHeight = 0;
};

struct Pair {
  bool first, second;
  bool operator==(const Pair& o) const { return first == o.first && second == o.second; }
};

TEST(DisplaySwitches, FourStateCyclesStepOneMemberPerPress) {
  ShellTestApplication();
  g_startupSequenceEnabled = false;
  SwitchView view;
  struct Row {
    UINT command;
    bool CNuvarine2View::*first;
    bool CNuvarine2View::*second;
  };
  const Row rows[] = {
      {158, &CNuvarine2View::m_showEquator, &CNuvarine2View::m_showEcliptic},
      {163, &CNuvarine2View::m_showEquatorialGrid, &CNuvarine2View::m_showHorizontalGrid},
      {32858, &CNuvarine2View::m_showConstellationBorders, &CNuvarine2View::m_showConstellationFigures},
  };
  const std::vector<Pair> cycle = {{true, true}, {false, true}, {false, false}, {true, false}, {true, true}};
  for (const Row& row : rows) {
    // From each of the four states the next press gives the next in the cycle.
    for (size_t start = 0; start < 4; ++start) {
      view.*row.first = cycle[start].first;
      view.*row.second = cycle[start].second;
      ASSERT_TRUE(view.OnCmdMsg(row.command, nullptr));
      EXPECT_EQ((Pair{view.*row.first, view.*row.second}), cycle[start + 1]) << row.command << " from " << start;
    }
  }
}

TEST(DisplaySwitches, NameStylesCycleThroughOff) {
  ShellTestApplication();
  g_startupSequenceEnabled = false;
  SwitchView view;
  view.m_starNameStyle = 0;
  view.m_constellationNameLanguage = 0;
  const int expected[] = {1, 2, 3, 0, 1};
  for (int step : expected) {
    view.OnCmdMsg(32861, nullptr);
    view.OnCmdMsg(162, nullptr);
    EXPECT_EQ(view.m_starNameStyle, step);
    EXPECT_EQ(view.m_showStarNames, step != 0);
    EXPECT_EQ(view.m_constellationNameLanguage, step);
    EXPECT_EQ(view.m_showConstellationNames, step != 0);
  }
}

TEST(DisplaySwitches, TogglesAndFinderFields) {
  ShellTestApplication();
  g_startupSequenceEnabled = false;
  SwitchView view;
  struct Row {
    UINT command;
    bool CNuvarine2View::*member;
  };
  const Row rows[] = {
      {32870, &CNuvarine2View::m_showPlanetNames},  {157, &CNuvarine2View::m_showDeepSkyObjects},
      {180, &CNuvarine2View::m_showDeepSkyNames},   {218, &CNuvarine2View::m_showComets},
      {32812, &CNuvarine2View::m_showAsteroids},    {32786, &CNuvarine2View::m_showSatelliteNames},
      {295, &CNuvarine2View::m_showOrbits},         {161, &CNuvarine2View::m_showRule},
      {222, &CNuvarine2View::m_naturalSkyColor},    {245, &CNuvarine2View::m_showTipsAtStartup},
      {246, &CNuvarine2View::m_showAlertsAtStartup},
  };
  for (const Row& row : rows) {
    for (bool start : {false, true}) {
      view.*row.member = start;
      view.OnCmdMsg(row.command, nullptr);
      EXPECT_EQ(view.*row.member, !start) << row.command;
    }
  }
  EXPECT_EQ(view.resets, 0);

  // Finder fields: show one, the other goes, and so does an eyepiece field.
  struct Finder {
    UINT command;
    bool quickfinder, telrad;
  };
  const Finder finders[] = {{32902, true, false}, {32904, false, true}, {32903, false, false}, {32905, false, false}};
  for (const Finder& f : finders) {
    view.m_planetariumMode = true;
    view.m_eyepieceFieldSize = 2.5f;
    view.m_showQuickfinderField = view.m_showTelradField = true;
    view.OnCmdMsg(f.command, nullptr);
    EXPECT_EQ(view.m_eyepieceFieldSize, 0.0f) << f.command;
    EXPECT_EQ(view.m_showQuickfinderField, f.quickfinder) << f.command;
    EXPECT_EQ(view.m_showTelradField, f.telrad) << f.command;
    // The solar-system mode leaves them alone.
    view.m_planetariumMode = false;
    view.m_eyepieceFieldSize = 2.5f;
    view.m_showQuickfinderField = view.m_showTelradField = true;
    view.OnCmdMsg(f.command, nullptr);
    EXPECT_EQ(view.m_eyepieceFieldSize, 2.5f) << f.command;
    EXPECT_TRUE(view.m_showQuickfinderField && view.m_showTelradField) << f.command;
  }
}

TEST(DisplaySwitches, TexturesGoWithTheirSwitchAndComeBackThroughAReset) {
  ShellTestApplication();
  g_startupSequenceEnabled = false;
  HeadlessDevice device(16, 16);
  ASSERT_NE(device.device, nullptr);
  auto texture = [&] {
    IDirect3DTexture9* t = nullptr;
    device.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
    return t;
  };
  SwitchView view;
  view.m_backBufferWidth = 640.7f, view.m_backBufferHeight = 480.2f;

  // Milky Way: from the settings' level 2, two presses leave level 1.
  view.m_milkyWay = 2;
  view.m_milkyWayTexture = texture();
  view.OnCmdMsg(221, nullptr);
  EXPECT_EQ(view.m_milkyWay, 0);
  EXPECT_EQ(view.m_milkyWayTexture, nullptr);
  view.OnCmdMsg(221, nullptr);
  EXPECT_EQ(view.m_milkyWay, 1);
  EXPECT_EQ(view.resets, 1);
  EXPECT_EQ(view.lastWidth, 640);
  EXPECT_EQ(view.lastHeight, 480);
  // A texture still there needs no reset.
  view.m_milkyWay = 0;
  view.m_milkyWayTexture = texture();
  view.OnCmdMsg(221, nullptr);
  EXPECT_EQ(view.resets, 1);

  // Landscape off drops the cloudy sky too; the cloudy sky on again reloads it.
  view.m_planetariumMode = true;
  view.m_showLandscape = view.m_showCloudySky = true;
  view.m_landscapeTexture = texture();
  view.m_cloudySkyTexture = texture();
  view.OnCmdMsg(160, nullptr);
  EXPECT_FALSE(view.m_showLandscape);
  EXPECT_EQ(view.m_landscapeTexture, nullptr);
  EXPECT_EQ(view.m_cloudySkyTexture, nullptr);
  view.OnCmdMsg(5008, nullptr);  // cloudy sky off: nothing left to release
  EXPECT_FALSE(view.m_showCloudySky);
  EXPECT_EQ(view.resets, 1);
  view.OnCmdMsg(5008, nullptr);
  EXPECT_TRUE(view.m_showCloudySky);
  EXPECT_EQ(view.resets, 2);
  view.OnCmdMsg(160, nullptr);
  EXPECT_TRUE(view.m_showLandscape);
  EXPECT_EQ(view.resets, 3);
  view.m_cloudySkyTexture = texture();
  view.OnCmdMsg(5008, nullptr);
  EXPECT_EQ(view.m_cloudySkyTexture, nullptr);
  EXPECT_EQ(view.resets, 3);

  // Solar-system mode: atmospheres off releases the Earth's clouds and resets
  // in every case; on resets only when the clouds are missing.
  view.m_planetariumMode = false;
  view.m_showAtmospheres = true;
  view.m_bodyTextures[2] = texture();
  view.OnCmdMsg(5008, nullptr);
  EXPECT_FALSE(view.m_showAtmospheres);
  EXPECT_EQ(view.m_bodyTextures[2], nullptr);
  EXPECT_EQ(view.resets, 4);
  view.m_bodyTextures[2] = texture();
  view.OnCmdMsg(5008, nullptr);
  EXPECT_TRUE(view.m_showAtmospheres);
  EXPECT_EQ(view.resets, 4);
  view.m_bodyTextures[2]->Release();
  view.m_bodyTextures[2] = nullptr;
  view.OnCmdMsg(5008, nullptr);
  view.OnCmdMsg(5008, nullptr);
  EXPECT_EQ(view.resets, 6);

  for (IDirect3DTexture9** t : {&view.m_milkyWayTexture, &view.m_landscapeTexture, &view.m_cloudySkyTexture}) {
    if (*t) (*t)->Release();
    *t = nullptr;
  }
}

TEST(DisplaySwitches, NightVisionOffGivesBackTheStartUpColours) {
  ShellTestApplication();
  g_startupSequenceEnabled = false;
  SwitchView view;
  COLORREF before[13];
  for (int i = 0; i < 13; ++i) before[i] = GetSysColor(g_sysColorElements[i]);
  COLORREF startup[13], later[13];
  for (int i = 0; i < 13; ++i) {
    startup[i] = RGB(10 + i, 20 + i, 30 + i);
    later[i] = RGB(200 - i, 100 + i, 50);
    g_savedSysColors[i] = startup[i];
  }
  // The desktop's colours changed after the start: off still gives the start's.
  SetSysColors(13, g_sysColorElements, later);
  view.OnCmdMsg(32875, nullptr);
  EXPECT_TRUE(view.m_nightVision);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(GetSysColor(g_sysColorElements[i]), g_nightVisionColors[i]) << i;
  view.OnCmdMsg(32875, nullptr);
  EXPECT_FALSE(view.m_nightVision);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(GetSysColor(g_sysColorElements[i]), startup[i]) << i;
  SetSysColors(13, g_sysColorElements, before);
}

// ---- Update rules, through the frame: menu items and tool-bar buttons ----

class CommandStates : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    g_startupSequenceEnabled = false;
    CSingleDocTemplate tpl(IDR_MAINFRAME, RUNTIME_CLASS(CNuvarine2Doc), RUNTIME_CLASS(CMainFrame),
                           RUNTIME_CLASS(CNuvarine2View));
    ASSERT_NE(tpl.OpenDocumentFile(nullptr), nullptr);
    frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    ASSERT_NE(frame, nullptr);
    view = dynamic_cast<CNuvarine2View*>(frame->GetActiveView());
    ASSERT_NE(view, nullptr);
    frame->ShowWindow(SW_SHOW);
    QCoreApplication::processEvents();
    menuIds = frame->GetMenuCommandIds();
  }
  void TearDown() override {
    if (AfxGetMainWnd()) frame->DestroyWindow();
    QCoreApplication::processEvents();
  }
  const CToolBar* BarWith(UINT id) const {
    for (const CToolBar* bar : {&frame->m_wndTopToolBar, &frame->m_wndLeftToolBar, &frame->m_wndRightToolBar})
      for (int i = 0; i < bar->GetCount(); ++i)
        if (bar->GetItemID(i) == id) return bar;
    return nullptr;
  }
  // Checks the routed state, the menu item and the button where they exist;
  // returns how many of the latter two were seen.
  int Expect(UINT id, bool enabled, bool checked, const std::string& where) {
    CCmdUI state;
    state.m_nID = id;
    frame->UpdateCommandUI(state);
    EXPECT_EQ(state.m_enabled, enabled) << id << where;
    EXPECT_EQ(state.m_checked != 0, checked) << id << where;
    int seen = 0;
    frame->UpdateMenus();
    if (std::find(menuIds.begin(), menuIds.end(), id) != menuIds.end()) {
      ++seen;
      EXPECT_EQ(frame->IsMenuItemEnabled(id), enabled) << "menu " << id << where;
      EXPECT_EQ(frame->IsMenuItemChecked(id), checked) << "menu " << id << where;
    }
    frame->UpdateControlBarsCommandUI();
    if (const CToolBar* bar = BarWith(id)) {
      ++seen;
      EXPECT_EQ(bar->IsButtonEnabled(id), enabled) << "button " << id << where;
      EXPECT_EQ(bar->IsButtonChecked(id), checked) << "button " << id << where;
    }
    return seen;
  }
  CMainFrame* frame = nullptr;
  CNuvarine2View* view = nullptr;
  std::vector<UINT> menuIds;
};

enum class Rule { Check, PlanetariumCheck, SolarCheck, PlanetariumEnable };

TEST_F(CommandStates, EveryRuleInBothModesOnMenuItemsAndButtons) {
  using V = CNuvarine2View;
  struct Row {
    UINT id;
    Rule rule;
    std::function<void(V&, bool)> set;
  };
  auto flag = [](bool V::*m) { return [m](V& v, bool on) { v.*m = on; }; };
  const std::vector<Row> rows = {
      {32870, Rule::Check, flag(&V::m_showPlanetNames)},
      {32861, Rule::Check, [](V& v, bool on) { v.m_starNameStyle = on ? 2 : 0; }},
      {162, Rule::Check, flag(&V::m_showConstellationNames)},
      {32858, Rule::Check, [](V& v, bool on) { v.m_showConstellationBorders = false, v.m_showConstellationFigures = on; }},
      {158, Rule::Check, [](V& v, bool on) { v.m_showEquator = on, v.m_showEcliptic = false; }},
      {163, Rule::Check, [](V& v, bool on) { v.m_showEquatorialGrid = false, v.m_showHorizontalGrid = on; }},
      {157, Rule::Check, flag(&V::m_showDeepSkyObjects)},
      {180, Rule::Check, flag(&V::m_showDeepSkyNames)},
      {218, Rule::Check, flag(&V::m_showComets)},
      {32812, Rule::Check, flag(&V::m_showAsteroids)},
      {32786, Rule::Check, flag(&V::m_showSatelliteNames)},
      {221, Rule::Check, [](V& v, bool on) { v.m_milkyWay = on ? 2 : 0; }},
      {5008, Rule::Check,
       [](V& v, bool on) {
         // Each mode reads its own switch: the other holds the opposite.
         v.m_showCloudySky = v.m_planetariumMode ? on : !on;
         v.m_showAtmospheres = v.m_planetariumMode ? !on : on;
       }},
      {32875, Rule::Check, flag(&V::m_nightVision)},
      {245, Rule::Check, flag(&V::m_showTipsAtStartup)},
      {246, Rule::Check, flag(&V::m_showAlertsAtStartup)},
      {160, Rule::PlanetariumCheck, flag(&V::m_showLandscape)},
      {161, Rule::PlanetariumCheck, flag(&V::m_showRule)},
      {222, Rule::PlanetariumCheck, flag(&V::m_naturalSkyColor)},
      {309, Rule::PlanetariumCheck, flag(&V::m_chartInverted)},
      {32842, Rule::PlanetariumCheck, [](V&, bool on) { g_dssEnabled = on; }},
      {295, Rule::SolarCheck, flag(&V::m_showOrbits)},
  };
  std::vector<Row> all = rows;
  for (UINT id : {32902u, 32903u, 32904u, 32905u, 32827u, 32778u, 32824u, 32867u, 32828u, 32829u, 32879u, 32881u,
                  32883u, 314u, 318u})
    all.push_back({id, Rule::PlanetariumEnable, [](V&, bool) {}});
  const bool savedDss = g_dssEnabled;
  int seen = 0;
  for (const Row& row : all) {
    for (bool planetarium : {true, false}) {
      for (bool on : {false, true}) {
        view->m_planetariumMode = planetarium;
        row.set(*view, on);
        bool enabled = true, checked = on;
        switch (row.rule) {
          case Rule::Check: break;
          case Rule::PlanetariumCheck: enabled = planetarium, checked = planetarium && on; break;
          case Rule::SolarCheck: enabled = !planetarium, checked = !planetarium && on; break;
          case Rule::PlanetariumEnable: enabled = planetarium, checked = false; break;
        }
        seen += Expect(row.id, enabled, checked, std::string(planetarium ? " planetarium" : " solar system") +
                                                     (on ? " on" : " off"));
      }
    }
  }
  g_dssEnabled = savedDss;
  // Most commands are seen as a button or a menu item, many as both.
  EXPECT_GT(seen, static_cast<int>(all.size()) * 4);
}

TEST_F(CommandStates, SatelliteItemsGreyUntilTheirSlotHasAPosition) {
  struct Row {
    UINT id;
    int slot;
  };
  const Row rows[] = {{154, 3},   {155, 2},   {42791, 9},  {42792, 10}, {42793, 11},
                      {42794, 12}, {42795, 13}, {42796, 14}, {42797, 15}, {42798, 16}};
  view->m_julianDate = 2453827.0;  // 2006 April 1: the built-in element sets are current
  for (const Row& row : rows) {
    double saved[3];
    std::copy(g_orbits[row.slot].position, g_orbits[row.slot].position + 3, saved);
    std::fill(g_orbits[row.slot].position, g_orbits[row.slot].position + 3, 0.0);
    Expect(row.id, false, false, " no position");
    // Any one coordinate away from 0 counts.
    for (int axis = 0; axis < 3; ++axis) {
      std::fill(g_orbits[row.slot].position, g_orbits[row.slot].position + 3, 0.0);
      g_orbits[row.slot].position[axis] = -0.004;
      EXPECT_EQ(Expect(row.id, true, false, " placed"), 1) << row.id;
    }
    std::copy(saved, saved + 3, g_orbits[row.slot].position);
  }
  // The work unit's item follows its display switch; the body-70 item the
  // first character of its element line.
  view->m_showSetiWorkUnits = false;
  Expect(32783, false, false, " no work unit");
  view->m_showSetiWorkUnits = true;
  Expect(32783, true, false, " work unit");
  const char saved = view->m_tleLines[42][0];
  view->m_tleLines[42][0] = '2';
  Expect(10005, false, false, " line 2");
  view->m_tleLines[42][0] = '1';
  Expect(10005, true, false, " line 1");
  view->m_tleLines[42][0] = saved;
}


TEST_F(CommandStates, SatelliteItemsSayWhenTheirElementsAreOutOfDate) {
  struct Row {
    UINT id;
    const char* name;
  };
  const Row rows[] = {{154, "Hubble"},   {155, "ISS"},      {42791, "NOAA-10"}, {42792, "NOAA-11"},
                      {42793, "NOAA-12"}, {42794, "NOAA-14"}, {42795, "NOAA-15"}, {42796, "NOAA-16"},
                      {42797, "NOAA-17"}, {42798, "NOAA-18"}};
  view->m_computeSatellitePositions = true;
  // 2026 December 11 with the 2006 sets: open on the text that says why.
  view->m_julianDate = 2461385.5;
  for (const Row& row : rows) {
    Expect(row.id, true, false, " out of date");
    EXPECT_STREQ(frame->GetMenuItemText(row.id).GetString(),
                 (std::string(row.name) + " (orbital elements out of date)").c_str());
  }
  // Near their epoch the items are the plain names again.
  view->m_julianDate = 2453827.0;
  for (const Row& row : rows) {
    frame->UpdateMenus();
    EXPECT_STREQ(frame->GetMenuItemText(row.id).GetString(), row.name);
  }
}

}  // namespace

// ---- File menu: configuration files through the file chooser ----

namespace {

TEST_F(CommandStates, FileMenuOpensSavesAndImportsThroughTheChooser) {
  char pattern[] = "/tmp/nvfilemenu-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  std::vector<std::string> messages;
  SetMessageBoxHandler([&](const CString& text, const CString&, UINT) {
    messages.push_back(text.c_str());
    return IDOK;
  });
  CString chosen;
  bool confirm = true;
  int asked = 0;
  SetFileChooserHandler([&](CString& path) {
    ++asked;
    path = chosen;
    return confirm ? TRUE : FALSE;
  });

  // Save as writes the settings under the chosen name.
  view->m_showRule = true;
  view->m_starMagnitudeLimit = 9.5f;
  chosen = (folder + "/Evening.ini").c_str();
  ASSERT_TRUE(frame->TriggerMenuItem(57604));
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(messages.empty());
  // Open reads it back; a cancelled chooser changes nothing.
  view->m_showRule = false;
  view->m_starMagnitudeLimit = 13.0f;
  confirm = false;
  ASSERT_TRUE(frame->TriggerMenuItem(57601));
  EXPECT_FALSE(view->m_showRule);
  confirm = true;
  ASSERT_TRUE(frame->TriggerMenuItem(57601));
  EXPECT_EQ(asked, 3);
  EXPECT_TRUE(view->m_showRule);
  EXPECT_FLOAT_EQ(view->m_starMagnitudeLimit, 9.5f);
  // Another extension is not read.
  view->m_showRule = false;
  chosen = (folder + "/Evening.txt").c_str();
  ASSERT_TRUE(frame->TriggerMenuItem(57601));
  EXPECT_FALSE(view->m_showRule);
  // A settings file that cannot be written is told, with its name.
  chosen = (folder + "/missing/Evening.ini").c_str();
  ASSERT_TRUE(frame->TriggerMenuItem(57604));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("missing/Evening.ini"), std::string::npos);
  // The version-1 import reads what its file holds; a file it cannot read is told.
  chosen = (folder + "/old.cfg").c_str();
  ASSERT_TRUE(frame->TriggerMenuItem(230));
  EXPECT_EQ(asked, 6);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[1].find("could not be read"), std::string::npos);
  EXPECT_NE(messages[1].find("old.cfg"), std::string::npos);

  SetFileChooserHandler(nullptr);
  SetMessageBoxHandler(nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace

namespace {

TEST_F(CommandStates, StandardButtonsTakeTheThemeIconsTheOthersTheirOwn) {
  if (!std::filesystem::exists("/usr/share/icons/Adwaita/index.theme"))
    GTEST_SKIP() << "package adwaita-icon-theme is missing (scripts/setup installs it)";
  EXPECT_EQ(AfxToolBarThemeIconName(57601), "document-open");
  EXPECT_EQ(AfxToolBarThemeIconName(176), "zoom-in");
  EXPECT_EQ(AfxToolBarThemeIconName(32817), "media-playback-start");
  // The planetarium's own switches keep the pictograms drawn for them.
  for (UINT id : {32858u, 162u, 221u, 160u, 32875u}) EXPECT_TRUE(AfxToolBarThemeIconName(id).IsEmpty()) << id;
}

}  // namespace
