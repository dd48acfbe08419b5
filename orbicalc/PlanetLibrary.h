#pragma once
// The call shape of the planet-computation library "Orbicalc": a separate
// shared object loaded at run time, with one C entry point. The element block
// is a fixed 136-byte little-endian record; the answer is a set of rows of 20
// doubles owned by the library, valid until its next call.
#include <cstddef>
#include <cstdint>
#include <cstring>

// Element block, exactly as it crosses the library boundary.
struct PlanetLibraryElements {
  uint8_t bytes[136];
};
static_assert(sizeof(PlanetLibraryElements) == 136, "element block is 136 bytes");

// One row of the answer.
struct PlanetLibraryResult {
  double entries[20];
};
static_assert(sizeof(PlanetLibraryResult) == 160, "result row is 20 doubles");

// Byte offsets of the element block's fields.
enum PlanetLibraryElementOffset : size_t {
  kElementFlag = 0,           // uint8, always 0
  kElementEpoch = 16,         // Julian date (a comet passes its perihelion time)
  kElementInclination = 24,   // degrees
  kElementNode = 32,          // longitude of the ascending node, degrees
  kElementPerihelion = 40,    // argument of perihelion, degrees
  kElementSemiMajorAxis = 48, // AU (perihelion distance when e >= 1)
  kElementMeanMotion = 56,    // degrees/day; 0 = derived from the semi-major axis
  kElementEccentricity = 64,
  kElementMeanAnomaly = 72,   // degrees at the epoch
  kElementEquinox = 80,       // Julian date of the equinox of the elements
  kElementMagnitude = 88,     // absolute magnitude H
  kElementInt104 = 104,       // int32, 0
  kElementDouble112 = 112,    // double, 0
};

// Little-endian accessors, byte by byte, independent of the host's order.
inline void SetElementDouble(PlanetLibraryElements& block, size_t offset, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  for (int i = 0; i < 8; ++i) block.bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}
inline double GetElementDouble(const PlanetLibraryElements& block, size_t offset) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(block.bytes[offset + i]) << (8 * i);
  double value;
  std::memcpy(&value, &bits, 8);
  return value;
}
inline void SetElementInt32(PlanetLibraryElements& block, size_t offset, int32_t value) {
  const uint32_t bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) block.bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

// The element block of an orbit: angles in radians (written in degrees),
// mean anomaly in degrees at the epoch, mean motion derived from the axis.
inline PlanetLibraryElements MakeOrbitElements(double epoch, double inclination, double node, double perihelion,
                                               double semiMajorAxis, double eccentricity, double meanAnomalyDegrees,
                                               double equinox, double absoluteMagnitude) {
  constexpr double kDegrees = 57.29577951308232;
  PlanetLibraryElements block{};
  block.bytes[kElementFlag] = 0;
  SetElementDouble(block, kElementEpoch, epoch);
  SetElementDouble(block, kElementInclination, inclination * kDegrees);
  SetElementDouble(block, kElementNode, node * kDegrees);
  SetElementDouble(block, kElementPerihelion, perihelion * kDegrees);
  SetElementDouble(block, kElementSemiMajorAxis, semiMajorAxis);
  SetElementDouble(block, kElementMeanMotion, 0.0);
  SetElementDouble(block, kElementEccentricity, eccentricity);
  SetElementDouble(block, kElementMeanAnomaly, meanAnomalyDegrees);
  SetElementDouble(block, kElementEquinox, equinox);
  SetElementDouble(block, kElementMagnitude, absoluteMagnitude);
  SetElementInt32(block, kElementInt104, 0);
  SetElementDouble(block, kElementDouble112, 0.0);
  return block;
}

// Result entries the callers read.
enum PlanetLibraryEntry {
  kEntryHelioLongitude = 0,   // rad (Sun's row: Sun's geocentric; Moon's row: Moon's geocentric)
  kEntryHelioLatitude = 1,    // rad (Moon's row: geocentric)
  kEntrySunDistance = 2,      // AU (Earth's row: Earth-Sun distance)
  kEntryEarthDistance = 3,    // AU
  kEntryApparentDiameter = 4, // arcseconds
  kEntryMagnitude = 5,
  kEntryIllumination = 6,     // 0..1
  kEntryJ2000RightAscension = 7,  // rad, geocentric, before precession
  kEntryJ2000Declination = 8,
  kEntryEclipticLongitude = 9,    // rad, geocentric, J2000 ecliptic
  kEntryEclipticLatitude = 10,
  kEntryAltitude = 11,        // degrees, refraction when pressure != 0
  kEntryAzimuth = 12,         // degrees from north through east
  kEntryRightAscension = 13,  // rad, apparent topocentric of date
  kEntryDeclination = 14,
  kEntryPhaseAngle = 15,      // rad (not read by the callers)
  kEntrySceneLongitude = 16,  // rad, heliocentric L of the scene position
  kEntrySceneLatitude = 17,   // rad
  kEntrySceneDistance = 18,   // AU
  kEntryDeltaT = 19,          // days, TT - UT of the instant (every row of mode 0)
};

// Modes of the entry point.
constexpr int kPlanetLibraryModeAllBodies = 0;   // rows 0..10: Sun, Mercury..Pluto, Moon
constexpr int kPlanetLibraryModeElements = 99;   // row 0: the body of the element block

// PlanetesCalcul(julianDate UT, longitude degrees positive west, latitude degrees,
// elevation m, temperature C, pressure hPa (0: no refraction), mode, elements).
extern "C" {
typedef PlanetLibraryResult* (*PlanetesCalculProc)(double julianDate, double longitudeDegrees,
                                                   double latitudeDegrees, double elevation, double temperature,
                                                   double pressure, int mode, PlanetLibraryElements elements);
}
