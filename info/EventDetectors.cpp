// The detectors of the events calendar, in the order they run at each step.
#include "EventDetectors.h"

#include <cmath>
#include <limits>

#include "UiDefs.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegrees = 57.29577951308232;
constexpr double kRadiusDegrees = 28.64788975654116;  // half a diameter, in degrees
constexpr double kKmPerAu = 149597870.691;
// A previous value that no comparison holds with: the step it would come
// from was not visited.
constexpr double kUnseen = std::numeric_limits<double>::quiet_NaN();

double Reduce(double a) {
  double r = std::fmod(a, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  return r;
}

const int kPairFirst[5] = {1, 2, 4, 5, 6};
// Row of a first body of a pair in the pair tables.
int PairRow(int a) { return a == 4 ? 2 : a == 5 ? 3 : a == 6 ? 4 : a - 1; }

}  // namespace

double EventSeparation(double ra1, double dec1, double ra2, double dec2) {
  double dra = Reduce(ra1 - ra2);
  if (dra > kPi) dra = kTwoPi - dra;
  const double ddec = dec1 - dec2;
  return std::sqrt(dra * dra + ddec * ddec) * kDegrees;
}

double TrueSeparation(double ra1, double dec1, double ra2, double dec2) {
  double dra = Reduce(ra1 - ra2);
  if (dra > kPi) dra = kTwoPi - dra;
  dra *= std::cos((dec1 + dec2) / 2.0);
  const double ddec = dec1 - dec2;
  return std::sqrt(dra * dra + ddec * ddec) * kDegrees;
}

double UmbraRadius(const EventState& s) {
  const EventBody& moon = s.bodies[10];
  const EventBody& sun = s.bodies[0];
  const double moonParallax = std::asin(std::fmin(1.0, 6378.137 / (moon.earthDistance * kKmPerAu)));
  const double sunParallax = 4.263521e-5 / sun.earthDistance;  // 8.794" at 1 AU
  return 1.02 * (moonParallax + sunParallax - sun.geocentricDiameter / 2.0) * kDegrees;
}

CEventDetectors::CEventDetectors(const CString* bodyNames) : m_names(bodyNames) { StartPass(false); }

CString CEventDetectors::Load(unsigned id) {
  CString text;
  // A missing string leaves the one loaded before it in its place.
  if (AfxLoadString(id, text)) m_last = text;
  return m_last;
}

CString CEventDetectors::Prefix(unsigned id, int hour, int minute) {
  CString t;
  t.Format(Load(id).c_str(), static_cast<double>(hour), static_cast<double>(minute));
  return t;
}

void CEventDetectors::StartPass(bool finePass) {
  m_finePass = finePass;
  m_phase = 0.0;
  for (auto& row : m_pairSeparation)
    for (double& v : row) v = 1e10;
  for (auto& row : m_pairReported)
    for (bool& v : row) v = false;
  for (double& v : m_sunAngle) v = -1e10;
  for (double& v : m_occultation) v = 1e10;
  m_moonRadius = 0.0;
  for (bool& v : m_occultationReported) v = false;
  m_sunLongitude = 0.0;
  m_seasonReported = false;
  for (double& v : m_elongation) v = 0.0;
  for (bool& v : m_elongationReported) v = false;
  m_earthSunDistance = 1.0;
  m_nearestReported = m_farthestReported = false;
  for (double& v : m_earthDistance) v = 0.0;
  for (bool& v : m_approachReported) v = false;
  m_solarSeparation = 1e10;
  m_solarRadii = 0.0;
  m_solarReported = false;
  m_lunarDistance = 1e10;
  m_lunarReported = false;
}

void CEventDetectors::Forget() {
  // A least value seen against a step hours or days away would fire at once
  // where the fine pass resumes, and a contact would compare a radius with a
  // separation of another time. The sign-change detectors keep their values:
  // the hours marked around a crossing are always walked through.
  for (auto& row : m_pairSeparation)
    for (double& v : row) v = kUnseen;
  for (double& v : m_occultation) v = kUnseen;
  m_moonRadius = kUnseen;
  for (double& v : m_elongation) v = kUnseen;
  m_earthSunDistance = kUnseen;
  for (double& v : m_earthDistance) v = kUnseen;
  m_solarSeparation = m_solarRadii = kUnseen;
  m_lunarDistance = kUnseen;
}

namespace {

double PhaseValue(const EventState& s) {
  const double q = (s.sunLongitude - s.bodies[10].heliocentricLongitude) / kPi;
  return q >= 0.0 ? 1.0 - q : -1.0 - q;
}

}  // namespace

void CEventDetectors::Prime(const EventState& d) {
  m_phase = PhaseValue(d);
  const EventBody& moon = d.bodies[10];
  m_moonRadius = moon.apparentDiameter * kRadiusDegrees;
  for (int b = 1; b <= 9; ++b) {
    if (b == 3) continue;
    m_occultation[b] = TrueSeparation(d.bodies[b].rightAscension, d.bodies[b].declination, moon.rightAscension,
                                       moon.declination);
    if (!m_approachReported[b]) m_earthDistance[b] = d.bodies[b].earthDistance;
  }
  m_sunLongitude = d.sunLongitude * kDegrees;
  m_elongation[1] = d.bodies[1].elongation * kDegrees;
  m_elongation[2] = d.bodies[2].elongation * kDegrees;
  m_earthSunDistance = d.earthSunDistance;
}

void CEventDetectors::Run(const EventState& s, int hour, int minute, int dayIndex, CString& text,
                          const std::function<void(int)>& mark) {
  const double h = hour, m = minute;
  // A turn of a quantity shows at the first step after it, so a least or
  // greatest value lies between the two steps before: their hours and this
  // one are marked (h-2 to h), a crossing's this hour and the one before.
  auto marks = [&](int from, int to) {
    if (dayIndex < 1) return;
    for (int k = from; k <= to; ++k) mark(k);
  };
  const EventBody& moon = s.bodies[10];
  const EventBody& sun = s.bodies[0];
  const bool moonDown = moon.altitude <= 0.0;

  // 1. Moon phases.
  {
    const double p = PhaseValue(s), q = m_phase;
    unsigned id = 0;
    if (p >= 0.0 && q < 0.0) id = 2000;
    else if (p >= 0.5 && q < 0.5) id = 2001;
    else if (q >= 0.9 && p < -0.9) id = 2002;
    else if (p >= -0.5 && q < -0.5) id = 2003;
    if (id != 0) {
      text += Prefix(id, hour, minute);
      marks(-1, 0);
    }
    m_phase = p;
  }

  // 2. Conjunctions of the planets with each other and with the Moon. A pair
  // is armed again as soon as its separation shrinks, so each approach gets
  // its line.
  for (int a : kPairFirst) {
    const int row = PairRow(a);
    for (int b = a + 1; b <= 10; ++b) {
      if (b == 3 || (b > 6 && b < 10)) continue;
      const double sep = EventSeparation(s.bodies[a].rightAscension, s.bodies[a].declination,
                                         s.bodies[b].rightAscension, s.bodies[b].declination);
      double& previous = m_pairSeparation[row][b];
      bool& reported = m_pairReported[row][b];
      if (sep < 10.0 && sep > previous && !reported) {
        CString line;
        line.Format(Load(2004).c_str(), h, m, m_names[a].c_str(), sep, m_names[b].c_str());
        reported = true;
        // A closer pass of the Moon belongs to the occultation detector.
        if (b == 10 && sep <= 0.25) line.Empty();
        // The least separation lies between the two steps before this one:
        // the hourly pass marks both hours and this one, and one more after
        // a close pass, judged by its least separation (the previous step's).
        if (!line.IsEmpty()) {
          marks(-2, 0);
          if (previous < 1.0) marks(1, 1);
        }
        text += line;
      }
      if (sep < previous) reported = false;
      previous = sep;
    }
  }

  // 3 and 4. Conjunctions with the Sun and oppositions, from the heliocentric
  // longitude less the Earth's.
  for (int b = 1; b <= 9; ++b) {
    if (b == 3) continue;
    const double a = Reduce(s.bodies[b].heliocentricLongitude - s.sunLongitude) * kDegrees;
    const double q = m_sunAngle[b];
    const bool inner = b == 1 || b == 2;
    auto kind = [&]() { return inner ? Load(s.bodies[b].earthDistance < 1.0 ? 2008 : 2009) : CString(); };
    if (((a > 180.0 && q <= 180.0) || (a <= 180.0 && q > 180.0)) && std::fabs(a - 180.0) < 20.0) {
      CString line;
      const CString k = kind();
      line.Format(Load(2010).c_str(), h, m, m_names[b].c_str(), k.c_str());
      text += line;
      marks(-1, 0);
    }
    if ((a >= 359.0 && q < 1.0) || (q >= 359.0 && a < 1.0)) {
      CString line;
      if (inner) {
        const CString k = kind();
        line.Format(Load(2011).c_str(), h, m, m_names[b].c_str(), k.c_str());
      } else {
        line.Format("%02.0fh%02.0f\t", h, m);
        line += m_names[b];
        line += Load(2012);
      }
      text += line;
      marks(-1, 0);
    }
    m_sunAngle[b] = a;
  }

  // 5. Occultations by the Moon: a contact when the body passes from one
  // side of the Moon's limb to the other between two steps, each step's
  // separation measured against that step's own radius.
  {
    const double r = moon.apparentDiameter * kRadiusDegrees, qr = m_moonRadius;
    for (int b = 1; b <= 9; ++b) {
      if (b == 3) continue;
      const double sep = TrueSeparation(s.bodies[b].rightAscension, s.bodies[b].declination, moon.rightAscension,
                                        moon.declination);
      const double q = m_occultation[b];
      if (sep <= r && q > qr) {
        CString line;
        line.Format(Load(2070).c_str(), h, m, m_names[b].c_str());
        if (moonDown) line += Load(2014);
        text += line + "\r\n";
      } else if (sep > r && q <= qr) {
        CString line;
        line.Format(Load(2071).c_str(), h, m, m_names[b].c_str());
        text += line + "\r\n";
      }
      m_occultation[b] = sep;
      if (!m_finePass) {
        if (sep < r && !m_occultationReported[b]) {
          CString line;
          line.Format(Load(2013).c_str(), h, m, m_names[b].c_str());
          if (moonDown) line += Load(2014);
          text += line + "\r\n";
          m_occultationReported[b] = true;
          marks(-2, 2);
        }
        // Out of the disc again: the next occultation of the body counts.
        if (sep >= r) m_occultationReported[b] = false;
      }
    }
    m_moonRadius = r;
  }

  // 6. Equinoxes and solstices (L is the Earth's heliocentric longitude).
  {
    const double l = s.sunLongitude * kDegrees, q = m_sunLongitude;
    if (!m_seasonReported) {
      unsigned id = 0;
      if (l <= 1.0 && q > 359.0) id = 2015;
      else if (l >= 90.0 && q < 90.0) id = 2016;
      else if (l >= 180.0 && q < 180.0) id = 2017;
      else if (l >= 270.0 && q < 270.0) id = 2018;
      if (id != 0) {
        text += Prefix(id, hour, minute);
        m_seasonReported = true;
        marks(-1, 0);
      }
    }
  }

  // 7. Greatest elongations of Mercury and Venus, armed again once the
  // elongation grows.
  for (int b = 1; b <= 2; ++b) {
    const double e = s.bodies[b].elongation * kDegrees, q = m_elongation[b];
    if (e < q && e > 10.0 && !m_elongationReported[b]) {
      // East when the planet is less than half a turn ahead of the Sun.
      const double ahead = Reduce(s.bodies[b].eclipticLongitude - sun.eclipticLongitude);
      const CString direction = Load(ahead < kPi ? 1013 : 1014) + "ern";
      CString line;
      line.Format(Load(2019).c_str(), h, m, m_names[b].c_str(), direction.c_str(), e);
      text += line;
      m_elongationReported[b] = true;
      marks(-2, 0);
    }
    if (e > q) m_elongationReported[b] = false;
    m_elongation[b] = e;
  }

  // 8 and 9. The Earth at 1 AU, at perihelion and at aphelion.
  {
    const double r = s.earthSunDistance, q = m_earthSunDistance;
    if ((q <= 1.0 && r > 1.0) || (q > 1.0 && r <= 1.0)) {
      text += Prefix(2020, hour, minute);
      marks(-1, 0);
    }
    if (!m_nearestReported && r > q) {
      CString line;
      line.Format(Load(2021).c_str(), h, m, r * kKmPerAu);
      text += line;
      m_nearestReported = true;
      marks(-2, 0);
    }
    if (!m_farthestReported && r < q) {
      CString line;
      line.Format(Load(2022).c_str(), h, m, r * kKmPerAu);
      text += line;
      m_farthestReported = true;
      marks(-2, 0);
    }
  }

  // 10. Closest approach of each planet to the Earth.
  for (int b = 1; b <= 9; ++b) {
    if (b == 3 || m_approachReported[b]) continue;
    const double d = s.bodies[b].earthDistance;
    if (d > m_earthDistance[b]) {
      CString line;
      line.Format(Load(2023).c_str(), h, m, m_names[b].c_str(), d, d * 149.597870691);
      // Its turn came before the first day's first step.
      if (m_finePass && dayIndex == 1 && hour == 0 && minute == 0) line.Empty();
      text += line;
      m_approachReported[b] = true;
      marks(-2, 0);
    } else {
      m_earthDistance[b] = d;
    }
  }

  // 11. Solar eclipse: contacts when the separation crosses the sum of the
  // radii of the instant; at the least separation, a line when the discs
  // overlapped, "Full" when the Moon's covered the Sun's.
  {
    const double rs = sun.apparentDiameter * kRadiusDegrees, rm = moon.apparentDiameter * kRadiusDegrees;
    const double sum = rs + rm;
    const double sep = TrueSeparation(sun.rightAscension, sun.declination, moon.rightAscension, moon.declination);
    const double q = m_solarSeparation;
    if (sep <= sum && q > m_solarRadii) {
      CString line;
      line.Format(Load(2072).c_str(), h, m);
      text += line + "\r\n";
      marks(-1, 0);
    } else if (sep > sum && q <= m_solarRadii) {
      CString line;
      line.Format(Load(2073).c_str(), h, m);
      text += line + "\r\n";
      marks(-1, 0);
    }
    // The coarse pass's hourly steps may straddle a short overlap: it marks
    // any near pass, and the fine pass decides.
    const double least = std::fmin(sep, q);
    const double gate = m_finePass ? sum : sum + 0.3;
    if (sep > q && least <= gate && !m_solarReported) {
      const CString kind = Load(least + rs <= rm ? 2025 : 2024);
      CString line;
      line.Format(Load(2026).c_str(), h, m, kind.c_str(), sep);
      if (moonDown) line += Load(2014);
      text += line + "\r\n";
      m_solarReported = true;
      marks(-2, 2);
    }
    if (sep < q) m_solarReported = false;
    m_solarSeparation = sep;
    m_solarRadii = sum;
  }

  // 12. Lunar eclipse: the Moon's distance from the centre of the shadow,
  // against the umbra's radius of the instant.
  {
    const double u = TrueSeparation(sun.geocentricRightAscension + kPi, -sun.geocentricDeclination,
                                    moon.geocentricRightAscension, moon.geocentricDeclination);
    const double q = m_lunarDistance;
    const double umbra = UmbraRadius(s), rm = moon.geocentricDiameter * kRadiusDegrees;
    const double least = std::fmin(u, q);
    const double gate = m_finePass ? umbra + rm : umbra + rm + 0.3;
    if (u > q && least < gate && !m_lunarReported) {
      const CString kind = Load(least + rm <= umbra ? 2025 : 2024);
      CString line;
      line.Format(Load(2027).c_str(), h, m, kind.c_str(), u);
      if (moonDown) line += Load(2014);
      text += line + "\r\n";
      m_lunarReported = true;
      marks(-2, 2);
    }
    if (u < q) m_lunarReported = false;
    m_lunarDistance = u;
  }

  // 13. End of step.
  m_earthSunDistance = s.earthSunDistance;
  m_sunLongitude = s.sunLongitude * kDegrees;
}
