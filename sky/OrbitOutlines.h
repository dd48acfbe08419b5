#pragma once
// Outlines of ten heliocentric orbits for drawing (Mercury to Neptune, Pluto,
// Sedna), and the Kepler ellipse of the small moons of the orbit table.
//
// The planets' outlines use the classical mean orbital elements referred to
// the mean equinox of date, as polynomials in Julian centuries from 1900.0
// (J. Meeus, Astronomical Formulae for Calculators, 1979 and later editions,
// table of planetary orbital elements); each outline is turned by an extra
// angle of its own about the ecliptic pole.

constexpr int kOrbitOutlineCount = 10;
constexpr int kOrbitOutlinePoints = 362;

// Sedna's elements as kept in its orbit slot (radians, AU).
struct OrbitOutlineElements {
  double ascendingNode;
  double argumentOfPeriapsis;
  double semiMajorAxis;
  double eccentricity;
  double inclination;
};

// Fills outlines[orbit][point][xyz] (scene frame, millions of km) for the
// Julian date, orbits in the order Mercury, Venus, Earth, Mars, Jupiter,
// Saturn, Uranus, Neptune, Pluto, Sedna.
void BuildOrbitOutlines(double julianDate, const OrbitOutlineElements& sedna,
                        float outlines[kOrbitOutlineCount][kOrbitOutlinePoints][3]);

// Kepler-ellipse offset of an orbit-table slot (orbit type 1): the slot's
// elements (mean motion rad/day, epoch JD, a AU, angles rad) at the Julian
// date; position in millions of km from the parent's centre.
void KeplerSlotOffset(double meanMotion, double epoch, double semiMajorAxis, double inclination,
                      double argumentOfPeriapsis, double ascendingNode, double meanAnomaly, double eccentricity,
                      double julianDate, double position[3]);
