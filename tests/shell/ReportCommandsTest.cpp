// Fonts and colours (the dialog with test pickers, "By default", the custom
// colours, the symbol font's height) and the report boxes: sidereal time,
// catalogue summary and the horizontal place of typed coordinates.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "AnimationDialogs.h"
#include "Catalogues.h"
#include "FontsColorsDialog.h"
#include "Nuvarine2View.h"
#include "ShellTestSupport.h"
#include "SolarSystemTypes.h"
#include "TextureFont.h"

namespace {

class ReportView : public CNuvarine2View {
 public:
  ReportView() {
    m_runDialog = [this](CDialog& dialog) -> INT_PTR {
      QTimer::singleShot(0, [this, &dialog] {
        if (act) act(dialog);
      });
      return dialog.DoModal();
    };
  }
  std::function<void(CDialog&)> act;
};

class Reports : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    g_startupSequenceEnabled = false;
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      messages.push_back(text.c_str());
      captions.push_back(caption.c_str());
      return IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    SetColorChooserHandler(nullptr);
    SetFontChooserHandler(nullptr);
  }
  std::vector<std::string> messages, captions;
};

// 2000 January 1, 12 h UT at Greenwich: mean sidereal time 18 h 41 m 50.5 s,
// apparent (nutation: -0.9 s) 18 h 41 m 49.6 s.
const char* const kSiderealText =
    "Universal Time (UT) = 12:00:00\r\nSidereal Time = 18 h  41 m  49.6 s\r\nJulian day number = 2451545.00000\r\n";
// RA 6 h, declination -0 deg 30 min seen from the north pole at sidereal
// time 0: due east, half a degree below the horizon (the sign kept).
const char* const kHorizontalText =
    "Star position :\r\n\r\nAzimuth :  90 \xB0   0 '  0.0 ''\r\nAltitude : -  0 \xB0  30 '  0.0 ''";

// Double-clicks entry `index` of a list of the fonts and colours dialog.
void DoubleClick(CDialog& dialog, int list, int index) {
  AfxSetListCurSel(&dialog, list, index);
  dialog.SendControlNotify(list, LBN_DBLCLK);
}

TEST_F(Reports, EachColourEntryEditsItsOwnColour) {
  ReportView view;
  using V = CNuvarine2View;
  // List entries in order and the view colour each one edits.
  COLORREF V::*const entries[15] = {&V::m_starNameColor,   &V::m_planetNameColor, &V::m_deepSkyNameColor,
                                    &V::m_constellationNameColor, &V::m_ruleColor, &V::m_eclipticColor,
                                    &V::m_equatorColor,    &V::m_cometNameColor,  &V::m_asteroidNameColor,
                                    &V::m_figureColor,     &V::m_borderColor,     &V::m_gridColor,
                                    &V::m_horizonLineColor, &V::m_orbitLineColor, &V::m_probeNameColor};
  for (int i = 0; i < 15; ++i) view.*entries[i] = RGB(i, 0, 0);
  std::vector<COLORREF> initial;
  SetColorChooserHandler([&initial](COLORREF& colour, COLORREF*) {
    initial.push_back(colour);
    colour = RGB(colour & 0xFF, 200, 100);
    return TRUE;
  });
  view.act = [](CDialog& dialog) {
    for (int i = 0; i < 15; ++i) DoubleClick(dialog, 1119, i);
    DoubleClick(dialog, 1119, -1);  // no current entry: no picker
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  };
  view.OnFontsAndColors();
  ASSERT_EQ(initial.size(), 15u);
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(initial[i], RGB(i, 0, 0)) << i;
    EXPECT_EQ(view.*entries[i], RGB(i, 200, 100)) << i;
  }
  // Cancel keeps what the pickers gave.
  view.act = [](CDialog& dialog) {
    DoubleClick(dialog, 1119, 3);
    dialog.SendControlNotify(IDCANCEL, BN_CLICKED);
  };
  SetColorChooserHandler([](COLORREF& colour, COLORREF*) {
    colour = RGB(1, 2, 3);
    return TRUE;
  });
  view.OnFontsAndColors();
  EXPECT_EQ(view.m_constellationNameColor, RGB(3, 200, 100));
}

TEST_F(Reports, CustomColoursStartFromTheLabelColoursEntryFifteenWhite) {
  ReportView view;
  view.m_borderColor = RGB(1, 1, 1);
  view.m_figureColor = RGB(2, 2, 2);
  view.m_starNameColor = RGB(3, 3, 3);
  view.m_deepSkyNameColor = RGB(4, 4, 4);
  view.m_planetNameColor = RGB(5, 5, 5);
  view.m_ruleColor = RGB(6, 6, 6);
  view.m_constellationNameColor = RGB(7, 7, 7);
  view.m_equatorColor = RGB(8, 8, 8);
  view.m_eclipticColor = RGB(9, 9, 9);
  view.m_cometNameColor = RGB(10, 10, 10);
  view.m_asteroidNameColor = RGB(11, 11, 11);
  view.m_gridColor = RGB(12, 12, 12);
  view.m_horizonLineColor = RGB(13, 13, 13);
  view.m_orbitLineColor = RGB(14, 14, 14);
  view.m_probeNameColor = RGB(15, 15, 15);
  g_customColors[15] = RGB(9, 9, 9);  // left over from an earlier run
  std::vector<COLORREF> custom;
  SetColorChooserHandler([&custom](COLORREF&, COLORREF* colours) {
    custom.assign(colours, colours + 16);
    colours[15] = RGB(1, 2, 3);  // the user's own custom colour
    return FALSE;
  });
  view.act = [](CDialog& dialog) {
    DoubleClick(dialog, 1119, 0);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  };
  view.OnFontsAndColors();
  ASSERT_EQ(custom.size(), 16u);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(custom[i], RGB(i + 1, i + 1, i + 1)) << i;
  EXPECT_EQ(custom[15], RGB(255, 255, 255));
  // A cancelled picker changes no colour; the next run refills the list.
  EXPECT_EQ(view.m_starNameColor, RGB(3, 3, 3));
  view.OnFontsAndColors();
  EXPECT_EQ(custom[15], RGB(255, 255, 255));
}

TEST_F(Reports, FontsEditedAndTheSymbolFontFollowsTheStarNames) {
  ReportView view;
  view.SetDefaultFonts();
  // Font entries in order and the label kind each edits.
  const int kinds[11] = {0, 2, 1, 4, 3, 5, 6, 7, 8, 10, 11};
  std::vector<std::string> started;
  SetFontChooserHandler([&started](LOGFONT& font) {
    started.push_back(font.lfFaceName);
    font.lfHeight = -(static_cast<int>(started.size()) + 20);
    font.lfWeight = 700;
    font.lfItalic = 1;
    std::strcpy(font.lfFaceName, "DejaVu Serif");
    return TRUE;
  });
  view.act = [](CDialog& dialog) {
    // The font list is on the second tab.
    static_cast<CFontsColorsDialog&>(dialog).ShowList(1);
    for (int i = 0; i < 11; ++i) DoubleClick(dialog, 1093, i);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  };
  CNuvarine2View defaults;
  defaults.SetDefaultFonts();
  view.OnFontsAndColors();
  ASSERT_EQ(started.size(), 11u);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(started[i], defaults.m_labelLogFonts[kinds[i]].lfFaceName) << i;
    const LOGFONT& f = view.m_labelLogFonts[kinds[i]];
    EXPECT_EQ(f.lfHeight, -(i + 21)) << i;
    EXPECT_EQ(f.lfWeight, 700) << i;
    EXPECT_EQ(f.lfItalic, 1) << i;
    EXPECT_STREQ(f.lfFaceName, "DejaVu Serif") << i;
  }
  // Kind 9 keeps its face and takes the star names' height.
  EXPECT_STREQ(view.m_labelLogFonts[9].lfFaceName, defaults.m_labelLogFonts[9].lfFaceName);
  EXPECT_EQ(view.m_labelLogFonts[9].lfHeight, -21);
  // The texture fonts were made again from the records (no device: no glyphs yet).
  ASSERT_NE(view.m_labelFonts[1], nullptr);  // kind 0's slot
  EXPECT_EQ(view.m_labelFonts[1]->m_height, -21);
}

TEST_F(Reports, ByDefaultGivesTheDefaultFontsAndColoursWhateverWasEdited) {
  ReportView view;
  view.SetDefaultFonts();
  view.m_gridColor = RGB(1, 2, 3);
  view.m_labelLogFonts[3].lfHeight = -40;
  SetColorChooserHandler([](COLORREF& colour, COLORREF*) {
    colour = RGB(9, 9, 9);
    return TRUE;
  });
  view.act = [](CDialog& dialog) {
    DoubleClick(dialog, 1119, 0);
    dialog.SendControlNotify(1068, BN_CLICKED);
  };
  view.OnFontsAndColors();
  CNuvarine2View defaults;
  defaults.SetDefaultFonts();
  EXPECT_EQ(view.m_gridColor, defaults.m_gridColor);
  EXPECT_EQ(view.m_starNameColor, defaults.m_starNameColor);
  EXPECT_EQ(view.m_starNameColor, RGB(250, 100, 100));
  EXPECT_EQ(view.m_probeNameColor, RGB(255, 255, 196));
  for (int kind = 0; kind < kLabelFontCount; ++kind) {
    EXPECT_EQ(view.m_labelLogFonts[kind].lfHeight, defaults.m_labelLogFonts[kind].lfHeight) << kind;
    EXPECT_STREQ(view.m_labelLogFonts[kind].lfFaceName, defaults.m_labelLogFonts[kind].lfFaceName) << kind;
  }
  EXPECT_STREQ(view.m_labelLogFonts[2].lfFaceName, "Georgia");
  EXPECT_EQ(view.m_labelLogFonts[4].lfHeight, -29);
}

// ---- Report boxes ----

TEST_F(Reports, SiderealTimeBoxAtAFixedInstant) {
  ReportView view;
  view.m_observerLatitude = 0.0;
  view.m_observerLongitude = 0.0;
  view.m_utcOffset = 0.0;
  view.m_year = 2000, view.m_month = 1, view.m_day = 1;
  view.m_hour = 12, view.m_minute = 0, view.m_second = 0;
  view.OnCmdMsg(32824, nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(captions[0], "Nuvarine v 2");
  EXPECT_EQ(messages[0], kSiderealText);
}

TEST_F(Reports, CatalogueSummaryNamesOnlyWhatIsActive) {
  ReportView view;
  const int saved[7] = {g_brightStarCount, g_deepSkyCount, g_sky2000StarCount, g_tycho2StarCount,
                        g_tycho2Part2StarCount, g_cometCount, g_asteroidCount};
  g_brightStarCount = 9110, g_deepSkyCount = 10610, g_sky2000StarCount = 2000, g_tycho2StarCount = 3000;
  g_tycho2Part2StarCount = 4000, g_cometCount = 0, g_asteroidCount = 0;
  struct Case {
    bool sky2000Loaded, useTycho2, tycho2Loaded, useTycho2Part2, tycho2Part2Loaded, comets, asteroids;
    const char* text;
  };
  const Case cases[] = {
      {false, false, true, false, true, false, false,
       "Bright Stars Catalogue active (9110 stars)\r\nSAC catalogue active (10610 deep sky objects)\r\n"},
      {true, true, true, true, true, true, true,
       "Bright Stars Catalogue active (9110 stars)\r\nSAC catalogue active (10610 deep sky objects)\r\n"
       "Sky2000 catalogue active (2000 stars loaded)\r\nTycho2 catalogue active (3000 stars loaded)\r\n"
       "Tycho2-2 catalogue active (4000 stars loaded)\r\nComets catalogue active (0 comets loaded)\r\n"
       "Asteroids catalogue active (0 asteroids loaded)\r\n"},
      {true, true, false, true, false, false, true,
       "Bright Stars Catalogue active (9110 stars)\r\nSAC catalogue active (10610 deep sky objects)\r\n"
       "Sky2000 catalogue active (2000 stars loaded)\r\nAsteroids catalogue active (0 asteroids loaded)\r\n"},
  };
  for (const Case& c : cases) {
    view.m_sky2000Loaded = c.sky2000Loaded;
    view.m_useTycho2 = c.useTycho2;
    view.m_tycho2Loaded = c.tycho2Loaded;
    view.m_useTycho2Part2 = c.useTycho2Part2;
    view.m_tycho2Part2Loaded = c.tycho2Part2Loaded;
    view.m_showComets = c.comets;
    view.m_showAsteroids = c.asteroids;
    messages.clear();
    view.OnCmdMsg(32830, nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], c.text);
    EXPECT_EQ(captions.back(), "Nuvarine 2.0");
  }
  g_brightStarCount = saved[0], g_deepSkyCount = saved[1], g_sky2000StarCount = saved[2];
  g_tycho2StarCount = saved[3], g_tycho2Part2StarCount = saved[4], g_cometCount = saved[5];
  g_asteroidCount = saved[6];
}

TEST_F(Reports, HorizontalCoordinatesOfTypedCoordinates) {
  ReportView view;
  // At the north pole the altitude is the declination.
  view.m_observerLatitude = 3.14159265358979323846 / 2.0;
  view.m_sinLatitude = 1.0;
  view.m_cosLatitude = 0.0;
  view.m_localSiderealTime = 0.0;
  view.act = [](CDialog& dialog) {
    dialog.SetDlgItemText(1012, "6");
    dialog.SetDlgItemText(1015, "-0");
    dialog.SetDlgItemText(1016, "30");
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  };
  view.OnCmdMsg(32778, nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(captions[0], "Nuvarine 2.0");
  EXPECT_EQ(messages[0], kHorizontalText);
  // Cancel shows nothing.
  view.act = [](CDialog& dialog) { dialog.SendControlNotify(IDCANCEL, BN_CLICKED); };
  view.OnCmdMsg(32778, nullptr);
  EXPECT_EQ(messages.size(), 1u);
}

}  // namespace
