#include "InfoTexts.h"

#include <cmath>
#include <cstdarg>
#include <cstring>

#include "Catalogues.h"
#include "ConstellationTables.h"
#include "Notes.h"
#include "NumberFormat.h"
#include "Resource.h"
#include "RtfReader.h"
#include "SkyModel.h"
#include "SolarSystemTypes.h"
#include "Trajectory.h"
#include "UiDefs.h"

namespace {

constexpr double kDeg = 57.29577951308232;
constexpr double kAuPerMillionKm = 0.006684587122670599;
constexpr double kMillionKmPerAu = 149.597870691;
constexpr double kKmPerAu = 149597870.691;
constexpr double kRadPerMas = 4.84813681109536e-9;
constexpr double kYearsPerDay = 0.0027378507871321013;

const char kRtfHeader[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss MS Sans Serif;}"
    "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fswiss Arial;}}{\\colortbl\\red0\\green0\\blue0;}";
const char kSizeName[] = "\\f2\\fs26 ";
const char kSizeSmallName[] = "\\f2\\fs25 ";
const char kRule[] = "\\par\\plain\\f2\\fs15 _________________________________________________\\par";
const char kStarRule[] = "\\plain\\f2\\fs15 _________________________________________________\\par";
const char kTychoRule[] = "\\plain\\f2\\fs16 _________________________________________________";
const char kClosing[] = "\\par\\par}";

// A fixed-size text field of a record, up to its first zero byte.
CString Field(const char* data, size_t size) { return CString(data, strnlen(data, size)); }
template <size_t N>
CString Field(const char (&data)[N]) {
  return Field(data, N);
}
// The same, escaped for the rich text.
template <size_t N>
CString Text(const char (&data)[N]) {
  return CString(EscapeRtfText(Field(data)));
}
CString Text(const CString& s) { return CString(EscapeRtfText(s)); }

double Length(const Vector3d& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
double Distance(const Vector3d& a, const Vector3d& b) {
  Vector3d d;
  SubtractVector3d(d, a, b);
  return Length(d);
}

bool SameLetters(const char* a, const char* b, size_t n) { return strncasecmp(a, b, n) == 0; }

// Whether the three characters are blanks (a star without a Bayer letter).
bool ThreeBlanks(const CString& s) { return s == "   "; }

}  // namespace

const char* InfoRtfHeader() { return kRtfHeader; }

double StarMatchDistance(double ra1, double dec1, double ra2, double dec2) {
  double d = std::fmod(ra2 - ra1, kTwoPi);
  if (d < 0.0) d += kTwoPi;
  if (d > kPi) d = kTwoPi - d;
  const double e = dec2 - dec1;
  return std::sqrt(d * d + e * e);
}

unsigned MoonPhaseStringId(double f, double elongation) {
  double x = std::fmod(elongation, kTwoPi);
  if (x < 0.0) x += kTwoPi;
  const double v = x > kPi ? -f : f;
  if (v > 0.9 || v <= -0.9) return 3069;
  if (v > 0.6) return 3068;
  if (v > 0.4) return 3067;
  if (v > 0.1) return 3066;
  if (v > -0.1) return 3065;
  if (v > -0.4) return 3072;
  if (v > -0.6) return 3071;
  return 3070;
}

void Tycho2PlaceAtEpoch(double julianDate, float ra, float dec, float pmRa, float pmDec, double& outRa,
                        double& outDec) {
  const double t = (julianDate - 2451544.5) * kYearsPerDay;
  const double c = std::cos(static_cast<double>(dec));
  // Near a pole the rate in right ascension has no meaning; keep the place.
  outRa = ra + (std::fabs(c) > 1e-9 ? pmRa * kRadPerMas * t / c : 0.0);
  outDec = dec + pmDec * kRadPerMas * t;
}

CInfoTextBuilder::CInfoTextBuilder(CSkyModel& sky, const InfoNameTables& names, const Vector3d& cameraPosition)
    : m_sky(sky), m_names(names), m_camera(cameraPosition) {}

// ---- Pieces ----------------------------------------------------------------------

CString CInfoTextBuilder::S(unsigned id) {
  CString text;
  if (AfxLoadString(id, text)) m_last = text;
  return m_last;
}

CString CInfoTextBuilder::Fmt(unsigned id, ...) {
  const CString format = S(id);
  va_list args;
  va_start(args, id);
  CString out(VFormatC(format.GetString(), args));
  va_end(args);
  return out;
}

CString CInfoTextBuilder::Angle(double radians, bool hours, bool dropZeros) {
  CString out;
  m_sky.FormatAngle(out, hours, dropZeros, radians * kDeg);
  return out;
}

CString CInfoTextBuilder::TimeLine(double angle) {
  double t = std::fmod(angle, kTwoPi);
  if (t < 0.0) t += kTwoPi;
  CString out;
  m_sky.FormatTimeOfDay(out, true, t * kDeg);
  return out;
}

CString CInfoTextBuilder::BodyName(int body) {
  if (!m_names.bodyNames || body < 0 || body >= m_names.bodyNameCount) return CString();
  return Text(m_names.bodyNames[body]);
}

CString CInfoTextBuilder::Header(const char* sizeSwitch) { return CString(kRtfHeader) + sizeSwitch; }

CString CInfoTextBuilder::TitleAndJulianDay() {
  const int month = static_cast<int>(m_sky.m_month);
  CString monthName;
  if (m_names.monthNames && month >= 1 && month <= 12) monthName = m_names.monthNames[month - 1];
  CString time;
  m_sky.FormatTimeOfDay(time, false, (m_sky.m_hour + m_sky.m_minute / 60.0 + m_sky.m_second / 3600.0) * 15.0);
  return Fmt(3001, monthName.GetString(), static_cast<int>(m_sky.m_day), static_cast<int>(m_sky.m_year),
             time.GetString()) +
         Fmt(3002, m_sky.m_julianDate);
}

CString CInfoTextBuilder::Location() {
  const CString latitude = Angle(std::fabs(m_sky.m_observerLatitude), false);
  const CString northSouth = S(m_sky.m_observerLatitude >= 0.0 ? 1011 : 1012);
  const CString longitude = Angle(std::fabs(m_sky.m_observerLongitude), false);
  const CString westEast = S(m_sky.m_observerLongitude >= 0.0 ? 1014 : 1013);
  return Fmt(3003, latitude.GetString(), northSouth.GetString(), longitude.GetString(), westEast.GetString());
}

CString CInfoTextBuilder::SecondRule() { return "\\par _________________________________________________"; }

CString CInfoTextBuilder::RiseTransitSetLines(double ra, double dec, bool moon, bool sun, bool dropMissing) {
  double rise, transit, set;
  if (!m_sky.RiseTransitSet(rise, transit, set, moon, sun, ra, dec)) return CString();
  CString out;
  if (!dropMissing || rise != -1.0) out += S(3009) + TimeLine(rise);
  if (!dropMissing || transit != -1.0) out += S(3010) + TimeLine(transit);
  if (!dropMissing || set != -1.0) out += S(3011) + TimeLine(set);
  return out;
}

CString CInfoTextBuilder::CatalogueLocal(double ra, double dec, bool apparent) {
  if (apparent) {
    m_sky.PrecessFromJ2000(ra, dec);
    m_sky.ApplyNutationToEquatorial(ra, dec);
    m_sky.ApplyAnnualAberration(ra, dec);
  }
  m_sky.UpdateTimeContext();
  double azimuth, altitude;
  m_sky.EquatorialToHorizontal(azimuth, altitude, m_sky.m_localSiderealTime, ra, dec);
  CString out;
  if (apparent) out += S(3004);
  out += S(3005) + Angle(ra, true) + S(3006) + Angle(dec, false);
  if (apparent) out += S(3100);
  out += S(3007) + Angle(azimuth, false) + S(3008) + Angle(altitude, false);
  out += RiseTransitSetLines(ra, dec, false, false, false);
  return out;
}

CString CInfoTextBuilder::BodyLocal(double ra, double dec, double az, double alt, bool moon, bool sun) {
  CString out = S(3004) + S(3005) + Angle(ra, true) + S(3006) + Angle(dec, false) + S(3100) + S(3007) +
                Angle(az, false) + S(3008) + Angle(alt, false);
  return out + RiseTransitSetLines(ra, dec, moon, sun, true);
}

CString CInfoTextBuilder::NoteBlock(int category, int number) {
  CString note;
  AppendObjectNote(m_sky.m_installFolder, category, number, note, true);
  return S(3204) + note;
}

CString CInfoTextBuilder::Ecliptic(const Vector3d& p) {
  return S(3080) + Fmt(3081, p.x * kAuPerMillionKm) + Fmt(3082, p.y * kAuPerMillionKm) +
         Fmt(3083, p.z * kAuPerMillionKm);
}

CString CInfoTextBuilder::DmLine(int32_t dm, const char* prefix) {
  const int64_t magnitude = dm < 0 ? -static_cast<int64_t>(dm) : dm;
  return Fmt(3108, prefix, dm > 0 ? '+' : '-', static_cast<int>(magnitude / 100000),
             static_cast<int>(magnitude % 100000));
}

// ---- Star identification ------------------------------------------------------------

void CInfoTextBuilder::NameFromBright(StarIdentity& id) {
  if (id.brightMatch < 0) return;
  const BrightStar& b = g_brightStars[id.brightMatch];
  for (int i = 0; i < kStarNameCount; ++i)
    if (g_starNames[i].bscNumber == b.bscNumber && g_starNames[i].name) {
      id.properName = Text(CString(g_starNames[i].name));
      break;
    }
  id.bayer = Text(CString(b.bayer, strnlen(b.bayer, 3)));
  if (m_names.greekLetters)
    for (int i = 0; i < 24; ++i)
      if (m_names.greekLetters[i].GetLength() >= 3 && SameLetters(b.bayer, m_names.greekLetters[i].GetString(), 3)) {
        id.bayer = m_names.greekLetters[i];
        break;
      }
  id.constellation = Text(CString(b.constellation, strnlen(b.constellation, 3)));
  id.latinName.Empty();
  for (const ConstellationEntry& c : g_constellations)
    if (c.abbreviation && std::strlen(c.abbreviation) >= 3 && SameLetters(b.constellation, c.abbreviation, 3)) {
      id.constellation = CString(c.englishName) + " (" + c.latinName + ")";
      id.latinName = c.latinName;
      break;
    }
}

StarIdentity CInfoTextBuilder::IdentifyFromBright(int brightIndex) {
  StarIdentity id;
  id.brightMatch = brightIndex;
  NameFromBright(id);
  return id;
}

CString CInfoTextBuilder::CatalogueLines(const StarIdentity& id, int sky2000, const char* gap) {
  CString out;
  if (!id.properName.IsEmpty()) out += Fmt(3102, id.properName.GetString());
  if (sky2000 >= 0) {
    const Sky2000Star& s = g_sky2000Stars[sky2000];
    if (s.hdNumber) out += S(3106) + FormatC("%i", s.hdNumber).c_str();
    if (s.saoNumber) out += S(3107) + FormatC("%i", s.saoNumber).c_str();
    if (s.dmNumber) out += DmLine(s.dmNumber, Text(s.dmPrefix).GetString());
  }
  if (id.brightMatch >= 0) {
    const BrightStar& b = g_brightStars[id.brightMatch];
    if (b.bscNumber) out += S(3105) + FormatC("%i", b.bscNumber).c_str();
    const CString pattern = CString("%s") + gap + "%s";
    if (!ThreeBlanks(id.bayer))
      out += S(3103) + FormatC(pattern.GetString(), id.bayer.GetString(), id.latinName.GetString()).c_str();
    if (b.flamsteed) {
      const CString number = CString("%i") + gap + "%s";
      out += S(3104) + FormatC(number.GetString(), b.flamsteed, id.latinName.GetString()).c_str();
    }
    if (!ThreeBlanks(id.constellation)) out += S(3109) + id.constellation;
  }
  return out;
}

// ---- Solar-system bodies ------------------------------------------------------------------

CString CInfoTextBuilder::BuildBodyInfoRtf(int B) {
  const BodyState& b = g_bodies[B];
  const bool planetarium = m_sky.m_planetariumMode;
  const bool sun = B == kBodySun, moon = B == kBodyMoon, sunOrMoon = sun || moon;
  const CString N = BodyName(B);
  CString t = Header(kSizeName) + N + S(3050) + N + TitleAndJulianDay();
  if (planetarium) t += Location();
  t += SecondRule();
  if (planetarium) {
    t += BodyLocal(b.rightAscension, b.declination, b.azimuth, b.altitude, moon, sun);
    t += S(3051) + S(3005) + Angle(b.j2000RightAscension, true) + S(3006) +
         Angle(b.j2000Declination, false);
    const double longitude = sunOrMoon ? b.heliocentricLongitude : b.eclipticLongitude;
    const double latitude = sunOrMoon ? b.heliocentricLatitude : b.eclipticLatitude;
    t += S(3052) + Angle(longitude, false) + S(3053) + Angle(latitude, false);
    // The Sun's record keeps the Earth-Sun distance as its Earth distance.
    const double d = b.earthDistance;
    t += Fmt(3054, N.GetString(), d);
    t += moon ? Fmt(3055, d * kKmPerAu) : Fmt(3013, d * kMillionKmPerAu);
  }
  if (!sunOrMoon) {
    t += S(3056);
    if (B < 10)
      t += S(3057) + Angle(b.heliocentricLongitude, false) + S(3058) + Angle(b.heliocentricLatitude, false);
    else
      t += "\\plain\\f2\\fs18";
  }
  if (sunOrMoon && !planetarium) t += S(3168);
  if (!sunOrMoon) {
    const double r = Length(b.position) * kAuPerMillionKm;
    t += Fmt(3059, N.GetString(), r) + Fmt(3013, r * kMillionKmPerAu);
  }
  if (!planetarium) {
    if (B != kBodyEarth) {
      const double d = Distance(b.position, g_bodies[kBodyEarth].position) * kAuPerMillionKm;
      t += Fmt(3054, N.GetString(), d) + Fmt(3013, d * kMillionKmPerAu);
    }
    const double o = Distance(b.position, m_camera) * kAuPerMillionKm;
    t += Fmt(3171, N.GetString(), o) + Fmt(3055, o * kKmPerAu);
  }
  t += Ecliptic(b.position);
  if (b.diameter > 1.0) {
    t += S(3016) + "\\plain\\f2\\fs18";
    if (!sunOrMoon) {
      t += Fmt(3017, b.magnitude) + Fmt(3060, b.illumination * 100.0);
      if (planetarium) t += Fmt(3026, b.phaseAngle * kDeg) + Fmt(3061, b.elongation * kDeg);
    }
    t += Fmt(3062, b.diameter) + Fmt(3063, Angle(b.apparentDiameter, false, true).GetString());
  }
  if (moon) {
    const double f = b.illumination;
    // The phase's side comes from the Moon's elongation east of the Sun
    // (both records hold their geocentric ecliptic longitudes here).
    const double elongation = b.heliocentricLongitude - g_bodies[kBodySun].heliocentricLongitude;
    t += S(3064) + FormatC("%8.5f", f).c_str() + S(MoonPhaseStringId(f, elongation)) + Fmt(3073, f * 100.0);
  }
  return t + NoteBlock(NOTE_PLANETS, B) + kClosing;
}

// ---- Comets and asteroids ------------------------------------------------------------------


CString CInfoTextBuilder::BuildCometInfoRtf(int index) {
  const CometRecord& c = g_comets[index];
  const bool planetarium = m_sky.m_planetariumMode;
  const CString N = Text(c.name);
  CString t = Header(kSizeSmallName) + N + S(3000) + N + TitleAndJulianDay();
  if (planetarium) t += Location();
  t += SecondRule();
  if (!planetarium) t += S(3168) + Ecliptic(c.position);
  if (planetarium) t += BodyLocal(c.rightAscension, c.declination, c.azimuth, c.altitude, false, false);
  const double d = Distance(c.position, g_bodies[kBodyEarth].position) * kAuPerMillionKm;
  t += Fmt(3012, d) + Fmt(3013, d * kMillionKmPerAu);
  if (!planetarium) t += Fmt(3169, c.cameraDistance * kAuPerMillionKm) + Fmt(3013, c.cameraDistance);
  t += Fmt(3014, c.sunDistance * kAuPerMillionKm) + Fmt(3013, c.sunDistance);
  t += S(3016) + Fmt(3017, static_cast<double>(c.magnitude));
  t += Fmt(3018, c.perihelionTime) + Fmt(3019, c.perihelionDistance) + Fmt(3020, c.inclination * kDeg) +
       Fmt(3021, c.eccentricity) + Fmt(3022, Angle(c.argumentOfPerihelion, false).GetString()) +
       Fmt(3023, Angle(c.ascendingNode, false).GetString());
  return t + NoteBlock(NOTE_COMETS, index) + kClosing;
}

CString CInfoTextBuilder::BuildAsteroidInfoRtf(int index) {
  const AsteroidRecord& a = g_asteroids[index];
  const bool planetarium = m_sky.m_planetariumMode;
  const CString N = Text(a.name);
  CString t = Header(kSizeSmallName) + N + S(3027) + N + TitleAndJulianDay();
  if (planetarium) t += Location();
  t += SecondRule();
  if (!planetarium) t += S(3168) + Ecliptic(a.position);
  if (planetarium) t += BodyLocal(a.rightAscension, a.declination, a.azimuth, a.altitude, false, false);
  const double d = Distance(a.position, g_bodies[kBodyEarth].position) * kAuPerMillionKm;
  t += Fmt(3024, d) + Fmt(3013, d * kMillionKmPerAu);
  if (!planetarium) t += Fmt(3170, a.cameraDistance * kAuPerMillionKm) + Fmt(3013, a.cameraDistance);
  t += Fmt(3025, a.sunDistance * kAuPerMillionKm) + Fmt(3013, a.sunDistance);
  // The record keeps the lit fraction (1 + cos i) / 2 of the phase angle i.
  const double cosPhase = std::fmax(-1.0, std::fmin(1.0, 2.0 * a.illumination - 1.0));
  t += Fmt(3026, std::acos(cosPhase) * kDeg);
  t += S(3016) + Fmt(3017, static_cast<double>(a.magnitude));
  // The distance line gives the perihelion distance a (1 - e), as for comets.
  t += Fmt(3018, a.epoch) + Fmt(3019, a.semiMajorAxis * (1.0 - a.eccentricity)) +
       Fmt(3020, a.inclination * kDeg) + Fmt(3021, a.eccentricity) +
       Fmt(3022, Angle(a.argumentOfPerihelion, false).GetString()) +
       Fmt(3023, Angle(a.ascendingNode, false).GetString());
  return t + NoteBlock(NOTE_ASTEROIDS, index) + kClosing;
}

// ---- Deep-sky objects --------------------------------------------------------------------------

CString CInfoTextBuilder::BuildDeepSkyInfoRtf(int index) {
  const DeepSkyObject& o = g_deepSkyObjects[index];
  const bool planetarium = m_sky.m_planetariumMode;
  static const struct {
    const char* code;
    unsigned id;
  } kTypes[] = {{" Gx", 3150}, {" Oc", 3151}, {" Pl", 3152}, {"Neb", 3153},
                {"C+N", 3154}, {"Unk", 3155}, {" Gb", 3156}, {" Nb", 3157}};
  const CString type = Field(o.objectType);
  CString typeText = Text(type);
  for (const auto& k : kTypes)
    if (strcasecmp(type.GetString(), k.code) == 0) {
      typeText = S(k.id);
      break;
    }
  CString constellation = Text(CString(o.constellation, strnlen(o.constellation, 3)));
  for (const ConstellationEntry& c : g_constellations)
    if (c.abbreviation && std::strlen(c.abbreviation) >= 3 && strnlen(o.constellation, 4) >= 3 &&
        SameLetters(o.constellation, c.abbreviation, 3)) {
      constellation = CString(c.englishName) + " (" + c.latinName + ")";
      break;
    }
  CString description = Text(o.description);
  const int semicolon = description.Find(';');
  if (semicolon >= 0)
    description = description.Left(semicolon + 1) + "\\par   " + description.Mid(semicolon + 1);
  else
    description = CString("\\par   ") + description;

  const CString N = Text(o.name);
  const CString other = Text(o.otherName);
  CString t = Header(kSizeName) + N + kRule + Fmt(3121, N.GetString()) + TitleAndJulianDay();
  if (planetarium) t += Location();
  t += SecondRule();
  const CString large = Angle(o.largeSize, false, true);
  const CString small = Angle(o.smallSize, false, true);
  if (planetarium) {
    t += S(3158) + "\\par";
    t += Fmt(3102, N.GetString()) + Fmt(3159, other.GetString()) + Fmt(3160, typeText.GetString());
    if (o.magnitude < 79.0f) t += Fmt(3017, static_cast<double>(o.magnitude));
    t += Fmt(3161, large.GetString()) + Fmt(3162, small.GetString());
    t += CatalogueLocal(o.rightAscension, o.declination, true);
  }
  t += S(3163) + "\\par";
  t += Fmt(3102, N.GetString()) + Fmt(3159, other.GetString()) + Fmt(3160, typeText.GetString());
  t += S(3109) + constellation;
  t += Fmt(3164, Text(o.objectClass).GetString());
  t += Fmt(3165, description.GetString());
  t += S(3005) + Angle(o.rightAscension, true) + S(3006) + Angle(o.declination, false) + S(3110);
  if (o.magnitude < 79.0f) t += Fmt(3017, static_cast<double>(o.magnitude));
  if (o.surfaceBrightness < 79.0f) t += Fmt(3166, static_cast<double>(o.surfaceBrightness));
  t += Fmt(3161, large.GetString()) + Fmt(3162, small.GetString());
  if (o.positionAngle != 255) t += Fmt(3167, static_cast<int>(o.positionAngle));
  return t + NoteBlock(NOTE_DEEP_SKY, index) + kClosing;
}

// ---- Bright stars -----------------------------------------------------------------------------

CString CInfoTextBuilder::BuildBrightStarInfoRtf(int index) {
  const BrightStar& b = g_brightStars[index];
  const CString folder = m_sky.m_installFolder;
  StarIdentity id;
  // The shared arrays become working space for one tile each, with room for
  // the whole tile; the display loads its tiles again afterwards.
  if (m_sky.m_useSky2000) {
    delete[] g_sky2000Stars;
    g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
    g_sky2000StarCount = 0;
    LoadSky2000Tile(folder, FindSky2000Tile(b.rightAscension, b.declination));
    id.sky2000Match = NearestStarRecord(g_sky2000StarCount, b.rightAscension, b.declination,
                                        [](int i, double& r, double& d) {
                                          r = g_sky2000Stars[i].rightAscension;
                                          d = g_sky2000Stars[i].declination;
                                        });
  }
  if (m_sky.m_useTycho2) {
    delete[] g_tycho2Stars;
    g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
    g_tycho2StarCount = 0;
    LoadTycho2Part1Tile(folder, FindTycho2Tile(b.rightAscension, b.declination));
    id.tychoMatch = NearestStarRecord(g_tycho2StarCount, b.rightAscension, b.declination,
                                      [](int i, double& r, double& d) {
                                        r = g_tycho2Stars[i].rightAscension;
                                        d = g_tycho2Stars[i].declination;
                                      });
  }
  id.brightMatch = index;
  NameFromBright(id);
  const Sky2000Star* sky = id.sky2000Match >= 0 ? &g_sky2000Stars[id.sky2000Match] : nullptr;
  const Tycho2Star* tycho = id.tychoMatch >= 0 ? &g_tycho2Stars[id.tychoMatch] : nullptr;
  const float ra = sky ? sky->rightAscension : b.rightAscension;
  const float dec = sky ? sky->declination : b.declination;

  CString t = Header(kSizeName);
  if (!id.properName.IsEmpty()) t += id.properName + "\\par";
  t += kStarRule + TitleAndJulianDay();
  if (m_sky.m_planetariumMode) t += Location();
  t += SecondRule();
  if (m_sky.m_planetariumMode) {
    double r = ra, d = dec;
    if (tycho) Tycho2PlaceAtEpoch(m_sky.m_julianDate, ra, dec, tycho->pmRightAscension, tycho->pmDeclination, r, d);
    t += CatalogueLocal(r, d, true);
  }
  t += S(3101);
  if (!id.properName.IsEmpty()) t += Fmt(3102, id.properName.GetString());
  if (!ThreeBlanks(id.bayer))
    t += S(3103) + FormatC("%s   %s", id.bayer.GetString(), id.latinName.GetString()).c_str();
  if (b.flamsteed) t += S(3104) + FormatC("%i   %s", b.flamsteed, id.latinName.GetString()).c_str();
  if (b.bscNumber) t += S(3105) + FormatC("%i", b.bscNumber).c_str();
  if (b.hdNumber) t += S(3106) + FormatC("%i", b.hdNumber).c_str();
  if (sky) {
    if (sky->saoNumber) t += S(3107) + FormatC("%i", sky->saoNumber).c_str();
    if (sky->dmNumber) t += DmLine(sky->dmNumber, Text(sky->dmPrefix).GetString());
  }
  if (!ThreeBlanks(id.constellation)) t += S(3109) + id.constellation;

  t += S(3016) + S(3005) + Angle(ra, true) + S(3006) + Angle(dec, false) + S(3110);
  if (tycho)
    t += Fmt(3111, static_cast<double>(tycho->pmRightAscension)) +
         Fmt(3112, static_cast<double>(tycho->pmDeclination));
  if (sky)
    t += S(3122) + FormatC("%5.2f", static_cast<double>(sky->magnitude)).c_str();
  else
    t += S(3113) + FormatC("%5.2f", static_cast<double>(b.magnitude)).c_str();
  if (tycho)
    t += Fmt(3114, static_cast<double>(tycho->vtMagnitude)) + Fmt(3115, static_cast<double>(tycho->btMagnitude));
  t += S(3116) + FormatC("%5.2f", (sky ? sky->colorIndex : b.colorIndex) * 0.01).c_str();
  t += S(3117) + Text(b.spectralType);
  if (sky && sky->companionMagnitudeDifference != 0)
    t += S(3118) + S(3119) +
         FormatC("%5.2f", b.magnitude + sky->companionMagnitudeDifference * 0.01).c_str();
  t += NoteBlock(NOTE_STARS, index) + kClosing;

  delete[] g_sky2000Stars;
  g_sky2000Stars = nullptr;
  g_sky2000StarCount = 0;
  delete[] g_tycho2Stars;
  g_tycho2Stars = nullptr;
  g_tycho2StarCount = 0;
  m_sky.m_sky2000Loaded = false;
  m_sky.m_tycho2Loaded = false;
  return t;
}

// ---- Work unit ----------------------------------------------------------------------------------

CString CInfoTextBuilder::BuildSetiWorkUnitInfoRtf() {
  const bool astropulse = m_sky.m_setiAngleRange == 0.0 && m_sky.m_setiBaseFrequency == 0.0;
  CString t = Header(kSizeName) + "SETI@home";
  if (astropulse) t += "  (Astropulse)";
  t += kRule + Fmt(3121, "Seti@home") + TitleAndJulianDay() + Location() + SecondRule();
  t += CatalogueLocal(m_sky.m_setiStartRa, m_sky.m_setiStartDec, false);
  t += CString("\\par") + S(3158) + "\\par" + Fmt(3102, Text(m_sky.m_setiWorkUnitName).GetString());
  t += S(3200) + S(3005) + Angle(m_sky.m_setiStartRa, true) + S(3006) + Angle(m_sky.m_setiStartDec, false);
  t += S(3201) + S(3005) + Angle(m_sky.m_setiEndRa, true) + S(3006) + Angle(m_sky.m_setiEndDec, false);
  if (m_sky.m_setiAngleRange != 0.0) t += Fmt(3202, m_sky.m_setiAngleRange);
  if (m_sky.m_setiBaseFrequency != 0.0) t += Fmt(3203, m_sky.m_setiBaseFrequency);
  return t + NoteBlock(NOTE_SETI, 0) + kClosing;
}

// ---- Tycho-2 and Sky2000 stars ---------------------------------------------------------------------

CString CInfoTextBuilder::BuildTychoStarInfoRtf(int index) {
  const Tycho2Star& s = g_tycho2Part2Stars[index];
  double ra, dec;
  Tycho2PlaceAtEpoch(m_sky.m_julianDate, s.rightAscension, s.declination, s.pmRightAscension, s.pmDeclination, ra,
                     dec);
  CString t = Header("") + kTychoRule + TitleAndJulianDay() + Location() + SecondRule();
  t += CatalogueLocal(ra, dec, true);
  t += S(3016) + S(3005) + Angle(s.rightAscension, true) + S(3006) + Angle(s.declination, false) + S(3110);
  t += Fmt(3111, static_cast<double>(s.pmRightAscension)) + Fmt(3112, static_cast<double>(s.pmDeclination));
  t += "\\par";
  t += Fmt(3114, static_cast<double>(s.vtMagnitude)) + Fmt(3115, static_cast<double>(s.btMagnitude));
  return t + kClosing;
}

CString CInfoTextBuilder::BuildNamedTychoStarInfoRtf(int index) {
  const Tycho2Star& s = g_tycho2Stars[index];
  StarIdentity id;
  if (s.vtMagnitude <= 6.5f && g_brightStars)
    id.brightMatch = NearestStarRecord(g_brightStarCount, s.rightAscension, s.declination,
                                       [](int i, double& r, double& d) {
                                         r = g_brightStars[i].rightAscension;
                                         d = g_brightStars[i].declination;
                                       });
  if (s.vtMagnitude <= 9.0f && m_sky.m_useSky2000 && g_sky2000Stars)
    id.sky2000Match = NearestStarRecord(g_sky2000StarCount, s.rightAscension, s.declination,
                                        [](int i, double& r, double& d) {
                                          r = g_sky2000Stars[i].rightAscension;
                                          d = g_sky2000Stars[i].declination;
                                        });
  NameFromBright(id);
  const BrightStar* bright = id.brightMatch >= 0 ? &g_brightStars[id.brightMatch] : nullptr;
  const Sky2000Star* sky = id.sky2000Match >= 0 ? &g_sky2000Stars[id.sky2000Match] : nullptr;
  double ra, dec;
  Tycho2PlaceAtEpoch(m_sky.m_julianDate, s.rightAscension, s.declination, s.pmRightAscension, s.pmDeclination, ra,
                     dec);
  CString t = Header(kSizeName);
  if (!id.properName.IsEmpty()) t += id.properName + "\\par";
  t += kStarRule + TitleAndJulianDay() + Location() + SecondRule();
  t += CatalogueLocal(ra, dec, true);
  if (bright || sky) t += S(3101) + CatalogueLines(id, id.sky2000Match, "  ");
  t += S(3016) + S(3005) + Angle(s.rightAscension, true) + S(3006) + Angle(s.declination, false) + S(3110);
  t += Fmt(3111, static_cast<double>(s.pmRightAscension)) + Fmt(3112, static_cast<double>(s.pmDeclination));
  t += "\\par";
  t += Fmt(3114, static_cast<double>(s.vtMagnitude)) + Fmt(3115, static_cast<double>(s.btMagnitude));
  if (sky) t += S(3116) + FormatC("%5.2f", sky->colorIndex * 0.01).c_str();
  if (bright)
    t += S(3117) + Text(bright->spectralType);
  else if (sky)
    t += S(3117) + Text(sky->spectralClass);
  if (sky && sky->companionMagnitudeDifference != 0) {
    // Without a bright-star match the Sky2000 magnitude is the primary's.
    const double primary = bright ? bright->magnitude : sky->magnitude;
    t += S(3118) + S(3119) + FormatC("%5.2f", primary + sky->companionMagnitudeDifference * 0.01).c_str();
  }
  return t + kClosing;
}

CString CInfoTextBuilder::BuildSky2000StarInfoRtf(int index) {
  // A copy: loading the Tycho-2 tile cannot move the Sky2000 array, but the
  // record is read after the bright-star scan as well.
  const Sky2000Star s = g_sky2000Stars[index];
  StarIdentity id;
  if (s.magnitude <= 6.5f && g_brightStars)
    id.brightMatch = NearestStarRecord(g_brightStarCount, s.rightAscension, s.declination,
                                       [](int i, double& r, double& d) {
                                         r = g_brightStars[i].rightAscension;
                                         d = g_brightStars[i].declination;
                                       });
  if (m_sky.m_useTycho2) {
    if (!g_tycho2Stars) g_tycho2Stars = new Tycho2Star[kTycho2StarLimit + 1];
    g_tycho2StarCount = 0;
    LoadTycho2Part1Tile(m_sky.m_installFolder, FindTycho2Tile(s.rightAscension, s.declination));
    id.tychoMatch = NearestStarRecord(g_tycho2StarCount, s.rightAscension, s.declination,
                                      [](int i, double& r, double& d) {
                                        r = g_tycho2Stars[i].rightAscension;
                                        d = g_tycho2Stars[i].declination;
                                      });
    // The array now holds one tile: the display must load its own again.
    m_sky.m_tycho2Loaded = false;
  }
  NameFromBright(id);
  const BrightStar* bright = id.brightMatch >= 0 ? &g_brightStars[id.brightMatch] : nullptr;
  const Tycho2Star* tycho = id.tychoMatch >= 0 ? &g_tycho2Stars[id.tychoMatch] : nullptr;
  double ra = s.rightAscension, dec = s.declination;
  if (tycho)
    Tycho2PlaceAtEpoch(m_sky.m_julianDate, s.rightAscension, s.declination, tycho->pmRightAscension,
                       tycho->pmDeclination, ra, dec);
  CString t = Header(kSizeName);
  if (!id.properName.IsEmpty()) t += id.properName + "\\par";
  t += kStarRule + TitleAndJulianDay() + Location() + SecondRule();
  t += CatalogueLocal(ra, dec, true);
  t += S(3101) + CatalogueLines(id, index, "  ");
  t += S(3016) + S(3005) + Angle(s.rightAscension, true) + S(3006) + Angle(s.declination, false) + S(3110);
  if (tycho)
    t += Fmt(3111, static_cast<double>(tycho->pmRightAscension)) +
         Fmt(3112, static_cast<double>(tycho->pmDeclination));
  t += Fmt(3120, static_cast<double>(s.magnitude));
  t += S(3116) + FormatC("%5.2f", s.colorIndex * 0.01).c_str();
  t += S(3117) + (bright ? Text(bright->spectralType) : Text(s.spectralClass));
  if (s.companionMagnitudeDifference != 0) {
    const double primary = bright ? bright->magnitude : s.magnitude;
    t += S(3118) + S(3119) + FormatC("%5.2f", primary + s.companionMagnitudeDifference * 0.01).c_str();
  }
  return t + kClosing;
}

// ---- Spacecraft -----------------------------------------------------------------------------------

CString CInfoTextBuilder::BuildSpacecraftInfoRtf(int B) {
  const BodyState& b = g_bodies[B];
  const bool planetarium = m_sky.m_planetariumMode;
  const CString N = BodyName(B);
  CString t = Header(kSizeName) + N + S(3050) + N + TitleAndJulianDay();
  if (planetarium) t += Location();
  t += SecondRule();
  // A satellite whose elements are too far from the instant has no place:
  // say why instead of printing one.
  double epoch = 0.0;
  if (m_sky.SatelliteElementsOutOfDate(B, &epoch)) {
    double y, m, d, h, mi, s;
    m_sky.CalendarFromJulianDay(y, m, d, h, mi, s, epoch);
    const double days = m_sky.m_julianDate - epoch;
    t += days > 0.0 ? Fmt(IDS_SATELLITE_ELEMENTS_TOO_OLD_INFO, N.GetString(), d, m, y, days)
                    : Fmt(IDS_SATELLITE_ELEMENTS_TOO_NEW_INFO, N.GetString(), d, m, y, -days);
    return t + kClosing;
  }
  if (g_trajectory[0].julianDate != 0.0) {
    int last = kTrajectoryCapacity - 1;
    for (int i = 1; i < kTrajectoryCapacity; ++i)
      if (g_trajectory[i].julianDate == 0.0) {
        last = i - 1;
        break;
      }
    double y, m, d, h, mi, s;
    t += S(3092);
    m_sky.CalendarFromJulianDay(y, m, d, h, mi, s, g_trajectory[0].julianDate);
    t += Fmt(3090, d, m, y);
    m_sky.CalendarFromJulianDay(y, m, d, h, mi, s, g_trajectory[last].julianDate);
    t += Fmt(3091, d, m, y);
    if (!m_sky.IsDateInTrajectory()) return t + kClosing;
  }
  if (planetarium) {
    t += BodyLocal(b.rightAscension, b.declination, b.azimuth, b.altitude, false, false);
    t += S(3051) + S(3005) + Angle(b.j2000RightAscension, true) + S(3006) +
         Angle(b.j2000Declination, false);
    t += S(3052) + Angle(b.eclipticLongitude, false) + S(3053) + Angle(b.eclipticLatitude, false);
    t += Fmt(3054, N.GetString(), b.earthDistance) + Fmt(3013, b.earthDistance * kMillionKmPerAu);
  }
  t += S(3056) + "\\plain\\f2\\fs18";
  const double r = Length(b.position) * kAuPerMillionKm;
  t += Fmt(3059, N.GetString(), r) + Fmt(3013, r * kMillionKmPerAu);
  if (!planetarium) {
    const double d = Distance(b.position, g_bodies[kBodyEarth].position) * kAuPerMillionKm;
    t += Fmt(3054, N.GetString(), d) + Fmt(3013, d * kMillionKmPerAu);
    const double o = Distance(b.position, m_camera) * kAuPerMillionKm;
    t += Fmt(3171, N.GetString(), o) + Fmt(3055, o * kKmPerAu);
  }
  t += Ecliptic(b.position);
  return t + kClosing;
}
