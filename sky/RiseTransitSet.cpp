// Rise, transit and set of a fixed place, the Sun and the Moon for the civil
// day of the view's instant; horizontal places of the Sun and the Moon.
#include <cmath>

#include "SkyModel.h"

namespace {

constexpr double kMinute = 1.0 / 1440.0;
constexpr double kHour = 1.0 / 24.0;
// Altitude of the centre of the Sun at rising and setting: the upper limb on
// the horizon, 34' of refraction and a semi-diameter of 16'.
constexpr double kSunEventAltitude = -50.0 / 60.0;
constexpr double kRefractionAtHorizon = 34.0 / 60.0;  // degrees

// One sample of a body: unrefracted topocentric altitude and azimuth
// (degrees) and the altitude that counts as rising or setting.
struct Sample {
  double t = 0.0;  // Julian date
  double altitude = 0.0;
  double azimuth = 0.0;
  double eventAltitude = 0.0;
  double Above() const { return altitude - eventAltitude; }
};

// Everything a search changes, so it can be put back exactly.
struct SavedInstant {
  double year, month, day, hour, minute, second;
  double utFraction, julianDate, obliquity, cosObliquity, sinObliquity, nutationLongitude, nutationObliquity;
  double localSiderealTime;
};

}  // namespace

bool CSkyModel::ComputeSunAltAz(double& azimuth, double& altitude) {
  CalendarFromJulianDay(m_year, m_month, m_day, m_hour, m_minute, m_second, m_julianDate);
  UpdateTimeContext();
  const PlanetLibraryResult* rows = CallPlanetLibrary(kPlanetLibraryModeAllBodies, PlanetLibraryElements{}, 0.0);
  if (rows == nullptr) return false;
  altitude = rows[kBodySun].entries[kEntryAltitude] * kDegToRad;
  azimuth = rows[kBodySun].entries[kEntryAzimuth] * kDegToRad;
  return true;
}

bool CSkyModel::ComputeMoonAltAz(double& azimuth, double& altitude) {
  CalendarFromJulianDay(m_year, m_month, m_day, m_hour, m_minute, m_second, m_julianDate);
  UpdateTimeContext();
  const PlanetLibraryResult* rows = CallPlanetLibrary(kPlanetLibraryModeAllBodies, PlanetLibraryElements{}, 0.0);
  if (rows == nullptr) return false;
  altitude = rows[kBodyMoon].entries[kEntryAltitude] * kDegToRad;
  azimuth = rows[kBodyMoon].entries[kEntryAzimuth] * kDegToRad;
  return true;
}

bool CSkyModel::RiseTransitSet(double& rise, double& transit, double& set, bool moon, bool sun,
                               double rightAscension, double declination) {
  rise = transit = set = -1.0;

  if (!moon && !sun) {
    // Hour-angle formula; -0.00989 is the sine of the altitude of rising and setting.
    const double cosH0 = (-0.00989 - std::sin(declination) * m_sinLatitude) / (std::cos(declination) * m_cosLatitude);
    if (!(cosH0 < 1.0) || cosH0 < -1.0) return false;  // never rises, or never sets (NaN: neither)
    const double h0 = kPi / 2.0 - ArcsinByArctan(cosH0);
    // Hour angles are sidereal: a sidereal day is 1/1.0027379 of a civil one.
    // Each event is the first one after local midnight, so all three belong
    // to the civil day of the instant.
    constexpr double kSiderealRate = 1.00273790935;
    const double sinceMidnight = NormalizeAngle(kTwoPi * m_utFraction + m_utcOffset * kPi / 12.0);
    const double midnightSidereal = m_localSiderealTime - sinceMidnight * kSiderealRate;
    rise = NormalizeAngle(rightAscension - h0 - midnightSidereal) / kSiderealRate;
    transit = NormalizeAngle(rightAscension - midnightSidereal) / kSiderealRate;
    set = NormalizeAngle(rightAscension + h0 - midnightSidereal) / kSiderealRate;
    return true;
  }

  const int body = moon ? kBodyMoon : kBodySun;
  const SavedInstant kept{m_year,         m_month,        m_day,          m_hour,
                          m_minute,       m_second,       m_utFraction,   m_julianDate,
                          m_obliquity,    m_cosObliquity, m_sinObliquity, m_nutationLongitude,
                          m_nutationObliquity, m_localSiderealTime};
  auto restore = [this, &kept]() {
    m_year = kept.year;
    m_month = kept.month;
    m_day = kept.day;
    m_hour = kept.hour;
    m_minute = kept.minute;
    m_second = kept.second;
    m_utFraction = kept.utFraction;
    m_julianDate = kept.julianDate;
    m_obliquity = kept.obliquity;
    m_cosObliquity = kept.cosObliquity;
    m_sinObliquity = kept.sinObliquity;
    m_nutationLongitude = kept.nutationLongitude;
    m_nutationObliquity = kept.nutationObliquity;
    m_localSiderealTime = kept.localSiderealTime;
  };

  // The civil day is that of the instant, whatever day number the civil
  // members hold (a day past the month's end, a carried day): local midnight
  // from the Julian date itself.
  const double zone = m_utcOffset / 24.0;
  const double dayStart = std::floor(kept.julianDate + zone + 0.5) - 0.5 - zone;
  const double dayEnd = dayStart + 1.0;
  // Every search stops one step past the end of the day: an event found
  // later would be discarded anyway.
  const double searchEnd = dayEnd + kHour;

  bool libraryMissing = false;
  auto sample = [&](double t) {
    Sample s;
    s.t = t;
    m_julianDate = t;
    const PlanetLibraryResult* rows = CallPlanetLibrary(kPlanetLibraryModeAllBodies, PlanetLibraryElements{}, 0.0);
    if (rows == nullptr) {
      libraryMissing = true;
      return s;
    }
    const PlanetLibraryResult& r = rows[body];
    s.altitude = r.entries[kEntryAltitude];
    s.azimuth = r.entries[kEntryAzimuth];
    s.eventAltitude = moon ? -(kRefractionAtHorizon + r.entries[kEntryApparentDiameter] / 7200.0) : kSunEventAltitude;
    return s;
  };
  auto localAngle = [dayStart](double t) { return NormalizeAngle(kTwoPi * (t - dayStart)); };

  // Next crossing of the event altitude from `from` on: hour steps, then
  // minute steps back; the crossing time is interpolated in the minute.
  // False when there is none before the end of the search.
  auto crossing = [&](double from, double& when, bool& rising) {
    Sample later = sample(from), earlier;
    do {
      earlier = later;
      if (earlier.t + kHour > searchEnd || libraryMissing) return false;
      later = sample(earlier.t + kHour);
    } while (earlier.Above() * later.Above() >= 0.0);
    // Sign change within this hour: walk back to its last minute.
    for (int k = 0; k < 60; ++k) {
      earlier = sample(later.t - kMinute);
      if (earlier.Above() * later.Above() < 0.0) break;
      later = earlier;
    }
    if (libraryMissing || earlier.Above() * later.Above() >= 0.0) return false;
    const double f = earlier.Above() / (earlier.Above() - later.Above());
    when = earlier.t + f * (later.t - earlier.t);
    rising = later.Above() > earlier.Above();
    return true;
  };
  auto store = [&](double when, bool rising) {
    if (when < dayStart || when >= dayEnd) return;
    (rising ? rise : set) = localAngle(when);
  };

  double first = 0.0;
  bool rising = false;
  if (!crossing(dayStart, first, rising) || first >= dayEnd) {
    // Neither rising nor setting on this day (polar day or night, or the
    // first event falls on the next day).
    rise = transit = set = -1.0;
    restore();
    return false;
  }
  store(first, rising);
  double second = 0.0;
  if (crossing(first + 0.1, second, rising)) store(second, rising);

  // Transit: the azimuth passes south or north (sin A changes sign through
  // pi, or through 0 for a jump across north) while the body is up.
  auto passes = [](const Sample& a, const Sample& b) {
    const double pa = a.azimuth * kDegToRad, pb = b.azimuth * kDegToRad;
    return ((pb > kPi && pa < kPi) || (pa > kPi && pb < kPi));
  };
  Sample earlier, later = sample(dayStart);
  bool found = false;
  while (!libraryMissing && later.t + kHour <= searchEnd) {
    earlier = later;
    later = sample(earlier.t + kHour);
    if (passes(earlier, later) && later.altitude > 0.0) {
      found = true;
      break;
    }
  }
  if (found) {
    found = false;
    for (int k = 0; k < 60 && !libraryMissing; ++k) {
      earlier = sample(later.t - kMinute);
      if (passes(earlier, later) && earlier.altitude > 0.0) {
        found = true;
        break;
      }
      later = earlier;
    }
  }
  if (found && !libraryMissing) {
    const double sa = std::sin(earlier.azimuth * kDegToRad), sb = std::sin(later.azimuth * kDegToRad);
    const double f = sa != sb ? sa / (sa - sb) : 0.0;
    const double when = earlier.t + (f >= 0.0 && f <= 1.0 ? f : 0.0) * (later.t - earlier.t);
    if (when >= dayStart && when < dayEnd) transit = localAngle(when);
  }

  restore();
  return true;
}
