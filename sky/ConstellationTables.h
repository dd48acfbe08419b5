#pragma once
// Constellation names and label places, constellation boundaries, figure
// strokes and proper names of bright stars: fixed tables of the program.
//
// Boundary points and figure points follow the public J2000 boundary and
// figure data; their tables are generated at build time, so their sizes are
// the counts below and every loop runs over them.
#include <cstdint>

struct ConstellationEntry {
  const char* abbreviation;
  const char* latinName;
  const char* englishName;
  double rightAscension;  // label: hours as stored, radians after start-up
  double declination;     // label: degrees as stored, radians after start-up
  double azimuth;
  double altitude;
};

struct StarName {
  int32_t bscNumber;
  const char* name;
};

struct BorderPoint {
  int32_t number;         // nothing reads it
  double rightAscension;  // hh.mm as stored (minutes as hundredths), radians after start-up
  double declination;     // dd.mm as stored, both parts with the value's sign
  double azimuth;
  double altitude;
};

struct BorderSegment {
  double rightAscension1;
  double rightAscension2;
  double declination1;
  double declination2;
  double altitude1;
  double altitude2;
  double azimuth1;
  double azimuth2;
};

struct FigurePoint {
  double rightAscension;  // J2000 radians
  double declination;
  int32_t penFlag;  // 0: a stroke starts here; 1: joined to the previous point
  double azimuth;
  double altitude;
};

constexpr int kConstellationCount = 88;
constexpr int kStarNameCount = 301;

extern ConstellationEntry g_constellations[kConstellationCount];
extern const StarName g_starNames[kStarNameCount];

extern BorderPoint g_borderPoints[];
extern const int g_borderPointCount;
extern const int16_t g_borderPointPairs[][2];
extern const int g_borderPairCount;
// One per pair of g_borderPointPairs, built at start-up.
extern BorderSegment g_borderSegments[];
extern FigurePoint g_figurePoints[];
extern const int g_figurePointCount;

// A stored hh.mm or dd.mm value as hours or degrees: the integer part plus
// the fraction read as minutes, both with the value's sign (5.56 -> 5.9333,
// -0.3 -> -0.5).
double HoursMinutesValue(double stored);
