// Two-line element sets: checks, parsing and the observer geometry.
#include "TwoLineElements.h"

#include <cmath>
#include <cstring>

#include "NumberFormat.h"

namespace {

constexpr double kRevPerDayToRadPerMin = 0.004363323129985824;   // 2 pi / 1440
constexpr double kRevPerDay2ToRadPerMin2 = 3.0300855069346e-6;    // 2 pi / 1440^2
constexpr double kRevPerDay3ToRadPerMin3 = 2.104226046482361e-9;  // 2 pi / 1440^3
constexpr double kLongestPropagation = 1e8;                       // minutes, 190 years

// Copies columns first..last (counted from 1) of a line into `out`, blanks
// where the line is shorter; `out` holds at least last - first + 2 bytes.
void CopyColumns(const char* line, int first, int last, char* out) {
  const size_t length = strnlen(line, kTleLineBufferSize);
  int n = 0;
  for (int c = first; c <= last; ++c) {
    const size_t i = static_cast<size_t>(c - 1);
    out[n++] = i < length ? line[i] : ' ';
  }
  out[n] = '\0';
}

double ColumnsAsNumber(const char* line, int first, int last) {
  char field[32];
  CopyColumns(line, first, last, field);
  return AtofC(field);
}

}  // namespace

int CheckTleLine(const char* line) {
  if (line == nullptr) return -1;
  const size_t length = strnlen(line, kTleLineBufferSize);
  if (length < 2 || (line[0] != '1' && line[0] != '2') || line[1] != ' ') return -1;
  int sum = 0;
  for (size_t i = 0; i < kTleLineLength - 1; ++i) {
    const unsigned char c = i < length ? static_cast<unsigned char>(line[i]) : 0;
    if (c < ' ' || c > 'z') return -2;
    if (c >= '1' && c <= '9') sum += c - '0';
    if (c == '-') sum += 1;
  }
  if (length > kTleLineLength && static_cast<unsigned char>(line[kTleLineLength]) > ' ') return -3;
  const unsigned char check = length >= kTleLineLength ? static_cast<unsigned char>(line[kTleLineLength - 1]) : ' ';
  const int digit = check >= '0' && check <= '9' ? check - '0' : 0;
  return ((sum - digit) % 10 + 10) % 10;
}

double ParseTleExponentField(const char* field) {
  char f[9];
  const size_t length = strnlen(field, 8);
  for (size_t i = 0; i < 8; ++i) f[i] = i < length ? field[i] : ' ';
  f[8] = '\0';
  if (f[1] == ' ') return 0.0;
  double mantissa = 0.0;
  for (int i = 1; i <= 5; ++i) {
    const int digit = f[i] >= '0' && f[i] <= '9' ? f[i] - '0' : 0;
    mantissa = mantissa * 10.0 + digit;
  }
  mantissa *= 1e-5;
  const int exponent = f[7] >= '0' && f[7] <= '9' ? f[7] - '0' : 0;
  const double value = mantissa * std::pow(10.0, f[6] == '-' ? -exponent : exponent);
  return f[0] == '-' ? -value : value;
}

int ParseTwoLineElements(const char* line1, const char* line2, SatelliteElements& out) {
  if (line1 == nullptr || line2 == nullptr || line1[0] != '1' || line2[0] != '2') return -104;
  const int check1 = CheckTleLine(line1);
  if (check1 < 0) return check1 - 100;
  const int check2 = CheckTleLine(line2);
  if (check2 < 0) return check2 - 100;
  int result = 0;
  if (check1 > 0) result |= 1;
  if (check2 > 0) result |= 2;

  SatelliteElements el;
  // Epoch: two-digit year (57 to 99 in the 20th century), day of the year with fraction.
  char yearField[3];
  CopyColumns(line1, 19, 20, yearField);
  if (yearField[0] == ' ') yearField[0] = '0';
  double yy = AtofC(yearField);
  if (yy < 57.0) yy += 100.0;
  const double day = ColumnsAsNumber(line1, 21, 32);
  el.epoch = day + std::floor((yy - 1.0) / 4.0) + 365.0 * yy + 2415019.5;
  el.meanMotionDerivative = ColumnsAsNumber(line1, 34, 43) * kRevPerDay2ToRadPerMin2;
  char field[16];
  CopyColumns(line1, 45, 52, field);
  el.meanMotionSecondDerivative = ParseTleExponentField(field) * kRevPerDay3ToRadPerMin3;
  CopyColumns(line1, 54, 61, field);
  el.bstar = ParseTleExponentField(field);
  el.inclination = ColumnsAsNumber(line2, 9, 16) * kDegToRad;
  el.ascendingNode = ColumnsAsNumber(line2, 18, 25) * kDegToRad;
  char eccentricity[16] = "0.";
  CopyColumns(line2, 27, 33, eccentricity + 2);
  el.eccentricity = AtofC(eccentricity);
  el.argumentOfPerigee = ColumnsAsNumber(line2, 35, 42) * kDegToRad;
  el.meanAnomaly = ColumnsAsNumber(line2, 44, 51) * kDegToRad;
  el.meanMotion = ColumnsAsNumber(line2, 53, 63) * kRevPerDayToRadPerMin;
  out = el;
  return result;
}

bool IsDeepSpaceOrbit(const SatelliteElements& el) {
  if (!(el.meanMotion > 0.0) || !(el.eccentricity >= 0.0 && el.eccentricity < 1.0)) return false;
  // The report's test on the mean motion recovered from the element set
  // (the element mean motion carries part of the J2 effect).
  const double cosi = std::cos(el.inclination);
  const double betao = std::sqrt(1.0 - el.eccentricity * el.eccentricity);
  const double k = 1.5 * kSatCk2 * (3.0 * cosi * cosi - 1.0) / (betao * betao * betao);
  const double a1 = std::pow(kSatXke / el.meanMotion, 2.0 / 3.0);
  const double del1 = k / (a1 * a1);
  const double ao = a1 * (1.0 - del1 * (1.0 / 3.0 + del1 * (1.0 + 134.0 / 81.0 * del1)));
  const double xnodp = el.meanMotion / (1.0 + k / (ao * ao));
  return kTwoPi / xnodp >= kDeepSpacePeriodMinutes;
}

int ChooseSatelliteModel(const char* line1, const SatelliteElements& el) {
  const size_t length = strnlen(line1, kTleLineBufferSize);
  const char type = length >= 63 ? line1[62] : ' ';
  const bool deep = IsDeepSpaceOrbit(el);
  if (type == '4' || type == '5') return deep ? kModelSdp8 : kModelSgp8;
  return deep ? kModelSdp4 : kModelSgp4;
}

bool PropagateSatelliteModel(int model, double minutes, const SatelliteElements& el, SatelliteModelState& st,
                             Vector3d& position, Vector3d& velocity) {
  // Elements no model can start from (a set that was never filled, a
  // mean motion or eccentricity out of range) give no position.
  // Element sets are meaningless centuries from their epoch, and the
  // resonance integration would take too long to get there.
  if (!(el.meanMotion > 0.0) || !(el.eccentricity >= 0.0 && el.eccentricity < 1.0) ||
      !(std::fabs(minutes) <= kLongestPropagation)) {
    position = Vector3d{};
    velocity = Vector3d{};
    return false;
  }
  switch (model) {
    case kModelSgp:
      InitSgp(el, st);
      return PropagateSgp(minutes, el, st, position, velocity);
    case kModelSgp4:
      InitSgp4(el, st);
      return PropagateSgp4(minutes, el, st, position, velocity);
    case kModelSgp8:
      InitSgp8(el, st);
      return PropagateSgp8(minutes, el, st, position, velocity);
    case kModelSdp4:
      InitSdp4(el, st);
      return PropagateSdp4(minutes, el, st, position, velocity);
    case kModelSdp8:
      InitSdp8(el, st);
      return PropagateSdp8(minutes, el, st, position, velocity);
    default:
      position = Vector3d{};
      velocity = Vector3d{};
      return false;
  }
}

void GeodeticToGeocentric(double latitude, double height, double& rhoSinPhi, double& rhoCosPhi) {
  const double u = std::atan(0.9966471416431749 * std::tan(latitude));
  rhoSinPhi = 0.9966471416431749 * std::sin(u) + height * 1.5678552054360676e-7 * std::sin(latitude);
  rhoCosPhi = std::cos(u) + height * 1.5678552054360676e-7 * std::cos(latitude);
}

double GreenwichSiderealTime(double julianDate) {
  const double shifted = julianDate + 0.5;
  const double f = shifted - std::floor(shifted);
  const double t = (julianDate - f - 2451545.0) / 36525.0;
  double seconds =
      24110.54841 + t * (8640184.812866 + t * (0.093104 - t * 6.2e-6)) + 86636.55536697599746 * f;
  seconds = std::fmod(seconds, 86400.0);
  if (seconds < 0.0) seconds += 86400.0;
  return seconds * 7.27220521664304e-05;
}

void ComputeObserverPosition(double julianDate, double eastLongitude, double rhoCosPhi, double rhoSinPhi,
                             Vector3d& out) {
  const double theta = GreenwichSiderealTime(julianDate) + eastLongitude;
  out.x = rhoCosPhi * std::cos(theta) * 6378.14;
  out.y = rhoCosPhi * std::sin(theta) * 6378.14;
  out.z = rhoSinPhi * 6378.14;
}

void ComputeRangeRaDec(const Vector3d& satellite, const Vector3d& observer, double& range, double& rightAscension,
                       double& declination) {
  const double dx = satellite.x - observer.x;
  const double dy = satellite.y - observer.y;
  const double dz = satellite.z - observer.z;
  range = std::sqrt(dx * dx + dy * dy + dz * dz);
  rightAscension = NormalizeAngle(std::atan2(dy, dx));
  declination = range > 0.0 ? std::asin(std::fmax(-1.0, std::fmin(1.0, dz / range))) : 0.0;
}
