// The satellite-pass addresses, the country table and the refresh schedules.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include "Schedules.h"
#include "SurveyTiles.h"
#include "WebPages.h"

namespace {

constexpr double kRad = 3.14159265358979323846 / 180.0;

TEST(SatellitePages, IridiumQueryForTheObserversPlace) {
  // The program runs under the user's locale; addresses keep their points.
  const char* before = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
  EXPECT_EQ(IridiumFlaresUrl("pass.example", 48.5 * kRad, -2.25 * kRad, 100.0, CountryCodeOf(g_countryTimeZones[30].country)),
            "http://pass.example/iridium.asp?lat=48.5000&lng=2.2500&alt=000100&loc=Unspecified&TZ=CET&Dur=7");
  EXPECT_EQ(IridiumFlaresUrl("", 48.5 * kRad, -2.25 * kRad, 100.0, "CET"), "");
  EXPECT_EQ(DssTileUrl("h", 2, 150.0, -12.0, 1, 1).find(','), std::string::npos);
  if (before) std::setlocale(LC_NUMERIC, "C");
}

TEST(SatellitePages, VisibilityDateFollowsTheCivilHour) {
  // 2024-01-10 0h UT is JD 2460319.5: day 45301 counted from 30 December 1899.
  const double jd = 2460319.5 + 0.40;
  struct Row {
    int hour;
    const char* tail;
  };
  const Row rows[] = {{0, "&Date=45300.6875&Mag=4.5"},
                      {9, "&Date=45301.1875&Mag=4.5&AM=T"},
                      {12, "&Date=45301.6875&Mag=4.5"},
                      {23, "&Date=45301.6875&Mag=4.5"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.hour);
    const std::string url = SatelliteVisibilityUrl("pass.example", 48.5 * kRad, -2.25 * kRad, 100.0, "CET", jd, 1.0, r.hour);
    EXPECT_EQ(url, std::string("http://pass.example/allsats.asp?lat=48.5000&lng=2.2500&alt=000100&loc=Unspecified&TZ=CET") +
                       r.tail);
  }
}

TEST(SatellitePages, CountryTableAndMatching) {
  EXPECT_STREQ(g_countryTimeZones[0].country, "(GMT-11) American Samoa, Midway Is., Niue Is., Samoa");
  EXPECT_STREQ(g_countryTimeZones[19].code, "NST");
  EXPECT_STREQ(g_countryTimeZones[52].country, "(GMT+5.75) Nepal");
  EXPECT_STREQ(g_countryTimeZones[76].code, "UCTm12");
  EXPECT_EQ(CountryCodeOf("(gmt+5.5) INDIA"), "UCTm5colon30");
  EXPECT_EQ(CountryCodeOf("France"), "");
  for (const CountryTimeZone& row : g_countryTimeZones) EXPECT_EQ(std::strncmp(row.country, "(GMT", 4), 0) << row.code;
}

TEST(RefreshSchedules, ElementQuestionAndCloudMap) {
  struct Prompt {
    bool on;
    long frames;
    double jd, last;
    bool due;
  };
  const Prompt prompts[] = {{true, 41, 2460000.0, 2459993.0, true},  {true, 40, 2460000.0, 0.0, false},
                            {true, 41, 2460000.0, 2459993.01, false}, {false, 41, 2460000.0, 0.0, false},
                            {true, 1000, 2460000.0, 0.0, true}};
  for (const Prompt& p : prompts) EXPECT_EQ(ElementPromptDue(p.on, p.frames, p.jd, p.last), p.due);

  struct Cloud {
    bool planetarium, clouds, atmospheres;
    long frames;
    double sinceLast;
    bool animating, realTime, due;
  };
  const Cloud rows[] = {
      {false, true, true, 51, 0.2, false, false, true},  {true, true, true, 51, 0.2, false, false, false},
      {false, false, true, 51, 0.2, false, false, false}, {false, true, false, 51, 0.2, false, false, false},
      {false, true, true, 50, 0.2, false, false, false},  {false, true, true, 51, 0.125, false, false, false},
      {false, true, true, 51, 0.2, true, false, false},   {false, true, true, 51, 0.2, true, true, true},
  };
  for (const Cloud& c : rows)
    EXPECT_EQ(CloudMapDue(c.planetarium, c.clouds, c.atmospheres, c.frames, 2460000.0 + c.sinceLast, 2460000.0,
                          c.animating, c.realTime),
              c.due);
  char text[32];
  FormatRefreshDate(text, 2460319.123456);
  EXPECT_STREQ(text, "2460319.12346");
}

TEST(SurfaceTiles, LoadsAfterNearFramesAndWrappedColumns) {
  struct Row {
    int level, nearCount, random;
    bool due;
  };
  const Row rows[] = {{0, 6, 3, true},  {0, 5, 3, false}, {0, 6, 4, false}, {1, 8, 5, true},
                      {1, 7, 5, false}, {2, 10, 7, true}, {2, 9, 14, false}, {2, 10, 8, false}};
  for (const Row& r : rows) EXPECT_EQ(SurfaceTileLoadDue(r.level, r.nearCount, r.random), r.due) << r.level << " " << r.nearCount;
  EXPECT_EQ(SurfaceTileFileColumn(3, 0, 16), 15);
  EXPECT_EQ(SurfaceTileFileColumn(10, 5, 32), 4);
  EXPECT_EQ(SurfaceTileFileColumn(4, 3, 16), 10);
  EXPECT_EQ(SurfaceTileFileColumn(4, 12, 16), 3);
}

}  // namespace
