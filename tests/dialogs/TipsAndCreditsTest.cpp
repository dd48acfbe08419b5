// The start-up box (word wrapping, tip numbers, alert and tip forms, its
// painted text) and the About box's scrolling credits (lines, kinds, the
// endless loop, speeds), driven offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "AboutDialog.h"
#include "Resource.h"
#include "TipsDialog.h"
#include "UiDefs.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "tips_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

class BoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    static bool registered = false;
    if (!registered) RegisterNuvarineResources();
    registered = true;
  }
  // Runs the dialog modally; `steps` act on it once it is open.
  static INT_PTR Run(CDialog& dialog, std::vector<std::function<void()>> steps) {
    QTimer::singleShot(0, [&dialog, steps]() {
      for (const auto& step : steps) step();
      if (dialog.HasWindow() && dialog.GetWidget()->isVisible()) dialog.SendControlNotify(IDCANCEL, BN_CLICKED);
    });
    return dialog.DoModal();
  }
};

std::vector<std::string> Lines(const CTipStatic& s) {
  std::vector<std::string> lines;
  for (int i = 0; i < s.GetLineCount(); ++i) lines.push_back(s.Line(i).c_str());
  return lines;
}

std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(n), c); }

TEST(TipWrap, LinesOfFewerThanFiftyCharactersTenAtMost) {
  std::string many;
  for (int i = 0; i < 60; ++i) many += "word" + std::to_string(100 + i) + " ";  // 8 characters a word
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"empty", "", {}},
      {"blanks only", "    ", {}},
      {"runs of blanks separate words and are not kept", "  a   b  ", {"a b "}},
      {"a tip wraps before the word that reaches 50",
       CTipsDialog::TipText(2),
       {"In the solar system mode, use the mouse wheel to ", "retreat from or to advance closer to an object. "}},
      {"a first word of 50 leaves the first line empty", Repeat('x', 50) + " end",
       {"", Repeat('x', 50) + " ", "end "}},
      {"a word of 100 or more is cut to fit its line", "a " + Repeat('y', 150) + " b",
       {"a ", Repeat('y', 99) + " ", "b "}},
      {"ten lines, the rest dropped", many,
       {"word100 word101 word102 word103 word104 word105 ", "word106 word107 word108 word109 word110 word111 ",
        "word112 word113 word114 word115 word116 word117 ", "word118 word119 word120 word121 word122 word123 ",
        "word124 word125 word126 word127 word128 word129 ", "word130 word131 word132 word133 word134 word135 ",
        "word136 word137 word138 word139 word140 word141 ", "word142 word143 word144 word145 word146 word147 ",
        "word148 word149 word150 word151 word152 word153 ", "word154 word155 word156 word157 word158 word159 "}},
  };
  for (const Case& c : cases) {
    CTipStatic s;
    s.SetText(c.text.c_str());
    EXPECT_EQ(Lines(s), c.lines) << c.name;
  }
  // Eleven full lines: the words of the eleventh never appear.
  CTipStatic s;
  s.SetText((many + many).c_str());
  EXPECT_EQ(s.GetLineCount(), 10);
  EXPECT_EQ(std::string(s.Line(9).c_str()), "word154 word155 word156 word157 word158 word159 ");
}

TEST(TipWrap, LineWidthSetterKeepsOneToHundred) {
  CTipStatic s;
  s.SetMaxLineWidth(0);  // ignored
  s.SetText("aaa bbb ccc");
  EXPECT_EQ(s.GetLineCount(), 1);
  s.SetMaxLineWidth(8);
  s.SetText("aaa bbb ccc");
  EXPECT_EQ(Lines(s), (std::vector<std::string>{"aaa ", "bbb ", "ccc "}));
  s.SetMaxLineWidth(500);  // 100
  s.SetText((Repeat('a', 60) + " " + Repeat('b', 37) + " c").c_str());
  EXPECT_EQ(Lines(s), (std::vector<std::string>{Repeat('a', 60) + " " + Repeat('b', 37) + " ", "c "}));
}

TEST_F(BoxTest, TipNumbersRunModuloEleven) {
  EXPECT_STREQ(CTipsDialog::TipText(22), CTipsDialog::TipText(0));
  EXPECT_STREQ(CTipsDialog::TipText(32767), CTipsDialog::TipText(32767 % 11));
  EXPECT_STRNE(CTipsDialog::TipText(1), CTipsDialog::TipText(0));
  CTipsDialog box;
  box.ShowTip(22);
  CTipStatic zero;
  zero.SetText(CTipsDialog::TipText(0));
  EXPECT_EQ(Lines(box.m_tipStatic), Lines(zero));
  box.ShowTip(-1);  // nothing new
  EXPECT_EQ(Lines(box.m_tipStatic), Lines(zero));
  // The texts are CP1252: tip 3 holds the typographic quotes.
  EXPECT_NE(std::string(CTipsDialog::TipText(3)).find("\x93locked on\x92\x92"), std::string::npos);
}

TEST_F(BoxTest, AlertFormNextAndNeverShowAgain) {
  CTipsDialog box;
  box.m_text = "Today : Full Moon  Tomorrow : Mars at opposition";
  std::vector<std::string> combo, before, after;
  std::string title;
  const INT_PTR result = Run(box, {[&] {
                                     for (int i = 0; i < AfxGetComboCount(&box, 1000); ++i)
                                       combo.push_back(AfxGetComboString(&box, 1000, i).c_str());
                                     EXPECT_EQ(std::string(AfxGetComboText(&box, 1000).c_str()), "Show alerts at startup");
                                     title = box.m_tipStatic.GetTitle().c_str();
                                     before = Lines(box.m_tipStatic);
                                     box.SendControlNotify(IDOK, BN_CLICKED);  // "Next"
                                     EXPECT_TRUE(box.GetWidget()->isVisible());
                                     after = Lines(box.m_tipStatic);
                                     AfxSetComboText(&box, 1000, "Never show alerts at startup");
                                     box.SendControlNotify(IDCANCEL, BN_CLICKED);  // "OK"
                                   }});
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(box.m_choice, 1);
  EXPECT_EQ(combo, (std::vector<std::string>{"Show alerts at startup", "Never show alerts at startup"}));
  EXPECT_EQ(title, "Ephemeris...");
  EXPECT_EQ(before, (std::vector<std::string>{"Today : Full Moon Tomorrow : Mars at opposition "}));
  CTipStatic first;
  first.SetText(CTipsDialog::TipText(0));
  EXPECT_EQ(after, Lines(first));  // "Next" during an alert counts from tip 0
}

TEST_F(BoxTest, TipFormKeepsTheFirstEntryAndPaintsItsText) {
  CTipsDialog box;
  std::vector<std::string> combo, lines;
  std::string title;
  QImage picture;
  int index = -2;
  const INT_PTR result = Run(box, {[&] {
    for (int i = 0; i < AfxGetComboCount(&box, 1000); ++i)
      combo.push_back(AfxGetComboString(&box, 1000, i).c_str());
    title = box.m_tipStatic.GetTitle().c_str();
    index = box.m_tipIndex;
    lines = Lines(box.m_tipStatic);
    picture = box.m_tipStatic.GetWidget()->grab().toImage();
  }});
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(box.m_choice, 0);
  EXPECT_EQ(combo, (std::vector<std::string>{"Show tips at startup", "Never show tips at startup"}));
  EXPECT_EQ(title, "Tips...");
  ASSERT_GE(index, 0);
  ASSERT_LE(index, 32767);
  CTipStatic expected;
  expected.SetText(CTipsDialog::TipText(index));
  EXPECT_EQ(lines, Lines(expected));
  // The band and the separator in (132, 130, 132), dark text on white below them.
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.pixelColor(10, picture.height() - 10), QColor(132, 130, 132));
  EXPECT_EQ(picture.pixelColor(picture.width() / 2, 31), QColor(132, 130, 132));
  EXPECT_EQ(picture.pixelColor(picture.width() - 3, picture.height() - 3), QColor(255, 255, 255));
  int dark = 0;
  for (int y = 38; y < 38 + 16 * static_cast<int>(lines.size()); ++y)
    for (int x = 55; x < picture.width() - 5; ++x) dark += qGray(picture.pixel(x, y)) < 100;
  EXPECT_GT(dark, 200);
}

// ---- Credits ----------------------------------------------------------------------

// Ticks the control until `count` lines have come in; the tick at which each
// came (the empty start, scrolling from the first tick, is not one of them).
std::vector<std::pair<int, std::string>> LinesComingIn(CCreditsStatic& c, int count) {
  std::vector<std::pair<int, std::string>> seen;
  for (int tick = 1; tick < 2000 && static_cast<int>(seen.size()) < count; ++tick) {
    c.OnTimer(CCreditsStatic::kScrollTimer);
    if (c.Scrolled() == 1 && tick > 1) seen.push_back({tick, c.CurrentLine().c_str()});
  }
  return seen;
}

TEST(Credits, NoLinesNoTimer) {
  CCreditsStatic c;
  EXPECT_FALSE(c.StartScrolling());
  EXPECT_FALSE(c.IsScrolling());
  c.SetCredits("", '|');  // one empty line
  EXPECT_EQ(c.LineCount(), 1u);
  EXPECT_TRUE(c.StartScrolling());
  EXPECT_TRUE(c.IsScrolling());
  c.StopScrolling();
  EXPECT_FALSE(c.IsScrolling());
}

TEST(Credits, SplitAtEverySeparator) {
  CCreditsStatic c;
  c.SetCredits("one line", '|');
  EXPECT_EQ(c.LineCount(), 1u);
  c.SetCredits("a||b|", '|');
  EXPECT_EQ(c.LineCount(), 4u);
  c.SetCreditsFromResource(999999, '|');  // no such string: nothing changes
  EXPECT_EQ(c.LineCount(), 4u);
}

TEST(Credits, ThreeLinesLoopWithoutAGap) {
  CCreditsStatic c;
  c.SetCredits("One|Two\t|Three", '|');
  ASSERT_TRUE(c.StartScrolling());
  const auto seen = LinesComingIn(c, 5);
  ASSERT_EQ(seen.size(), 5u);
  const std::vector<std::string> order = {"One", "Two\t", "Three", "One", "Two\t"};
  for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].second, order[i]);
  // Each line takes as many steps as its height: 15 for normal lines, 21 for type A;
  // line 1 follows line 3 after its 15 steps, like any other line.
  EXPECT_EQ(seen[0].first, 15);  // the first line follows an empty one of 15
  EXPECT_EQ(seen[1].first - seen[0].first, 15);
  EXPECT_EQ(seen[2].first - seen[1].first, 21);
  EXPECT_EQ(seen[3].first - seen[2].first, 15);
  EXPECT_EQ(seen[4].first - seen[3].first, 15);
  EXPECT_FALSE(c.FirstPass());
}

TEST(Credits, SpeedsAndHeights) {
  CCreditsStatic c;
  EXPECT_EQ(c.TickInterval(), 40);
  c.SetSpeed(2);
  EXPECT_EQ(c.TickInterval(), 10);
  c.SetSpeed(0, 25);
  EXPECT_EQ(c.TickInterval(), 25);
  c.SetSpeed(3);  // no such level
  EXPECT_EQ(c.TickInterval(), 25);
  // Heights by kind: B (line feed) 19, C (form feed) 17, A (tab) 21, normal 15.
  c.SetCredits("b\n|c\f|a\t|n", '|');
  c.StartScrolling();
  std::vector<int> heights;
  for (int tick = 1; tick < 200 && heights.size() < 4; ++tick) {
    c.OnTimer(CCreditsStatic::kScrollTimer);
    if (c.Scrolled() == 1 && tick > 1) heights.push_back(c.LineHeight());
  }
  EXPECT_EQ(heights, (std::vector<int>{19, 17, 21, 15}));
}

int PixelsNear(const QImage& image, QColor colour, int tolerance) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor p = image.pixelColor(x, y);
      n += std::abs(p.red() - colour.red()) + std::abs(p.green() - colour.green()) +
               std::abs(p.blue() - colour.blue()) <=
           tolerance;
    }
  return n;
}

TEST_F(BoxTest, AboutBoxScrollsOurCredits) {
  CAboutDialog box;
  box.m_version = "2.0.0.1";
  bool scrolling = false;
  int interval = 0;
  QImage still, scrolled;
  const INT_PTR result = Run(box, {[&] {
    scrolling = box.m_credits.IsScrolling();
    interval = box.m_credits.TickInterval();
    // Stopped, the control shows its lines from the top: the title in
    // (255, 100, 100) without its code, normal lines in white.
    box.m_credits.StopScrolling();
    box.m_credits.SetCredits("Title\t|Plain", '|');
    still = box.m_credits.GetWidget()->grab().toImage();
    box.m_credits.SetCredits("Scrolling\t", '|');
    box.m_credits.StartScrolling();
    for (int i = 0; i < 40; ++i) box.m_credits.OnTimer(CCreditsStatic::kScrollTimer);
    scrolled = box.m_credits.GetWidget()->grab().toImage();
    box.SendControlNotify(IDOK, BN_CLICKED);
  }});
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(scrolling);
  EXPECT_EQ(interval, 40);
  const std::string credits = CAboutDialog::CreditsText("2.0.0.1", "", "").c_str();
  EXPECT_EQ(credits.rfind("Nuvarine 2\t|Version 2.0.0.1\n|", 0), 0u);
  for (const char* part : {"Hipparcos", "Stellarium", "Mellinger", "Qt 6", "libnova", "Independent JPEG Group"})
    EXPECT_NE(credits.find(part), std::string::npos) << part;
  EXPECT_NE(CAboutDialog::CreditsText("2.0", "private", "special").find("private|special|"), std::string::npos);
  ASSERT_FALSE(still.isNull());
  EXPECT_GT(PixelsNear(still, QColor(255, 100, 100), 30), 20);
  EXPECT_GT(PixelsNear(still, QColor(255, 255, 255), 0), 10);
  // After 40 steps the scrolled title stands in the lower part, on black.
  ASSERT_FALSE(scrolled.isNull());
  EXPECT_GT(PixelsNear(scrolled.copy(0, scrolled.height() - 40, scrolled.width(), 40), QColor(255, 100, 100), 30), 20);
  EXPECT_EQ(scrolled.pixelColor(2, 2), QColor(0, 0, 0));
}

}  // namespace
