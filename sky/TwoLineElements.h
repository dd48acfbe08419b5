#pragma once
// NORAD two-line element sets: line checks, parsing, and the geometry that
// turns a geocentric satellite position into a topocentric direction.
#include "SatelliteModels.h"

// Size of one element-line buffer: a standard line has 69 characters; the
// buffer keeps up to 80 so that an over-long line can still be recognised
// and rejected instead of silently cut to a valid-looking one.
constexpr int kTleLineBufferSize = 81;
constexpr int kTleLineLength = 69;
// Pairs of element lines kept by the sky model, and how many of them belong
// to computed satellites.
constexpr int kTlePairCount = 22;
constexpr int kSatelliteCount = 10;

// One computed satellite: its pair of element lines, the name searched for in
// the satellites file, its orbit slot, its body number and the first date
// (Julian date) its position is computed for.
struct SatelliteSlot {
  int pair;
  const char* name;
  int orbitSlot;
  int body;
  double startDate;
};
extern const SatelliteSlot kSatelliteSlots[kSatelliteCount];
// Last date (exclusive) of any satellite position: 2100 January 1, 12 h UT.
constexpr double kSatelliteEndDate = 2488070.0;
// How far (days, either way) the shown instant may lie from an element set's
// epoch for the set to place its satellite. The ten satellites are low orbits
// (350 to 870 km), where SGP4's along-track error starts near 1 km and grows
// with the square of the set's age, because the drag of the coming weeks
// (solar activity, the station's reboosts) is not in the set: some 100 to
// 200 km after ten days for the ISS, of the order of 2000 km after a month,
// that is minutes off its pass and tens of degrees off on the sky. Past a
// month the place means nothing for the most drag-bound of them, and fresh
// sets are published every day, so a month-old set is stale in any case.
constexpr double kElementSetValidityDays = 30.0;

// The built-in element sets, 22 pairs (line 1, line 2).
extern const char* const kBuiltInTleLines[2 * kTlePairCount];

// 0 for a valid line; 1 to 9 when the checksum digit (column 69) is off by
// that amount modulo 10; -1 when the line does not begin with '1' or '2'
// followed by a blank; -2 for a character outside ' '..'z' in the first 68;
// -3 when the line goes on past column 69.
int CheckTleLine(const char* line);

// An implied-point field of eight characters (sign, five digits, exponent
// sign, exponent digit): +-0.ddddd x 10^+-e; 0 when the second character is a blank.
double ParseTleExponentField(const char* field);

// Parses a pair. Negative results reject the pair and leave `out` unchanged:
// -104 when the lines are not numbered 1 and 2, otherwise the negative
// CheckTleLine result - 100. A non-negative result accepts the pair; bit 0
// (line 1) and bit 1 (line 2) flag a checksum digit that does not match.
int ParseTwoLineElements(const char* line1, const char* line2, SatelliteElements& out);

// Orbits of this period or longer (minutes) need the deep-space models.
constexpr double kDeepSpacePeriodMinutes = 225.0;
// Whether the period from the recovered mean motion is kDeepSpacePeriodMinutes or more.
bool IsDeepSpaceOrbit(const SatelliteElements& el);

// The orbit model of an element set: its ephemeris type (column 63 of line 1)
// picks the family, '4' or '5' the SGP8 one and anything else the SGP4 one;
// the period picks the near-Earth model (SGP4, SGP8) or its deep-space
// companion (SDP4, SDP8).
int ChooseSatelliteModel(const char* line1, const SatelliteElements& el);

// Selects and runs a model (1 SGP, 2 SGP4, 3 SGP8, 4 SDP4, 5 SDP8):
// initialisation, then propagation to `minutes` after the epoch. Position in
// km, velocity in km/min; false (and zeros) when the orbit is rejected, the
// elements cannot start a model (mean motion not positive, eccentricity
// outside [0, 1)), the time is more than 1e8 minutes (190 years) from the
// epoch, or the model number is unknown.
bool PropagateSatelliteModel(int model, double minutes, const SatelliteElements& el, SatelliteModelState& st,
                             Vector3d& position, Vector3d& velocity);

// Observer's geocentric coordinates (Earth radii) from the geodetic latitude
// (rad) and the height (m).
void GeodeticToGeocentric(double latitude, double height, double& rhoSinPhi, double& rhoCosPhi);
// Observer's position (km) in the frame of the element sets.
void ComputeObserverPosition(double julianDate, double eastLongitude, double rhoCosPhi, double rhoSinPhi,
                             Vector3d& out);
// Greenwich mean sidereal time (IAU 1982), radians in [0, 2pi).
double GreenwichSiderealTime(double julianDate);
// Range (km), right ascension in [0, 2pi) and declination of the satellite
// seen from the observer.
void ComputeRangeRaDec(const Vector3d& satellite, const Vector3d& observer, double& range, double& rightAscension,
                       double& declination);
