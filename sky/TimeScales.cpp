// Civil time, Julian dates and sidereal time (classical Julian-day arithmetic,
// Gregorian reform on 1582-10-15, sidereal and obliquity polynomials of the
// 1900 epoch).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "SkyModel.h"

double JulianDayOfCivilDate(int64_t year, int64_t month, double day) {
  // 64-bit integers: the products overflow 32 bits beyond a few ten thousand years.
  int64_t m = month;
  int64_t y;
  if (month <= 2) {
    m = month + 12;
    y = year + 4799;
  } else {
    y = year + 4800;
  }
  const int64_t f = (m + 1) * 306 / 10;
  int64_t b = -38;
  if (year > 1582 || (year == 1582 && month > 10) || (year == 1582 && month == 10 && day >= 15.0)) {
    const int64_t g = y / 100;
    b = g / 4 - g;
  }
  return day + static_cast<double>(b + y * 36525 / 100 + f) - 32167.5;
}

void CSkyModel::JulianDayFromCalendar(double dayFraction) {
  m_julianDate = JulianDayOfCivilDate(static_cast<int64_t>(TruncateTowardZero(m_year)),
                                      static_cast<int64_t>(TruncateTowardZero(m_month)), m_day + dayFraction);
}

void CSkyModel::CalendarFromJulianDay(double& year, double& month, double& day, double& hour, double& minute,
                                      double& second, double jd) {
  double x = jd + m_utcOffset / 24.0;
  // The integer steps below hold for dates within a trillion days; a date
  // beyond (or not a number) would overflow them, so it is held there.
  constexpr double kLargestDay = 1e12;
  if (std::isnan(x)) x = 0.0;
  x = std::clamp(x, -kLargestDay, kLargestDay);
  const int64_t z = static_cast<int64_t>(TruncateTowardZero(x + 0.5));
  int64_t b;
  if (static_cast<double>(z) < 2299160.5) {
    b = z + 1524;
  } else {
    const int64_t a = (z + 32045) * 100 / 3652425;
    b = z + 1486 + a - a / 4;
  }
  const int64_t c = (100 * b - 12210) / 36525;
  const int64_t d = c * 36525 / 100;
  const int64_t e = (b - d) * 100 / 3061;
  const int64_t dayOfMonth = b - d - e * 306 / 10;
  const int64_t mon = e < 14 ? e - 1 : e - 13;
  const int64_t yr = mon > 2 ? c - 4716 : c - 4715;

  const double dayWithFraction = x + static_cast<double>(dayOfMonth - z) + 0.5;
  double wholeDay = TruncateTowardZero(dayWithFraction);
  double rest = (dayWithFraction - wholeDay) * 24.0;
  double h = std::floor(rest);
  rest = (rest - h) * 60.0;
  double mi = std::floor(rest);
  double s = (rest - mi) * 60.0;

  // Carry: a value a few microseconds before midnight may round to 60 s.
  if (s >= 60.0) {
    s -= 60.0;
    mi += 1.0;
  }
  if (mi >= 60.0) {
    mi = 0.0;
    h += 1.0;
  }
  if (h >= 24.0) {
    h = 0.0;
    wholeDay += 1.0;  // the month is kept: a day past the month's end is accepted downstream
  }

  year = static_cast<double>(yr);
  month = static_cast<double>(mon);
  day = wholeDay;
  hour = h;
  minute = mi;
  second = s;
}

double CSkyModel::LocalSiderealTime(double jd, double utFraction, double westLongitude) {
  const double t = (jd - 2415020.0) / 36525.0;
  double theta = kTwoPi * (0.276919398 + 100.0021359 * t + 1.075e-6 * t * t + utFraction) +
                 m_nutationLongitude * m_cosObliquity - westLongitude;
  theta = std::fmod(theta, kTwoPi);
  if (theta < 0.0) theta += kTwoPi;
  if (theta >= kTwoPi) theta = 0.0;
  return theta;
}

void CSkyModel::UpdateTimeContext() {
  m_utFraction = (m_hour + m_minute / 60.0 + m_second / 3600.0) / 24.0 - m_utcOffset / 24.0;
  JulianDayFromCalendar(m_utFraction);
  const double t = (m_julianDate - 2415020.0) / 36525.0;
  m_obliquity = (23.452294 - 0.0130125 * t - 1.64e-6 * t * t + 5.03e-7 * t * t * t) * kDegToRad;
  m_cosObliquity = std::cos(m_obliquity);
  m_sinObliquity = std::sin(m_obliquity);
  UpdateNutation();
  m_localSiderealTime = LocalSiderealTime(m_julianDate, m_utFraction, m_observerLongitude);
}

double JulianDayFromPackedDate(double packed) {
  const double y = TruncateTowardZero(packed * 0.0001);
  const double r = packed - 10000.0 * y;
  const double m = TruncateTowardZero(r * 0.01);
  const double d = r - 100.0 * m;
  double y2 = y;
  double m2 = m;
  if (m <= 2.0) {
    y2 = y - 1.0;
    m2 = m + 12.0;
  }
  double b = 0.0;
  if (y + m / 100.0 + d / 10000.0 >= 1582.1015) {
    const double a = TruncateTowardZero(y2 / 100.0);
    b = 2.0 - a + TruncateTowardZero(a / 4.0);
  }
  return d + TruncateTowardZero(365.25 * y2) + TruncateTowardZero(30.6001 * (m2 + 1.0)) + b + 1720994.5;
}

double JulianDayOfSystemClock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const double day = local.tm_mday + (local.tm_hour + local.tm_min / 60.0) / 24.0;
  return JulianDayOfCivilDate(local.tm_year + 1900, local.tm_mon + 1, day);
}
