// Frame transforms and apparent-place corrections: horizon with refraction,
// ecliptic to equator, precession, nutation and annual aberration.
#include <cmath>

#include "SkyModel.h"

namespace {

double Reduce(double a) {
  double r = std::fmod(a, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  if (r >= kTwoPi) r = 0.0;
  return r;
}

constexpr double kTenthDegree = 0.0017453292519943296;
constexpr double kFourDegrees = 0.06981317007977318;
constexpr double kFifteenDegrees = 0.2617993877991494;
constexpr double kArcminute = 0.0002908882086657216;

}  // namespace

void CSkyModel::UpdateRefractionFactor() {
  m_refractionFactor = (m_pressure * 0.0009869232667160128) * 273.0 / (m_temperature + 273.0000000001);
}

void CSkyModel::EquatorialToHorizontal(double& azimuth, double& altitude, double siderealTime, double rightAscension,
                                       double declination) {
  const double hourAngle = siderealTime - rightAscension;
  const double cosDec = std::cos(declination);
  const double sinDec = std::sin(declination);
  const double cosH = std::cos(hourAngle);
  HorizontalFromHourAngle(azimuth, altitude, cosDec * cosH, cosDec * std::sin(hourAngle), sinDec);
}

void CSkyModel::HorizontalFromHourAngle(double& azimuth, double& altitude, double cosDecCosH, double cosDecSinH,
                                        double sinDec) {
  const double s = cosDecCosH * m_cosLatitude + sinDec * m_sinLatitude;
  // h = ArcsinByArctan(s), keeping its square root as cos(h) for the azimuth.
  double h, cosAlt;
  if (s > -1.0 && s < 1.0) {
    cosAlt = std::sqrt(1.0 - s * s);
    h = std::atan(s / cosAlt);
  } else {
    h = ArcsinByArctan(s);
    cosAlt = std::cos(h);
  }
  // At the zenith the azimuth is undefined: take south rather than dividing by zero.
  const double sinAz = cosAlt > 1e-300 ? cosDecSinH / cosAlt : 0.0;
  double az = ArcsinByArctan(sinAz);  // from the south, positive towards the west
  if (m_sinLatitude * cosDecCosH - m_cosLatitude * sinDec < 0.0) az = kPi - az;
  azimuth = Reduce(az + kPi);

  if (m_pressure != 0.0 && h >= kTenthDegree) {
    if (h <= kFifteenDegrees) {
      double u, v, k;
      if (h < kFourDegrees) {
        u = -2.2204;
        v = 2.6;
        k = 7.5262;
      } else {
        u = -0.9603;
        v = -1.1;
        k = 4.401;
      }
      const double r = k + u * std::log(h * kRadToDeg + v);
      h += r * r * kArcminute * m_refractionFactor;
    } else {
      const double w = std::fabs(std::tan(kPi / 2.0 - h));
      h += w * (0.016187777777777777 - 2.2888888888888888e-05 * w * w) * kDegToRad * m_refractionFactor;
    }
  }
  altitude = h;
}

void CSkyModel::EclipticToEquatorial(double& rightAscension, double longitude, double latitude, double& declination) {
  const double cosB = std::cos(latitude);
  const double sinB = std::sin(latitude);
  const double sinL = std::sin(longitude);
  const double cosL = std::cos(longitude);
  declination = ArcsinByArctan(sinL * cosB * m_sinObliquity + sinB * m_cosObliquity);
  const double den = cosL * cosB;
  double a = std::atan((sinL * cosB * m_cosObliquity - sinB * m_sinObliquity) / den);
  if (den < 0.0) a += kPi;
  rightAscension = Reduce(a);
}

namespace {

struct PrecessionAngles {
  double zeta, z, theta;
};

PrecessionAngles AnglesFromJ2000(double julianDate) {
  const double t = (julianDate - 2451544.5) / 36524.2199;
  return {(2304.948 * t + 0.302 * t * t + 0.018 * t * t * t) * kArcsecToRad,
          (2304.948 * t + 1.093 * t * t + 0.019 * t * t * t) * kArcsecToRad,
          (2004.255 * t - 0.426 * t * t - 0.042 * t * t * t) * kArcsecToRad};
}

}  // namespace

// The rotation Rz(-z) Ry(theta) Rz(-zeta) from the J2000 equator to the mean
// equator of date.
void CSkyModel::PrecessFromJ2000(double& rightAscension, double& declination) {
  const PrecessionAngles p = AnglesFromJ2000(m_julianDate);
  const double cosDec = std::cos(declination);
  const double sinDec = std::sin(declination);
  const double h = rightAscension + p.zeta;
  const double a = cosDec * std::sin(h);
  const double b = std::cos(p.theta) * cosDec * std::cos(h) - std::sin(p.theta) * sinDec;
  const double c = std::sin(p.theta) * cosDec * std::cos(h) + std::cos(p.theta) * sinDec;
  double alpha = std::atan(a / b);
  if (b < 0.0) alpha += kPi;
  rightAscension = Reduce(alpha + p.z);
  declination = std::atan2(c, std::hypot(a, b));  // arcsin C, without its loss near the poles
}

// The transpose of the same rotation, so that a place taken to the date and
// back returns to where it was.
void CSkyModel::PrecessToJ2000(double& rightAscension, double& declination) {
  const PrecessionAngles p = AnglesFromJ2000(m_julianDate);
  const double cosDec = std::cos(declination);
  const double sinDec = std::sin(declination);
  const double h = rightAscension - p.z;
  const double a = cosDec * std::sin(h);
  const double b = std::cos(p.theta) * cosDec * std::cos(h) + std::sin(p.theta) * sinDec;
  const double c = -std::sin(p.theta) * cosDec * std::cos(h) + std::cos(p.theta) * sinDec;
  rightAscension = Reduce(std::atan2(a, b) - p.zeta);
  declination = std::atan2(c, std::hypot(a, b));
}

void CSkyModel::UpdateNutation() {
  const double t = (m_julianDate - 2415020.0) / 36525.0;
  const double om = (259.1833 - 1934.142 * t + 0.002078 * t * t) * kDegToRad;
  const double l = (279.6967 + 36000.7689 * t + 0.000303 * t * t) * kDegToRad;
  const double lm = (270.4342 + 481267.8831 * t - 0.001133 * t * t) * kDegToRad;
  const double m = (358.4758 + 35999.0498 * t - 0.00015 * t * t) * kDegToRad;
  const double mm = (296.1046 + 477198.8491 * t + 0.009192 * t * t) * kDegToRad;

  const double dpsi = -(17.2327 + 0.01737 * t) * std::sin(om) - (1.2729 + 0.00013 * t) * std::sin(2 * l) +
                      0.2088 * std::sin(2 * om) - 0.2037 * std::sin(2 * lm) + (0.1261 - 0.00031 * t) * std::sin(m) +
                      0.0675 * std::sin(mm) - (0.0497 - 0.00012 * t) * std::sin(2 * l + m) -
                      0.0342 * std::sin(2 * lm - om) - 0.0261 * std::sin(2 * lm + mm) + 0.0214 * std::sin(2 * l - m) -
                      0.0149 * std::sin(2 * l - 2 * lm + mm);
  m_nutationLongitude = dpsi * kArcsecToRad + 5.5268759646487107e-8 * std::sin(2 * lm - mm) +
                        6.011689645758246e-8 * std::sin(2 * l - om);

  const double deps = (9.21 + 0.00091 * t) * std::cos(om) + (0.5522 - 0.00029 * t) * std::cos(2 * l) -
                      0.0904 * std::cos(2 * om) + 0.0884 * std::cos(2 * lm) + 0.0216 * std::cos(2 * l + m) +
                      0.0183 * std::cos(2 * lm - om) + 0.0113 * std::cos(2 * lm + mm) - 0.0093 * std::cos(2 * l - m) -
                      0.0066 * std::cos(2 * l - om);
  m_nutationObliquity = deps * kArcsecToRad;
}

void CSkyModel::ApplyNutationToEquatorial(double& rightAscension, double& declination) {
  const double a = rightAscension;
  const double d = declination;
  const double tanD = std::tan(d);
  const double da = (m_cosObliquity + m_sinObliquity * std::sin(a) * tanD) * m_nutationLongitude -
                    std::cos(a) * tanD * m_nutationObliquity;
  const double dd = m_sinObliquity * std::cos(a) * m_nutationLongitude + std::sin(a) * m_nutationObliquity;
  rightAscension = Reduce(a + da);
  declination = d + dd;
}

void CSkyModel::ApplyAnnualAberration(double& rightAscension, double& declination) {
  constexpr double kappa = 9.933832325934391e-05;
  const double l = m_sunLongitude + kPi;
  const double a = rightAscension;
  const double d = declination;
  const double cosL = std::cos(l), sinL = std::sin(l);
  const double cosA = std::cos(a), sinA = std::sin(a);
  const double cosD = std::cos(d), sinD = std::sin(d);
  const double tanE = m_sinObliquity / m_cosObliquity;
  const double da = -kappa * (cosA * cosL * m_cosObliquity + sinA * sinL) / cosD;
  const double dd = -kappa * (cosL * m_cosObliquity * (tanE * cosD - sinA * sinD) + cosA * sinD * sinL);
  rightAscension = Reduce(a + da);
  declination = d + dd;
}
