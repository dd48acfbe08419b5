// The solar-system update: the Sun, planets, Pluto and Moon from the planet
// library, rotation angles and poles, bodies placed around their parents,
// apparent places, phases and magnitudes.
#include <cmath>
#include <utility>

#include "SkyModel.h"

namespace {

constexpr double kMillionKmPerAu = 149.597870691;
constexpr double kAuPerMillionKm = 0.006684587122670599;
constexpr double kKmPerAu = 149597870.691;

double Reduce(double a) {
  double r = std::fmod(a, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  return r;
}

double Fold(double a) {
  const double r = Reduce(a);
  return r > kPi ? kTwoPi - r : r;
}

double Length(const Vector3d& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Vector3d Minus(const Vector3d& a, const Vector3d& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Vector3d ScenePoint(double l, double b, double r) {
  return {r * std::cos(b) * std::sin(l), r * std::cos(b) * std::cos(l), r * std::sin(b)};
}

// Row-vector 4x4 matrices in single precision, as the scene uses them.
struct Matrix4 {
  float m[4][4];
};

Matrix4 Identity() {
  Matrix4 r{};
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
  return r;
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0.0f;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  return r;
}

// Rotation of row vectors about a unit axis by an angle (right-handed).
Matrix4 RotationAxis(float x, float y, float z, float angle) {
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  Matrix4 r = Identity();
  r.m[0][0] = t * x * x + c;
  r.m[0][1] = t * x * y + s * z;
  r.m[0][2] = t * x * z - s * y;
  r.m[1][0] = t * x * y - s * z;
  r.m[1][1] = t * y * y + c;
  r.m[1][2] = t * y * z + s * x;
  r.m[2][0] = t * x * z + s * y;
  r.m[2][1] = t * y * z - s * x;
  r.m[2][2] = t * z * z + c;
  return r;
}

// The rotation that carries `to` onto the normalised `from` (the inverse of
// the rotation from `from` to `to`). Parallel vectors give the identity,
// opposite ones a half turn about x.
Matrix4 RotationBetweenVectors(const float from[3], const float to[3]) {
  const float len = std::sqrt(from[0] * from[0] + from[1] * from[1] + from[2] * from[2]);
  if (len == 0.0f) return Identity();
  const float f[3] = {from[0] / len, from[1] / len, from[2] / len};
  float ax = f[1] * to[2] - f[2] * to[1];
  float ay = f[2] * to[0] - f[0] * to[2];
  float az = f[0] * to[1] - f[1] * to[0];
  float dot = f[0] * to[0] + f[1] * to[1] + f[2] * to[2];
  dot = dot > 1.0f ? 1.0f : (dot < -1.0f ? -1.0f : dot);
  const float axisLength = std::sqrt(ax * ax + ay * ay + az * az);
  if (axisLength < 1e-7f) return dot > 0.0f ? Identity() : RotationAxis(1.0f, 0.0f, 0.0f, static_cast<float>(kPi));
  ax /= axisLength;
  ay /= axisLength;
  az /= axisLength;
  return RotationAxis(ax, ay, az, -std::acos(dot));
}

Matrix4 RotationX(float a) {
  Matrix4 r = Identity();
  r.m[1][1] = std::cos(a);
  r.m[1][2] = std::sin(a);
  r.m[2][1] = -std::sin(a);
  r.m[2][2] = std::cos(a);
  return r;
}
Matrix4 RotationY(float a) {
  Matrix4 r = Identity();
  r.m[0][0] = std::cos(a);
  r.m[0][2] = -std::sin(a);
  r.m[2][0] = std::sin(a);
  r.m[2][2] = std::cos(a);
  return r;
}
Matrix4 RotationZ(float a) {
  Matrix4 r = Identity();
  r.m[0][0] = std::cos(a);
  r.m[0][1] = std::sin(a);
  r.m[1][0] = -std::sin(a);
  r.m[1][1] = std::cos(a);
  return r;
}
// Roll about z first, then pitch about x, then yaw about y.
Matrix4 RotationYawPitchRoll(float yaw, float pitch, float roll) {
  return Multiply(Multiply(RotationZ(roll), RotationX(pitch)), RotationY(yaw));
}

void TransformCoord(const Matrix4& m, float x, float y, float z, float out[3]) {
  float r[4];
  for (int j = 0; j < 4; ++j) r[j] = x * m.m[0][j] + y * m.m[1][j] + z * m.m[2][j] + m.m[3][j];
  const float w = r[3] != 0.0f ? r[3] : 1.0f;
  out[0] = r[0] / w;
  out[1] = r[1] / w;
  out[2] = r[2] / w;
}

bool IsArtificialSatellite(int body) {
  return body == kBodyHubble || body == kBodyIss || (body >= 49 && body <= 56) || (body >= 59 && body <= 70);
}

// Pole right ascension, declination and prime-meridian angle W (degrees) of
// the IAU rotation elements, for d days and T centuries from J2000.
void RotationElements(int n, double d, double t, double& a0, double& d0, double& w) {
  a0 = d0 = w = 0.0;
  const double r = kDegToRad;
  switch (n) {
    case 0: a0 = 286.13; d0 = 63.87; w = 84.10 + 14.1844 * d; break;
    case 1: a0 = 281.01 - 0.033 * t; d0 = 61.45 - 0.005 * t; w = 329.68 + 6.1385025 * d; break;
    case 2: a0 = 272.76; d0 = 67.16; w = 160.20 - 1.4813688 * d; break;
    case 3: a0 = -0.641 * t; d0 = 90.0 - 0.557 * t; break;
    case 4: a0 = 317.681 - 0.108 * t; d0 = 52.886 - 0.061 * t; w = 176.901 + 350.891983 * d; break;
    case 5: a0 = 268.05 - 0.009 * t; d0 = 64.49 + 0.003 * t; w = 284.95 + 870.536 * d; break;
    case 6: a0 = 40.589 - 0.036 * t; d0 = 83.537 - 0.004 * t; w = 38.90 + 810.7939024 * d; break;
    case 7: a0 = 257.311; d0 = -15.175; w = 203.81 - 501.1600928 * d; break;
    case 8: {
      const double nn = (357.85 + 52.316 * t) * r;
      a0 = 299.36 + 0.70 * std::sin(nn);
      d0 = 43.46 - 0.51 * std::cos(nn);
      w = 253.18 + 536.3128492 * d - 0.48 * std::sin(nn);
      break;
    }
    case 9: a0 = 313.02; d0 = 9.09; w = 236.77 - 56.3623195 * d; break;
    case 10: {
      const double e1 = (125.045 - 0.0529921 * d) * r, e2 = (250.089 - 0.1059842 * d) * r,
                   e3 = (260.008 + 13.0120009 * d) * r;
      a0 = 269.9949 + 0.0031 * t - 3.8787 * std::sin(e1) - 0.1204 * std::sin(e2) + 0.0700 * std::sin(e3);
      d0 = 66.5392 + 0.0130 * t + 1.5419 * std::cos(e1) + 0.0239 * std::cos(e2) - 0.0278 * std::cos(e3);
      w = 38.3213 + 13.17635815 * d - 1.4e-12 * d * d + 3.5610 * std::sin(e1) + 0.1208 * std::sin(e2) -
          0.0642 * std::sin(e3);
      break;
    }
    case 13: w = 200.39 + 203.4889538 * d; break;
    case 14: w = 35.67 + 101.3747235 * d; break;
    case 15: w = 44.04 + 50.3176081 * d; break;
    case 16: w = 259.73 + 21.5710715 * d; break;
    case 18: {
      const double m1 = (169.51 - 0.435764 * d) * r, m2 = (192.93 + 1128.40967 * d + 8.864 * t * t) * r;
      w = 35.06 + 1128.844585 * d + 8.864 * t * t - 1.42 * std::sin(m1) - 0.78 * std::sin(m2);
      break;
    }
    case 19: {
      const double m3 = (53.47 - 0.018151 * d) * r;
      w = 79.41 + 285.161897 * d - 0.52 * t * t - 2.58 * std::sin(m3) + 0.19 * std::cos(m3);
      break;
    }
    case 20: w = 337.46 + 381.994555 * d - 13.48 * std::sin((177.40 - 36505.5 * t) * r) -
                 44.85 * std::sin((316.45 + 506.2 * t) * r); break;
    case 21: w = 189.64 + 22.5769768 * d - 2.64 * std::sin((29.80 - 52.1 * t) * r); break;
    case 22: w = 2.82 + 262.7318996 * d; break;
    case 23: w = 10.45 + 190.6979085 * d - 9.60 * std::sin((300.00 - 7225.9 * t) * r) +
                 2.23 * std::sin((316.45 + 506.2 * t) * r); break;
    case 24: w = 357.00 + 131.5349316 * d; break;
    case 25: w = 235.16 + 79.6900478 * d - 3.08 * std::sin((345.20 - 1016.3 * t) * r); break;
    case 28: w = 304.70 + 930.833872 * d; break;
    case 29: w = 30.70 - 254.6906892 * d; break;
    case 30: w = 156.22 - 142.8356681 * d; break;
    case 31: w = 108.05 - 86.8688923 * d; break;
    case 32: w = 77.74 - 41.3514316 * d; break;
    case 33: w = 6.77 - 26.7394932 * d; break;
    case 34: w = 93.38 + 320.7654228 * d; break;
    case 35: w = 296.53 - 61.2572637 * d; break;
    case 37: case 44: w = 56.77 - 56.3623195 * d; break;
    case 17: case 38: case 39: case 40: case 41: case 47: case 48: case 57: case 58: w = 200.0 * d; break;
    default: break;
  }
}

}  // namespace

void CSkyModel::ProjectPointToSky(double x, double y, double z, double& longitude, double& latitude) {
  // Direction from the camera, turned from the ecliptic scene frame to the equator.
  const double dx = x - m_cameraPosition.x, dy = y - m_cameraPosition.y, dz = z - m_cameraPosition.z;
  const double c = std::cos(m_obliquity), s = std::sin(m_obliquity);
  const double ex = dx * c - dz * s, ez = dx * s + dz * c;
  const double len = std::sqrt(ex * ex + dy * dy + ez * ez);
  if (len == 0.0) {
    longitude = latitude = 0.0;
    return;
  }
  longitude = Reduce(std::atan2(ex, dy));
  latitude = std::asin(std::fmax(-1.0, std::fmin(1.0, ez / len)));
}

void CSkyModel::ProjectBodyToSky(int n) {
  BodyState& b = g_bodies[n];
  ProjectPointToSky(b.position.x, b.position.y, b.position.z, b.j2000RightAscension, b.j2000Declination);
}

void CSkyModel::SkyToScenePoint(float out[3], bool direct, float latitude, float longitude, float radius) {
  const float cl = std::cos(latitude), sl = std::sin(latitude);
  if (direct) {
    out[0] = -radius * cl * std::sin(longitude);
    out[1] = -radius * sl;
    out[2] = radius * cl * std::cos(longitude);
    return;
  }
  // Equatorial unit vector, turned about the equinox direction by the obliquity.
  const float x = cl * std::sin(longitude), y = cl * std::cos(longitude), z = sl;
  const float c = static_cast<float>(std::cos(m_obliquity)), s = static_cast<float>(std::sin(m_obliquity));
  out[0] = radius * (x * c + z * s);
  out[1] = radius * y;
  out[2] = radius * (-x * s + z * c);
}

void CSkyModel::ComputePhaseAndMagnitude(int objectNumber) {
  Vector3d p;
  double h;
  bool comet = false;
  if (objectNumber >= 0 && objectNumber < kBodyCount) {
    p = g_bodies[objectNumber].position;
    h = g_bodies[objectNumber].absoluteMagnitude;
  } else if (objectNumber >= 1000 && objectNumber < 1000 + g_asteroidCount && g_asteroids != nullptr) {
    p = g_asteroids[objectNumber - 1000].position;
    h = g_asteroids[objectNumber - 1000].absoluteMagnitude;
  } else if (objectNumber >= 2000 && objectNumber < 2000 + g_cometCount && g_comets != nullptr) {
    p = g_comets[objectNumber - 2000].position;
    h = g_comets[objectNumber - 2000].absoluteMagnitude;
    comet = true;
  } else {
    return;
  }
  // In planetarium mode the observer is on the Earth, not at the 3D camera.
  const Vector3d observer = m_planetariumMode ? g_bodies[kBodyEarth].position : m_cameraPosition;
  const Vector3d toBody = Minus(p, observer);
  const double r = Length(p) * kAuPerMillionKm;
  const double delta = Length(toBody) * kAuPerMillionKm;
  const Vector3d u1 = NormalizeVector3d(toBody), u2 = NormalizeVector3d(p);
  const double c = u1.x * u2.x + u1.y * u2.y + u1.z * u2.z;
  const double k = (1.0 + c) / 2.0;
  const double q = comet ? 1.0 : (0.99 * c + 1.01) / 2.0;
  double magnitude;
  if (objectNumber == kBodySun) {
    // The Sun sits at the origin: its brightness depends on the distance alone.
    magnitude = -26.74 + 5.0 * std::log10(std::fmax(delta, 1e-6));
  } else if (r * delta > 0.0) {
    magnitude = h + 2.1715 * std::log(r * delta) - 1.085 * std::log(q);
  } else {
    magnitude = h;
  }
  if (objectNumber < kBodyCount) {
    g_bodies[objectNumber].illumination = k;
    g_bodies[objectNumber].magnitude = magnitude;
  } else if (objectNumber < 2000) {
    g_asteroids[objectNumber - 1000].illumination = k;
    g_asteroids[objectNumber - 1000].magnitude = static_cast<float>(magnitude);
  } else {
    g_comets[objectNumber - 2000].magnitude = static_cast<float>(magnitude);
  }
}

namespace {

// Steps 1 to 4 of the apparent place: geocentric ecliptic, equatorial and
// topocentric place of a scene position. Returns false for a zero vector.
struct TopocentricPlace {
  double distance, longitude, latitude, ra, dec, topoRa, topoDec;
};

}  // namespace

static bool TopocentricFromScene(CSkyModel& model, const Vector3d& position, int body, double parallaxDistance,
                                 TopocentricPlace& out) {
  const Vector3d v = Minus(position, g_bodies[kBodyEarth].position);
  const Vector3d a = {v.x * kAuPerMillionKm, v.y * kAuPerMillionKm, v.z * kAuPerMillionKm};
  out.distance = Length(a);
  if (out.distance == 0.0) return false;
  out.latitude = std::asin(std::fmax(-1.0, std::fmin(1.0, a.z / out.distance)));
  double l = std::atan2(a.x, a.y);  // the quadrant of atan(x / y), plus pi when y < 0
  out.longitude = Reduce(l);
  model.EclipticToEquatorial(out.ra, out.longitude, out.latitude, out.dec);
  out.topoRa = out.ra;
  out.topoDec = out.dec;
  if (body == kBodyHubble || body == kBodyIss) return true;
  const double delta = parallaxDistance == 0.0 ? out.distance : parallaxDistance;
  const double s = std::sin(4.264421139039478e-05 / delta);
  const double h = model.m_localSiderealTime - out.ra;
  const double A = std::cos(out.dec) - s * model.m_rhoCosPhi * std::cos(h);
  double dAlpha = std::atan(-s * model.m_rhoCosPhi * std::sin(h) / A);
  double dec = std::atan((std::sin(out.dec) - s * model.m_rhoSinPhi) * std::cos(dAlpha) / A);
  if (A < 0.0) {
    dAlpha += kPi;
    dec += kPi;
  }
  out.topoRa = Reduce(out.ra + dAlpha);
  out.topoDec = dec;
  return true;
}

void CSkyModel::ComputeApparentPlace(int body, int parent) {
  BodyState& b = g_bodies[body];
  TopocentricPlace p;
  if (!TopocentricFromScene(*this, b.position, body, 0.0, p)) return;
  b.earthDistance = p.distance;
  b.eclipticLongitude = p.longitude;
  b.eclipticLatitude = p.latitude;
  b.j2000RightAscension = p.ra;
  b.j2000Declination = p.dec;
  double ra = p.topoRa, dec = p.topoDec;
  PrecessFromJ2000(ra, dec);
  // The horizon belongs to the equator of date: precessed coordinates, or a
  // body without a parent would sit off by the precession since 2000.
  EquatorialToHorizontal(b.azimuth, b.altitude, m_localSiderealTime, ra, dec);
  if (parent > 0) {
    const BodyState& planet = g_bodies[parent];
    b.azimuth += planet.azimuth - planet.sceneAzimuth;
    b.altitude += planet.altitude - planet.sceneAltitude;
    // The planet's apparent place carries nutation and aberration, which the
    // scene's geometric place lacks; its moon takes the same corrections, so
    // its stored place is where the sky map draws it beside the planet.
    TopocentricPlace q;
    if (TopocentricFromScene(*this, planet.position, parent, 0.0, q)) {
      double planetRa = q.topoRa, planetDec = q.topoDec;
      PrecessFromJ2000(planetRa, planetDec);
      ra = Reduce(ra + std::remainder(planet.rightAscension - planetRa, kTwoPi));
      dec += planet.declination - planetDec;
    }
  }
  b.rightAscension = ra;
  b.declination = dec;
  b.apparentDiameter = std::atan(b.diameter / (b.earthDistance * kKmPerAu));
}

void CSkyModel::ComputeHorizontalFromScene(int body) {
  BodyState& b = g_bodies[body];
  TopocentricPlace p;
  if (!TopocentricFromScene(*this, b.position, body, b.earthDistance, p)) return;
  double ra = p.topoRa, dec = p.topoDec;
  PrecessFromJ2000(ra, dec);
  EquatorialToHorizontal(b.sceneAzimuth, b.sceneAltitude, m_localSiderealTime, ra, dec);
}

void CSkyModel::PlaceBodyAroundParent(int body, int parent, float x, float y, float z) {
  if (body < 0 || body >= kBodyCount || parent < 0 || parent >= kBodyCount) return;
  BodyState& b = g_bodies[body];
  const BodyState& p = g_bodies[parent];
  // A heliocentric offset (Sedna) and the offsets of the moon theories of
  // Jupiter, Saturn and Uranus, which reduce to the scene frame themselves,
  // are not turned by the parent's pole.
  const bool sceneFrameOffset =
      parent == kBodySun || parent == kBodyJupiter || parent == kBodySaturn || parent == kBodyUranus;
  Matrix4 m = Identity();
  if (!sceneFrameOffset) {
    static const float kZ[3] = {0.0f, 0.0f, 1.0f};
    m = RotationBetweenVectors(g_bodyPoles[parent], kZ);
  }
  switch (parent) {
    case kBodyMars: m = Multiply(m, RotationYawPitchRoll(0.02f, -0.117f, 0.125f)); break;
    case kBodyNeptune: m = Multiply(m, RotationYawPitchRoll(0.69f, 0.0f, 0.6f)); break;
    default: break;
  }
  // The orbit models give an Earth satellite's offset in the equatorial TEME
  // frame: x toward the equinox, y toward 6h of right ascension. The scene's
  // equatorial axes, before the tilt of the Earth's pole, put the equinox on
  // +y and 6h on +x (x = sin of the right ascension, as for every sky
  // direction): without the swap a satellite is drawn over the mirror image
  // of its ground track.
  if (parent == kBodyEarth && IsArtificialSatellite(body)) std::swap(x, y);
  float offset[3];
  TransformCoord(m, x, y, z, offset);
  b.position = {p.position.x + offset[0], p.position.y + offset[1], p.position.z + offset[2]};
  if (body != m_lockedObject) {
    b.cameraDistance = Length(Minus(b.position, m_cameraPosition));
    b.surfaceDistance = b.cameraDistance - b.diameter * 5e-7;
  }
  b.earthDistance = Length(Minus(b.position, g_bodies[kBodyEarth].position));
  if (!m_planetariumMode) {
    b.apparentDiameter = std::atan(b.diameter / (b.cameraDistance * 1e6));
    ProjectBodyToSky(body);
    ComputePhaseAndMagnitude(body);
    return;
  }
  if (IsArtificialSatellite(body)) {
    b.earthDistance *= kAuPerMillionKm;
  } else {
    ComputeApparentPlace(body, parent);
  }
  ComputePhaseAndMagnitude(body);
}

void CSkyModel::UpdateSolarSystemBodies() {
  static const PlanetLibraryElements kNoElements{};
  const PlanetLibraryResult* rows = CallPlanetLibrary(kPlanetLibraryModeAllBodies, kNoElements, m_pressure);
  if (rows == nullptr) return;
  m_dynamicalTimeOffset = rows[0].entries[kEntryDeltaT];

  // The Earth first, so every body is seen from the Earth of this instant.
  {
    const double* e = rows[kBodyEarth].entries;
    g_bodies[kBodyEarth].position = ScenePoint(e[kEntrySceneLongitude], e[kEntrySceneLatitude],
                                           e[kEntrySceneDistance] * kMillionKmPerAu);
  }
  for (int n = 0; n <= kBodyMoon; ++n) {
    const double* e = rows[n].entries;
    BodyState& b = g_bodies[n];
    b.azimuth = e[kEntryAzimuth] * kDegToRad;
    b.altitude = e[kEntryAltitude] * kDegToRad;
    b.eclipticLongitude = e[kEntryEclipticLongitude];
    b.eclipticLatitude = e[kEntryEclipticLatitude];
    b.earthDistance = e[kEntryEarthDistance];
    b.sunDistance = e[kEntrySunDistance];
    b.apparentDiameter = e[kEntryApparentDiameter] * 4.84813681109536e-6;
    b.rightAscension = Reduce(e[kEntryRightAscension]);
    b.declination = e[kEntryDeclination];
    b.magnitude = e[kEntryMagnitude];
    b.illumination = e[kEntryIllumination];
    b.heliocentricLongitude = Reduce(e[kEntryHelioLongitude]);
    b.heliocentricLatitude = e[kEntryHelioLatitude];
    b.j2000RightAscension = Reduce(e[kEntryJ2000RightAscension]);
    b.j2000Declination = e[kEntryJ2000Declination];
    if (n == kBodyEarth) {
      m_earthSunDistance = e[kEntrySunDistance];
      g_bodies[kBodySun].earthDistance = e[kEntrySunDistance];
    }
    if (n == kBodySun) {
      b.position = {0.0, 0.0, 0.0};
      m_sunLongitude = Reduce(e[kEntryHelioLongitude] + kPi);
    } else if (n == kBodyMoon) {
      const double k = b.earthDistance * kMillionKmPerAu;
      const Vector3d& earth = g_bodies[kBodyEarth].position;
      const double l = b.heliocentricLongitude, lat = b.heliocentricLatitude;
      b.position = {earth.x + std::sin(l) * std::cos(lat) * k, earth.y + std::cos(l) * std::cos(lat) * k,
                    earth.z + std::sin(lat) * k};
    } else {
      b.position = ScenePoint(e[kEntrySceneLongitude], e[kEntrySceneLatitude], e[kEntrySceneDistance] * kMillionKmPerAu);
    }
    b.phaseAngle = Fold(b.eclipticLongitude - b.heliocentricLongitude);
    if (n != kBodyMoon) b.illumination = (1.0 + std::cos(b.phaseAngle)) / 2.0;
    b.elongation = Fold(b.eclipticLongitude - m_sunLongitude + kPi);
    const double d = b.diameter;
    if (m_planetariumMode) {
      ComputeHorizontalFromScene(n);
      b.phaseOffset = n == kBodyMoon ? (1.0 - b.illumination) * kPi : b.eclipticLongitude - b.heliocentricLongitude;
      if (n == kBodySun) b.apparentDiameter = std::atan(d / (Length(g_bodies[kBodyEarth].position) * 1e6));
    } else {
      ProjectBodyToSky(n);
      const double dist = Length(Minus(b.position, m_cameraPosition)) * 1e6;
      const double half = 0.5 * d;
      // From inside the body it fills the whole sky.
      b.apparentDiameter = dist > half ? 2.0 * std::atan(half / std::sqrt(dist * dist - half * half)) : kPi;
      ComputePhaseAndMagnitude(n);
    }
    if (n != m_lockedObject) {
      b.cameraDistance = Length(Minus(b.position, m_cameraPosition));
      b.surfaceDistance = b.cameraDistance - d * 5e-7;
    }
  }
  if (m_computingEphemeris) return;

  // Rotation angles and pole directions.
  {
    const double d = m_julianDate - 2451545.0;
    const double t = d * 2.7378507871321012e-05;
    for (int n = 0; n < kBodyCount; ++n) {
      double a0, d0, w;
      RotationElements(n, d, t, a0, d0, w);
      // The angle modulo a full turn: the same rotation without the loss of
      // precision of a huge angle.
      g_bodies[n].rotationAngle = std::fmod(w, 360.0) * kDegToRad;
      if (a0 != 0.0 || d0 != 0.0) {
        double ra = a0 * kDegToRad, dec = d0 * kDegToRad;
        PrecessFromJ2000(ra, dec);
        SkyToScenePoint(g_bodyPoles[n], false, static_cast<float>(dec), static_cast<float>(ra), 1.0f);
      }
    }
  }

  // Moons, satellites and Sedna.
  const double savedDate = m_julianDate;
  auto groupDate = [&](int planet) {
    if (m_planetariumMode) m_julianDate = savedDate - g_bodies[planet].earthDistance * 0.005775441271895844;
  };
  auto placeSlot = [&](int body, int parent, int slot) {
    const double* p = g_orbits[slot].position;
    PlaceBodyAroundParent(body, parent, static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]));
  };
  // The moon theories take dynamical time: TT of the instant, less the
  // light time in the sky.
  auto placeTheoryMoons = [&](int parent, int first, int last) {
    m_julianDate += m_dynamicalTimeOffset;
    for (int body = first; body <= last; ++body) {
      float x, y, z;
      if (TheoryMoonOffset(body, x, y, z)) PlaceBodyAroundParent(body, parent, x, y, z);
    }
  };
  groupDate(kBodyMars);
  placeSlot(kBodyPhobos, kBodyMars, 0);
  placeSlot(kBodyDeimos, kBodyMars, 1);
  m_julianDate = savedDate;
  groupDate(kBodyJupiter);
  placeTheoryMoons(kBodyJupiter, kBodyIo, kBodyCallisto);
  m_julianDate = savedDate;
  groupDate(kBodySaturn);
  placeTheoryMoons(kBodySaturn, kBodyMimas, kBodyPhoebe);
  m_julianDate = savedDate;
  groupDate(kBodyUranus);
  placeTheoryMoons(kBodyUranus, kBodyMiranda, kBodyOberon);
  m_julianDate = savedDate;
  groupDate(kBodyNeptune);
  placeSlot(kBodyProtee, kBodyNeptune, 4);
  placeSlot(kBodyTriton, kBodyNeptune, 5);
  placeSlot(kBodyNereide, kBodyNeptune, 6);
  m_julianDate = savedDate;
  groupDate(kBodyPluto);
  placeSlot(kBodyCharon, kBodyPluto, 7);
  m_julianDate = savedDate;

  placeSlot(kBodyHubble, kBodyEarth, 3);
  placeSlot(kBodyIss, kBodyEarth, 2);
  placeSlot(kBodySedna, kBodySun, 8);

  UpdateProbeBodies(false);
  for (int i = 0; i < 8; ++i) placeSlot(kBodyNoaa10 + i, kBodyEarth, 9 + i);
  UpdateProbeBodies(true);
}
