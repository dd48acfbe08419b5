#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "SkyModel.h"

namespace {

constexpr double kArcmin = kPi / 180.0 / 60.0;

// Angle between two places from the chord, exact for tiny angles.
double Separation(double ra1, double dec1, double ra2, double dec2) {
  const double dx = std::cos(dec1) * std::cos(ra1) - std::cos(dec2) * std::cos(ra2);
  const double dy = std::cos(dec1) * std::sin(ra1) - std::cos(dec2) * std::sin(ra2);
  const double dz = std::sin(dec1) - std::sin(dec2);
  return 2.0 * std::asin(std::sqrt(dx * dx + dy * dy + dz * dz) / 2.0);
}

// An observer at the north pole sees a declination as its altitude.
CSkyModel PoleObserver(double pressure) {
  CSkyModel m;
  m.m_sinLatitude = 1.0;
  m.m_cosLatitude = 0.0;
  m.m_pressure = pressure;
  m.m_temperature = 0.0;
  m.UpdateRefractionFactor();
  return m;
}

double RefractionArcmin(CSkyModel& m, double geometricDeg) {
  double az, alt;
  m.EquatorialToHorizontal(az, alt, 0.0, 0.0, geometricDeg * kDegToRad);
  return (alt - geometricDeg * kDegToRad) / kArcmin;
}

}  // namespace

TEST(Coordinates, RefractionTable) {
  CSkyModel m = PoleObserver(1013.25);
  EXPECT_NEAR(m.m_refractionFactor, 1.0, 1e-9);
  struct Case {
    double altitudeDeg, arcmin, tolerance;
  } cases[] = {
      {0.05, 0.0, 0.0},    {0.1, 28.3, 0.05},      {3.9999999, 11.13, 0.01}, {4.0, 11.41, 0.01},
      {15.0, 3.51, 0.01},  {15.0000001, 3.55, 0.01}, {45.0, 0.969, 0.005},   {-5.0, 0.0, 0.0},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(RefractionArcmin(m, c.altitudeDeg), c.arcmin, c.tolerance + 1e-9) << c.altitudeDeg;

  CSkyModel off = PoleObserver(0.0);
  for (double h : {0.2, 3.0, 10.0, 30.0, 89.0}) EXPECT_NEAR(RefractionArcmin(off, h), 0.0, 1e-9) << h;

  // Thinner, warmer air refracts less, in proportion.
  CSkyModel thin = PoleObserver(506.625);
  thin.m_temperature = 0.0;
  thin.UpdateRefractionFactor();
  EXPECT_NEAR(RefractionArcmin(thin, 10.0), RefractionArcmin(m, 10.0) / 2.0, 1e-6);
}

TEST(Coordinates, AzimuthIsCountedFromNorthThroughEast) {
  CSkyModel m;
  m.m_pressure = 0;
  const double lat = 48.0 * kDegToRad;
  m.m_sinLatitude = std::sin(lat);
  m.m_cosLatitude = std::cos(lat);
  double az, alt;
  m.EquatorialToHorizontal(az, alt, 1.0, 1.0, 10.0 * kDegToRad);  // on the meridian, south of the zenith
  EXPECT_NEAR(az, kPi, 1e-12);
  EXPECT_NEAR(alt, (90.0 - 48.0 + 10.0) * kDegToRad, 1e-12);
  m.EquatorialToHorizontal(az, alt, kPi / 2, 0.0, 0.0);  // equator, six hours west
  EXPECT_NEAR(az, 3 * kPi / 2, 1e-12);
  EXPECT_NEAR(alt, 0.0, 1e-12);
  m.EquatorialToHorizontal(az, alt, 0.0, kPi / 2, 0.0);  // six hours east
  EXPECT_NEAR(az, kPi / 2, 1e-12);
  m.EquatorialToHorizontal(az, alt, 0.0, 0.0, 80.0 * kDegToRad);  // north of the zenith
  EXPECT_NEAR(az, 0.0, 1e-9);
}

TEST(Coordinates, NoNaNNearTheZenith) {
  CSkyModel m;
  const double lat = 40.0 * kDegToRad;
  m.m_sinLatitude = std::sin(lat);
  m.m_cosLatitude = std::cos(lat);
  for (double off : {0.0, 1e-12, -1e-12, 1e-10, 1e-9, -1e-9}) {
    for (double ha : {0.0, 1e-12, 1e-9, 2.0}) {
      double az, alt;
      m.EquatorialToHorizontal(az, alt, ha, 0.0, lat + off);
      EXPECT_FALSE(std::isnan(az)) << off << " " << ha;
      EXPECT_FALSE(std::isnan(alt)) << off << " " << ha;
      EXPECT_GE(az, 0.0);
      EXPECT_LT(az, kTwoPi);
    }
  }
}

TEST(Coordinates, PrecessionIdentityAndRoundTrip) {
  CSkyModel m;
  m.m_julianDate = 2451544.5;
  double ra = 1.234, dec = 0.567;
  m.PrecessFromJ2000(ra, dec);
  EXPECT_NEAR(ra, 1.234, 1e-15);
  EXPECT_NEAR(dec, 0.567, 1e-15);

  // Fifty years on, the place moves by about 50" a year along the ecliptic...
  m.m_julianDate = 2451544.5 + 50 * 365.25;
  double ra2 = 0.0, dec2 = 0.0;
  m.PrecessFromJ2000(ra2, dec2);
  EXPECT_NEAR(ra2 / kArcsecToRad, 50 * 46.1, 50 * 0.5);
  EXPECT_NEAR(dec2 / kArcsecToRad, 50 * 20.04, 50 * 0.2);
  // ...and going back returns it to where it was.
  m.PrecessToJ2000(ra2, dec2);
  EXPECT_NEAR(std::remainder(ra2, kTwoPi) / kArcsecToRad, 0.0, 1e-3);
  EXPECT_NEAR(dec2 / kArcsecToRad, 0.0, 1e-3);
}

// J2000 -> date -> J2000 lands on the starting place within a milliarcsecond
// over four centuries, across the sky and close to both poles; and the reverse
// moves a place of date by the same angle as the forward one.
TEST(Coordinates, PrecessionRoundTripIsExact) {
  CSkyModel m;
  const double places[][2] = {{0.0, 0.0},     {1.234, 0.567},  {3.5, -1.2},     {5.9, 1.5707},
                              {2.0, -1.5707}, {4.71, 1.5690}, {0.3, -0.01},    {6.28, 0.9}};
  double worst = 0.0;
  for (double year = 1800.0; year <= 2200.0; year += 25.0) {
    m.m_julianDate = 2451545.0 + (year - 2000.0) * 365.25;
    for (const auto& p : places) {
      double ra = p[0], dec = p[1];
      m.PrecessFromJ2000(ra, dec);
      double back = ra, backDec = dec;
      m.PrecessToJ2000(back, backDec);
      worst = std::max(worst, Separation(back, backDec, p[0], p[1]));
      // Going back from the date place the same distance the forward step went.
      double ra0 = p[0], dec0 = p[1];
      m.PrecessToJ2000(ra0, dec0);
      const double forward = Separation(ra, dec, p[0], p[1]);
      const double reverse = Separation(ra0, dec0, p[0], p[1]);
      EXPECT_NEAR(forward / kArcsecToRad, reverse / kArcsecToRad, 1e-3) << year;
    }
  }
  EXPECT_LT(worst / kArcsecToRad, 1e-3);
}

TEST(Coordinates, EclipticToEquatorial) {
  CSkyModel m;
  const double eps = 23.4392911 * kDegToRad;
  m.m_obliquity = eps;
  m.m_cosObliquity = std::cos(eps);
  m.m_sinObliquity = std::sin(eps);
  double ra, dec;
  m.EclipticToEquatorial(ra, kPi / 2, 0.0, dec);  // summer solstice point
  EXPECT_NEAR(ra, kPi / 2, 1e-12);
  EXPECT_NEAR(dec, eps, 1e-12);
  m.EclipticToEquatorial(ra, kPi, 0.0, dec);
  EXPECT_NEAR(ra, kPi, 1e-12);
  EXPECT_NEAR(dec, 0.0, 1e-12);
  m.EclipticToEquatorial(ra, kPi / 2, kPi / 2 - eps, dec);  // along the solstitial colure: the celestial pole
  EXPECT_NEAR(dec, kPi / 2, 1e-7);
  // Meeus, Astronomical Algorithms, example 13.a: Pollux, lambda 113.215630, beta 6.684170.
  m.EclipticToEquatorial(ra, 113.215630 * kDegToRad, 6.684170 * kDegToRad, dec);
  EXPECT_NEAR(ra * kRadToDeg, 116.328942, 1e-5);
  EXPECT_NEAR(dec * kRadToDeg, 28.026183, 1e-5);
}

TEST(Coordinates, NutationAndAberrationOfDate) {
  // Meeus example 23.a: theta Persei on 2028 November 13.19 TD, J2000 place
  // RA 41.054063, Dec 49.227750 (after proper motion and precession below).
  CSkyModel m;
  m.m_year = 2028, m.m_month = 11, m.m_day = 13, m.m_hour = 4, m.m_minute = 33, m.m_second = 36;
  m.m_utcOffset = 0;
  m.UpdateTimeContext();
  // The series is truncated: a few tenths of an arcsecond from the full theory.
  EXPECT_NEAR(m.m_nutationLongitude / kArcsecToRad, 14.861, 0.3);
  EXPECT_NEAR(m.m_nutationObliquity / kArcsecToRad, 2.705, 0.3);

  double ra = 41.547214 * kDegToRad, dec = 49.348483 * kDegToRad;  // mean place of date
  double raN = ra, decN = dec;
  m.ApplyNutationToEquatorial(raN, decN);
  EXPECT_NEAR((raN - ra) / kArcsecToRad, 15.843, 0.2);
  EXPECT_NEAR((decN - dec) / kArcsecToRad, 6.218, 0.2);

  m.m_sunLongitude = 231.328 * kDegToRad + kPi;  // the Sun's true longitude that day, plus pi
  double raA = ra, decA = dec;
  m.ApplyAnnualAberration(raA, decA);
  // Without the eccentricity terms (about 0.3"), as the sky model computes it.
  EXPECT_NEAR((raA - ra) / kArcsecToRad, 30.045, 0.4);
  EXPECT_NEAR((decA - dec) / kArcsecToRad, 6.697, 0.4);
}
