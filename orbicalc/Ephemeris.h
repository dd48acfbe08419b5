#pragma once
// The planet library's own computation, usable without loading the shared
// object (tests and benchmarks link it directly).
//
// Frames: vectors are handled in the mean equator and equinox of J2000 (FK5;
// the theories give the J2000 ecliptic). The scene frame of the callers is
// the J2000 ecliptic: entries 0, 1, 9, 10, 16 and 17 are J2000 ecliptic
// coordinates (9 and 10 the astrometric geocentric place, light time
// included), 7 and 8 the astrometric J2000 right ascension and declination;
// only 13 and 14 are apparent places of date (light time, light deflection,
// annual and diurnal aberration, IAU 2006/2000A precession-nutation,
// parallax), from which the horizontal coordinates 11 and 12 come.
#include "PlanetLibrary.h"

#include <vector>

namespace orbicalc {

struct Site {
  double westLongitudeDegrees = 0.0;
  double latitudeDegrees = 0.0;
  double elevation = 0.0;      // metres
  double temperature = 10.0;   // degrees C
  double pressure = 0.0;       // hPa; 0 = no refraction
};

// Orbital elements as decoded from the element block.
struct OrbitElements {
  double epoch = 2451545.0;      // JD (TT); perihelion time for a comet
  double inclination = 0.0;      // degrees
  double node = 0.0;             // degrees
  double perihelion = 0.0;       // argument of perihelion, degrees
  double semiMajorAxis = 1.0;    // AU; perihelion distance when e >= 1
  double meanMotion = 0.0;       // degrees/day, 0 = derived
  double eccentricity = 0.0;
  double meanAnomaly = 0.0;      // degrees at the epoch
  double equinox = 2451545.0;    // JD
  double absoluteMagnitude = 0.0;
};

OrbitElements DecodeElements(const PlanetLibraryElements& block);

// TT - UT in seconds for a Julian date (UT), from the observed record
// (generated table), the long-term parabola outside it.
double DeltaTSeconds(double julianDateUT);
// Julian date of the last observed value.
double DeltaTRecordEnd();
// Julian dates where one part of the Delta T model hands over to the next.
std::vector<double> DeltaTJoins();

// Heliocentric ecliptic longitude, latitude (radians) and radius vector (AU)
// of planet 1..8 (Mercury..Neptune, 3 the Earth) from the complete VSOP87
// series: ecliptic and equinox J2000, dynamical time jde.
void Vsop87Heliocentric(int planet, double jde, double lbr[3]);

// Rows 0..10 for the Sun, Mercury..Pluto and the Moon.
void ComputeAllBodies(double julianDateUT, const Site& site, PlanetLibraryResult rows[11]);
// The same with dynamical time given rather than derived from the Delta T
// model (comparisons with other ephemerides at their own TT).
void ComputeAllBodiesAt(double julianDateUT, double julianDateTT, const Site& site, PlanetLibraryResult rows[11]);

// Row of a body given by heliocentric elements (ecliptic of the given equinox).
void ComputeFromElements(double julianDateUT, const Site& site, const OrbitElements& elements,
                         PlanetLibraryResult& row);

// Heliocentric position (AU) in the ecliptic frame of the elements' equinox at
// dynamical time jde; exposed for tests of the orbit solution.
void HeliocentricFromElements(const OrbitElements& elements, double jde, double& x, double& y, double& z);

}  // namespace orbicalc
