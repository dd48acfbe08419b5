// Rise, transit and set: the hour-angle formula of fixed places, and the Sun
// and Moon searches through the planet library against almanac times.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "SkyModel.h"

namespace {

struct Place {
  double latitude;       // degrees, north positive
  double eastLongitude;  // degrees
};

void SetSite(CSkyModel& m, Place p) {
  m.m_observerLatitude = p.latitude * kDegToRad;
  m.m_observerLongitude = -p.eastLongitude * kDegToRad;
  m.m_sinLatitude = std::sin(m.m_observerLatitude);
  m.m_cosLatitude = std::cos(m.m_observerLatitude);
  m.m_observerElevation = 0.0;
  m.m_temperature = 10.0;
}

void SetInstant(CSkyModel& m, int y, int mo, int d, int h, int mi, double zone) {
  m.m_year = y;
  m.m_month = mo;
  m.m_day = d;
  m.m_hour = h;
  m.m_minute = mi;
  m.m_second = 0;
  m.m_utcOffset = zone;
  m.UpdateTimeContext();
}

// Minutes after local midnight of a time returned as an angle.
double Minutes(double angle) { return angle / kTwoPi * 1440.0; }
double HhMm(int h, int m) { return h * 60.0 + m; }

class SunMoonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model.m_installFolder = NUVARINE_INSTALL_DIR;
    ASSERT_TRUE(model.LoadPlanetLibrary());
  }
  CSkyModel model;
};

const Place kLondon{51.5072, -0.1276};
const Place kSydney{-33.8688, 151.2093};
const Place kTromso{69.6492, 18.9553};

TEST(RiseTransitSetStar, HourAngleFormula) {
  CSkyModel m;
  SetSite(m, {45.0, 0.0});
  SetInstant(m, 2026, 3, 20, 22, 0, 1.0);
  // A star on the meridian now transits now; it rises and sets H0 either side.
  double rise, transit, set;
  ASSERT_TRUE(m.RiseTransitSet(rise, transit, set, false, false, m.m_localSiderealTime, 0.0));
  const double now = NormalizeAngle(kTwoPi * m.m_utFraction + kPi / 12.0);
  EXPECT_NEAR(transit, now, 1e-12);
  const double h0 = kPi / 2.0 - std::asin((-0.00989) / std::cos(m.m_observerLatitude));
  // The hour angle is sidereal: it passes in 1/1.0027379 of its civil time.
  // Each event is the first of the civil day, so a rise or set that belongs
  // to the previous or next transit is one day's sidereal drift away.
  const double k = 1.00273790935;
  const double drift = kTwoPi * (1.0 - 1.0 / k);
  auto oneOf = [&](double d) {
    return std::fabs(d - h0 / k) < 1e-9 || std::fabs(d - (h0 / k - drift)) < 1e-9 ||
           std::fabs(d - (h0 / k + drift)) < 1e-9;
  };
  EXPECT_TRUE(oneOf(NormalizeAngle(transit - rise))) << transit - rise;
  EXPECT_TRUE(oneOf(NormalizeAngle(set - transit))) << set - transit;

  // Thresholds at latitude 45: cos(dec + lat) < 0.00989 never sets.
  struct Case {
    double declination;
    bool events;
  } cases[] = {{44.4, true}, {44.5, false}, {80.0, false}, {-45.4, true}, {-45.7, false}, {-80.0, false}};
  for (const Case& c : cases) {
    const bool ok = m.RiseTransitSet(rise, transit, set, false, false, 1.0, c.declination * kDegToRad);
    EXPECT_EQ(ok, c.events) << c.declination;
    if (!ok) {
      EXPECT_EQ(rise, -1.0);
      EXPECT_EQ(transit, -1.0);
      EXPECT_EQ(set, -1.0);
    }
  }
  // On the equator H0 reaches pi for a star whose cos(dec) is 0.00989: rise and set meet.
  SetSite(m, {0.0, 0.0});
  ASSERT_TRUE(m.RiseTransitSet(rise, transit, set, false, false, 1.0, std::acos(0.00989 + 1e-12)));
  EXPECT_NEAR(std::remainder(rise - set, kTwoPi), 0.0, 1e-4);
}

struct AlmanacCase {
  const char* what;
  Place place;
  int year, month, day;
  double zone;
  bool moon;
  double rise, transit, set;  // local minutes, -1 none
};

// Published sunrise, solar noon and sunset (upper limb, standard refraction).
const AlmanacCase kSunCases[] = {
    {"London, summer solstice", kLondon, 2024, 6, 21, 1.0, false, HhMm(4, 43), HhMm(13, 2), HhMm(21, 21)},
    {"London, winter solstice", kLondon, 2024, 12, 21, 0.0, false, HhMm(8, 4), HhMm(11, 58), HhMm(15, 53)},
    {"Sydney, southern summer", kSydney, 2024, 12, 21, 11.0, false, HhMm(5, 41), HhMm(12, 53), HhMm(20, 5)},
};

TEST_F(SunMoonTest, SunAgainstAlmanac) {
  for (const AlmanacCase& c : kSunCases) {
    SetSite(model, c.place);
    SetInstant(model, c.year, c.month, c.day, 15, 30, c.zone);
    const double jd = model.m_julianDate;
    double rise, transit, set;
    ASSERT_TRUE(model.RiseTransitSet(rise, transit, set, c.moon, !c.moon, 0.0, 0.0)) << c.what;
    EXPECT_NEAR(Minutes(rise), c.rise, 1.0) << c.what;
    EXPECT_NEAR(Minutes(transit), c.transit, 1.0) << c.what;
    EXPECT_NEAR(Minutes(set), c.set, 1.0) << c.what;
    EXPECT_EQ(model.m_julianDate, jd);
    EXPECT_EQ(model.m_day, c.day);
  }
}

// Published moonrise and moonset of the full Moon of 12 December 2019.
const AlmanacCase kMoonCases[] = {
    {"London, full Moon", kLondon, 2019, 12, 12, 0.0, true, HhMm(16, 16), -1.0, HhMm(7, 59)},
    {"New York, full Moon", {40.7128, -74.0060}, 2019, 12, 12, -5.0, true, HhMm(17, 4), -1.0, HhMm(7, 26)},
};

TEST_F(SunMoonTest, MoonAgainstAlmanac) {
  for (const AlmanacCase& c : kMoonCases) {
    SetSite(model, c.place);
    SetInstant(model, c.year, c.month, c.day, 12, 0, c.zone);
    double rise, transit, set;
    ASSERT_TRUE(model.RiseTransitSet(rise, transit, set, true, false, 0.0, 0.0)) << c.what;
    EXPECT_NEAR(Minutes(rise), c.rise, 1.0) << c.what;
    EXPECT_NEAR(Minutes(set), c.set, 1.0) << c.what;
    // The Moon culminates around local midnight: no transit falls on that civil day here.
    EXPECT_EQ(transit, -1.0) << c.what;
  }
}

TEST_F(SunMoonTest, DayWithoutMoonrise) {
  // London, 20 January 2025: the Moon rises a few minutes after midnight on the 21st.
  SetSite(model, kLondon);
  SetInstant(model, 2025, 1, 20, 12, 0, 0.0);
  double rise, transit, set;
  ASSERT_TRUE(model.RiseTransitSet(rise, transit, set, true, false, 0.0, 0.0));
  EXPECT_EQ(rise, -1.0);
  EXPECT_NEAR(Minutes(set), HhMm(10, 16), 2.0);
  EXPECT_NEAR(Minutes(transit), HhMm(4, 45), 2.0);
  // The next day has its rise just after midnight, found from the midnight start.
  SetInstant(model, 2025, 1, 21, 12, 0, 0.0);
  ASSERT_TRUE(model.RiseTransitSet(rise, transit, set, true, false, 0.0, 0.0));
  EXPECT_GT(rise, 0.0);
  EXPECT_LT(Minutes(rise), 30.0);
}

TEST_F(SunMoonTest, PolarDayAndNightEndPromptly) {
  // Tromso and both poles, at both solstices (the poles also have no meridian).
  const Place places[] = {kTromso, {90.0, 0.0}, {-90.0, 0.0}};
  for (int k = 0; k < 6; ++k) {
    const Place& place = places[k / 2];
    const int month = k % 2 ? 12 : 6;
    SetSite(model, place);
    SetInstant(model, 2024, month, 21, 12, 0, 1.0);
    const double jd = model.m_julianDate;
    const auto start = std::chrono::steady_clock::now();
    double rise = 0, transit = 0, set = 0;
    EXPECT_FALSE(model.RiseTransitSet(rise, transit, set, false, true, 0.0, 0.0)) << place.latitude << " " << month;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(rise, -1.0);
    EXPECT_EQ(transit, -1.0);
    EXPECT_EQ(set, -1.0);
    EXPECT_LT(seconds, 1.0) << "the search must stop at the end of the day";
    EXPECT_EQ(model.m_julianDate, jd);
  }
}

TEST_F(SunMoonTest, DayPastMonthEndIsNormalised) {
  // "32 December" is 1 January: the search uses that day and ends; the
  // civil members are left as they were.
  SetSite(model, kLondon);
  SetInstant(model, 2024, 12, 32, 12, 0, 0.0);
  double r1, t1, s1;
  ASSERT_TRUE(model.RiseTransitSet(r1, t1, s1, false, true, 0.0, 0.0));
  EXPECT_EQ(model.m_day, 32.0);
  EXPECT_EQ(model.m_month, 12.0);
  SetInstant(model, 2025, 1, 1, 12, 0, 0.0);
  double r2, t2, s2;
  ASSERT_TRUE(model.RiseTransitSet(r2, t2, s2, false, true, 0.0, 0.0));
  EXPECT_NEAR(r1, r2, 1e-9);
  EXPECT_NEAR(t1, t2, 1e-9);
  EXPECT_NEAR(s1, s2, 1e-9);
  EXPECT_NEAR(Minutes(r2), HhMm(8, 6), 1.0);
}

TEST_F(SunMoonTest, SunAndMoonPlaces) {
  // London, 21 June 2024 at local solar noon: the Sun due south at 90 - 51.5 + 23.4 degrees.
  SetSite(model, kLondon);
  SetInstant(model, 2024, 6, 21, 13, 2, 1.0);
  double az = 0, alt = 0;
  ASSERT_TRUE(model.ComputeSunAltAz(az, alt));
  EXPECT_NEAR(alt / kDegToRad, 61.93, 0.1);
  EXPECT_NEAR(az / kDegToRad, 180.0, 0.5);
  ASSERT_TRUE(model.ComputeMoonAltAz(az, alt));
  EXPECT_GE(alt, -kPi / 2);
  EXPECT_LE(alt, kPi / 2);
}

}  // namespace
