// The month calendars of 2024 (and three months of 2025) at Dallas against
// published instants (UT). A line carries the first minute step after its
// event, so a published minute may print one minute later.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "EventsCalendar.h"
#include "Resource.h"
#include "SkyModel.h"
#include "UiDefs.h"

namespace {

const CString kNames[11] = {"Sun", "Mercury", "Venus", "Earth", "Mars", "Jupiter",
                            "Saturn", "Uranus", "Neptune", "Pluto", "Moon"};

EventSite Dallas() {
  EventSite site;
  site.latitude = (32 + 46 / 60.0 + 36 / 3600.0) * 0.017453292519943295;
  site.westLongitude = (96 + 47 / 60.0 + 49 / 3600.0) * 0.017453292519943295;
  site.elevation = 140;
  return site;
}

struct Line {
  int year, month, day, minuteOfDay;
  std::string text;
};

// Every line of the month calendars run so far, computed once.
class Year {
 public:
  static Year& Get() {
    static Year* y = new Year;
    return *y;
  }
  std::vector<Line> lines;
  long libraryCalls = 0;

 private:
  Year() {
    AfxRegisterStrings(kCalendarStringTable, kCalendarStringTableCount);
    AfxRegisterStrings(kInfoStringTable, kInfoStringTableCount);
    CSkyModel model;
    model.m_installFolder = NUVARINE_INSTALL_DIR;
    if (!model.LoadPlanetLibrary()) return;
    CEventSampler sampler(g_pPlanetesCalcul, Dallas());
    const int months[][2] = {{2024, 1}, {2024, 2}, {2024, 3}, {2024, 4},  {2024, 5},  {2024, 6},  {2024, 7}, {2024, 8},
                             {2024, 9}, {2024, 10}, {2024, 11}, {2024, 12}, {2025, 3}, {2025, 9}};
    for (const auto& ym : months) {
      CEventDetectors detectors(kNames);
      CEventStepper stepper(sampler, detectors);
      CalendarRequest r;
      r.year = ym[0];
      r.month = ym[1];
      std::vector<CString> texts;
      const int n = CalendarDayCount(r);
      EXPECT_TRUE(stepper.Run(CalendarFirstDay(r), n, texts));
      for (int d = 1; d <= n; ++d) {
        const std::string& t = texts[d];
        static const std::regex kLine("(\\d\\d)h(\\d\\d)\\t([^\\r]*)");
        for (std::sregex_iterator i(t.begin(), t.end(), kLine), end; i != end; ++i)
          lines.push_back({ym[0], ym[1], d, std::stoi((*i)[1]) * 60 + std::stoi((*i)[2]), (*i)[3]});
      }
    }
    libraryCalls = sampler.LibraryCalls();
  }
};

// Lines containing `what` on a date.
std::vector<Line> Find(const std::string& what, int year, int month, int day) {
  std::vector<Line> found;
  for (const Line& l : Year::Get().lines)
    if (l.year == year && l.month == month && l.day == day && l.text.find(what) != std::string::npos)
      found.push_back(l);
  return found;
}
// Lines of 2024 containing `what`.
std::vector<Line> FindAll(const std::string& what) {
  std::vector<Line> found;
  for (const Line& l : Year::Get().lines)
    if (l.year == 2024 && l.text.find(what) != std::string::npos) found.push_back(l);
  return found;
}

struct Instant {
  int month, day, hour, minute;
};

// One line of `what` near the published instant, at most `tolerance`
// minutes off (after allowing the printed minute's one-minute delay).
void ExpectAt(const std::string& what, int year, const Instant& at, int tolerance) {
  SCOPED_TRACE(what + " " + std::to_string(year) + "-" + std::to_string(at.month) + "-" + std::to_string(at.day));
  const std::vector<Line> lines = Find(what, year, at.month, at.day);
  ASSERT_EQ(lines.size(), 1u);
  const int expected = at.hour * 60 + at.minute;
  const int delay = lines[0].minuteOfDay - expected;
  EXPECT_GE(delay, -tolerance) << lines[0].text;
  EXPECT_LE(delay, tolerance + 1) << lines[0].text;
}

TEST(EventCalendarYear, MoonPhasesToTheMinute) {
  const Instant news[] = {{1, 11, 11, 57}, {2, 9, 22, 59}, {3, 10, 9, 0},  {4, 8, 18, 21},  {5, 8, 3, 22},
                          {6, 6, 12, 38},  {7, 5, 22, 57}, {8, 4, 11, 13}, {9, 3, 1, 55},   {10, 2, 18, 49},
                          {11, 1, 12, 47}, {12, 1, 6, 21}, {12, 30, 22, 27}};
  const Instant firsts[] = {{1, 18, 3, 53},  {2, 16, 15, 1},  {3, 17, 4, 11}, {4, 15, 19, 13},
                            {5, 15, 11, 48}, {6, 14, 5, 18},  {7, 13, 22, 49}, {8, 12, 15, 19},
                            {9, 11, 6, 6},   {10, 10, 18, 55}, {11, 9, 5, 55}, {12, 8, 15, 27}};
  const Instant fulls[] = {{1, 25, 17, 54}, {2, 24, 12, 30}, {3, 25, 7, 0},   {4, 23, 23, 49},
                           {5, 23, 13, 53}, {6, 22, 1, 8},   {7, 21, 10, 17}, {8, 19, 18, 26},
                           {9, 18, 2, 34},  {10, 17, 11, 26}, {11, 15, 21, 28}, {12, 15, 9, 2}};
  const Instant lasts[] = {{1, 4, 3, 30},   {2, 2, 23, 18},  {3, 3, 15, 23},  {4, 2, 3, 15},  {5, 1, 11, 27},
                           {5, 30, 17, 13}, {6, 28, 21, 53}, {7, 28, 2, 51},  {8, 26, 9, 26}, {9, 24, 18, 50},
                           {10, 24, 8, 3},  {11, 23, 1, 28}, {12, 22, 22, 18}};
  for (const Instant& i : news) ExpectAt("New Moon.", 2024, i, 1);
  for (const Instant& i : firsts) ExpectAt("First quarter of Moon.", 2024, i, 1);
  for (const Instant& i : fulls) ExpectAt("Full Moon.", 2024, i, 1);
  for (const Instant& i : lasts) ExpectAt("Last quarter of Moon.", 2024, i, 1);
}

TEST(EventCalendarYear, EquinoxesAndSolstices) {
  ExpectAt("Spring equinox.", 2024, {3, 20, 3, 6}, 2);
  ExpectAt("Summer solstice.", 2024, {6, 20, 20, 51}, 2);
  ExpectAt("Autumn equinox.", 2024, {9, 22, 12, 44}, 2);
  ExpectAt("Winter solstice.", 2024, {12, 21, 9, 21}, 2);
}

TEST(EventCalendarYear, SolarEclipseOfAprilEighth) {
  ExpectAt("Solar eclipse (beginning).", 2024, {4, 8, 17, 23}, 2);
  ExpectAt("Full solar eclipse (0.0", 2024, {4, 8, 18, 42}, 2);
  ExpectAt("Solar eclipse (ending).", 2024, {4, 8, 20, 2}, 2);
  EXPECT_TRUE(Find("solar eclipse", 2024, 10, 2).empty());
  EXPECT_TRUE(Find("Solar eclipse", 2024, 10, 2).empty());
  EXPECT_EQ(FindAll("olar eclipse").size(), 3u);
}

TEST(EventCalendarYear, LunarEclipsesByTheUmbra) {
  ExpectAt("Partial moon eclipse", 2024, {9, 18, 2, 44}, 5);
  EXPECT_TRUE(Find("moon eclipse", 2024, 3, 25).empty());
  ExpectAt("Full moon eclipse", 2025, {3, 14, 6, 59}, 5);
  ExpectAt("Full moon eclipse", 2025, {9, 7, 18, 12}, 5);
}

TEST(EventCalendarYear, PerihelionAndAphelion) {
  const auto near = Find("nearest of the Sun", 2024, 1, 3);
  ASSERT_EQ(near.size(), 1u);
  EXPECT_NEAR(near[0].minuteOfDay, 30, 60);
  const auto far = Find("farthest of the Sun", 2024, 7, 5);
  ASSERT_EQ(far.size(), 1u);
  EXPECT_NEAR(far[0].minuteOfDay, 5 * 60 + 10, 60);
  EXPECT_EQ(FindAll("nearest of the Sun").size(), 1u);
  EXPECT_EQ(FindAll("farthest of the Sun").size(), 1u);
}

TEST(EventCalendarYear, OppositionsAndConjunctionsWithTheSun) {
  const struct {
    const char* what;
    int month, day;
  } cases[] = {
      {"Pluto is at opposition", 7, 23},   {"Saturn is at opposition", 9, 8},
      {"Neptune is at opposition", 9, 21}, {"Uranus is at opposition", 11, 17},
      {"Jupiter is at opposition", 12, 7}, {"Mercury in inferior conjunction", 4, 11},
      {"Mercury in inferior conjunction", 8, 19}, {"Mercury in inferior conjunction", 12, 6},
      {"Mercury in superior conjunction", 2, 28}, {"Mercury in superior conjunction", 6, 14},
      {"Mercury in superior conjunction", 9, 30}, {"Venus in superior conjunction", 6, 4},
      {"Saturn in  conjunction", 2, 28},   {"Neptune in  conjunction", 3, 17},
      {"Uranus in  conjunction", 5, 13},   {"Jupiter in  conjunction", 5, 18},
  };
  for (const auto& c : cases) EXPECT_EQ(Find(c.what, 2024, c.month, c.day).size(), 1u) << c.what << " " << c.month << "-" << c.day;
  EXPECT_EQ(FindAll("Venus in inferior").size(), 0u);
}

TEST(EventCalendarYear, GreatestElongationsOfMercury) {
  const struct {
    int month, day;
    const char* direction;
    double degrees;
  } cases[] = {{1, 12, "Western", 23.5}, {3, 24, "Eastern", 18.7}, {5, 9, "Western", 26.4}, {7, 22, "Eastern", 26.9},
               {9, 5, "Western", 18.1},  {11, 16, "Eastern", 22.5}, {12, 25, "Western", 22.0}};
  const auto all = FindAll("Mercury at greatest");
  EXPECT_EQ(all.size(), 7u);
  for (const auto& c : cases) {
    bool found = false;
    for (const Line& l : all) {
      if (l.month != c.month || std::abs(l.day - c.day) > 1) continue;
      found = true;
      EXPECT_NE(l.text.find(c.direction), std::string::npos) << l.text;
      double e = 0;
      ASSERT_EQ(std::sscanf(l.text.c_str() + l.text.find('(') + 1, "%lf", &e), 1) << l.text;
      EXPECT_NEAR(e, c.degrees, 0.5) << l.text;
    }
    EXPECT_TRUE(found) << c.month << "-" << c.day;
  }
  EXPECT_TRUE(FindAll("Venus at greatest").empty());
}

TEST(EventCalendarYear, CloseConjunctionsAndOccultations) {
  const auto marsJupiter = Find("Mars passes 0.3 degrees from Jupiter", 2024, 8, 14);
  ASSERT_EQ(marsJupiter.size(), 1u);
  EXPECT_NEAR(marsJupiter[0].minuteOfDay, 15 * 60 + 12, 120);
  EXPECT_EQ(Find("Saturn passes", 2024, 5, 4).size() + Find("Saturn passes", 2024, 5, 3).size(), 1u);
  EXPECT_EQ(Find("Saturn passes", 2024, 5, 31).size() + Find("Saturn passes", 2024, 5, 30).size(), 1u);
  ExpectAt("Moon occults Venus (beginning)", 2024, {4, 7, 16, 17}, 2);
  ExpectAt("Moon occults Venus (ending)", 2024, {4, 7, 16, 47}, 2);
  ExpectAt("Moon occults Neptune (beginning)", 2024, {11, 12, 1, 33}, 2);
  ExpectAt("Moon occults Neptune (ending)", 2024, {11, 12, 2, 49}, 2);
}

TEST(EventCalendarYear, FewLibraryCalls) {
  // Nodes six hours apart, shared by the two passes: about four calls a day.
  EXPECT_LT(Year::Get().libraryCalls, 14 * 36 * 4);
}

}  // namespace
