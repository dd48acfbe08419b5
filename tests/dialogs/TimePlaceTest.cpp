// The time and place dialog's arithmetic: angle edits, the Earth map, the
// time zone in force, and the observer terms taken after the dialog.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <unistd.h>

#include "TimePlace.h"

namespace {

TEST(TimePlace, AnglesSplitIntoEditsWithCarries) {
  struct Case {
    double value;
    int d, m, s;
  } cases[] = {
      {12.5, 12, 30, 0},
      {1.0 - 0.03 / 3600.0, 1, 0, 0},  // a few hundredths of a second below 1 degree
      {48.853409, 48, 51, 12},
      {0.0, 0, 0, 0},
      {89.0 + 59.0 / 60 + 59.6 / 3600, 90, 0, 0},
  };
  for (const Case& c : cases) {
    int d, m, s;
    SplitDegrees(c.value, d, m, s);
    EXPECT_EQ(d, c.d) << c.value;
    EXPECT_EQ(m, c.m) << c.value;
    EXPECT_EQ(s, c.s) << c.value;
  }
}

TEST(TimePlace, PolesCloseAsOneSecondShortOfNinety) {
  int d, m, s;
  SplitDegrees(ClosingAngle(90, 0, 0, true), d, m, s);
  EXPECT_EQ(d * 10000 + m * 100 + s, 895959);
  EXPECT_DOUBLE_EQ(ClosingAngle(90, 0, 0, false), 90.0);  // a longitude keeps its 90
  EXPECT_DOUBLE_EQ(ClosingAngle(12, 30, 0, true), 12.5);
}

TEST(TimePlace, EarthMapPixelsGiveLongitudeAndLatitude) {
  struct Case {
    int x, y;
    bool inside;
    double longitude, latitude;
  } cases[] = {
      {14, 142, true, 180.0, 0.0},   {525, 270, true, -180.0, -90.0}, {14, 14, true, 180.0, 90.0},
      {269, 142, true, 0.352, 0.0},  {270, 142, true, -0.352, 0.0},   {13, 100, false, 0, 0},
      {526, 100, false, 0, 0},       {100, 271, false, 0, 0},         {100, 13, false, 0, 0},
  };
  for (const Case& c : cases) {
    double longitude = 99, latitude = 99;
    EXPECT_EQ(EarthMapPosition(c.x, c.y, longitude, latitude), c.inside) << c.x << "," << c.y;
    if (!c.inside) continue;
    EXPECT_NEAR(longitude, c.longitude, 0.0005) << c.x;
    EXPECT_NEAR(latitude, c.latitude, 1e-9) << c.y;
  }
}

TEST(TimePlace, EarthMapTextsCarryAndNameTheHemisphere) {
  EXPECT_EQ(EarthMapAngleText(45.99999, true), " 46 \xB0   0 '    N");
  EXPECT_EQ(EarthMapAngleText(-12.5, true), " 12 \xB0  30 '    S");
  EXPECT_EQ(EarthMapAngleText(180.0, false), "180 \xB0   0 '    W");
  EXPECT_EQ(EarthMapAngleText(-0.352, false), "  0 \xB0  21 '    E");
}

std::time_t Utc(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = 12;
  return timegm(&t);
}

TEST(TimePlace, TheZoneInForceComesFromTheZoneDatabase) {
  struct Case {
    const char* zone;
    std::time_t when;
    double hours;
  } cases[] = {
      {"Europe/Paris", Utc(2024, 1, 15), 1.0},        {"Europe/Paris", Utc(2024, 7, 15), 2.0},
      {"Asia/Kolkata", Utc(2024, 3, 1), 5.5},         {"Australia/Lord_Howe", Utc(2024, 6, 15), 10.5},
      {"Australia/Lord_Howe", Utc(2024, 1, 15), 11.0}, {"America/New_York", Utc(2024, 1, 15), -5.0},
  };
  ASSERT_EQ(access("/usr/share/zoneinfo/Australia/Lord_Howe", R_OK), 0) << "install the package tzdata";
  const char* saved = std::getenv("TZ");
  const std::string keep = saved ? saved : "";
  for (const Case& c : cases) {
    setenv("TZ", c.zone, 1);
    double hours = 0;
    ASSERT_TRUE(UtcOffsetAt(c.when, hours)) << c.zone;
    EXPECT_DOUBLE_EQ(hours, c.hours) << c.zone;
  }
  if (saved) setenv("TZ", keep.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

TEST(TimePlace, ObserverTermsAfterTheDialog) {
  EXPECT_NEAR(DialogRefractionFactor(10.0, 1013.25), 0.964664, 1e-6);
  EXPECT_EQ(DialogRefractionFactor(10.0, 0.0), 0.0);
  const double deg = std::acos(-1.0) / 180.0;
  struct Case {
    double latitude, elevation, rhoSin, rhoCos;
  } cases[] = {
      {45 * deg, 0.0, 0.7035516, 0.7082932},
      {45 * deg, 1000.0, 0.7036625, 0.7084040},
      {0.0, 1000.0, 0.0, 1.0},                    // the equator ignores the elevation
      {std::acos(-1.0) / 2, 1000.0, 1.0, std::cos(std::acos(-1.0) / 2)},
  };
  for (const Case& c : cases) {
    double s, k;
    DialogParallaxTerms(c.latitude, c.elevation, s, k);
    EXPECT_NEAR(s, c.rhoSin, 1e-7) << c.latitude << " " << c.elevation;
    EXPECT_NEAR(k, c.rhoCos, 1e-7) << c.latitude << " " << c.elevation;
  }
}

TEST(TimePlace, YearsBeyondThreeThousandWarn) {
  EXPECT_TRUE(YearNeedsPrecisionWarning(3001));
  EXPECT_FALSE(YearNeedsPrecisionWarning(3000));
  EXPECT_FALSE(YearNeedsPrecisionWarning(-3000));
  EXPECT_TRUE(YearNeedsPrecisionWarning(-3001));
}

}  // namespace
