#pragma once
// The four large moons of Jupiter (Io, Europa, Ganymede, Callisto) and the
// central meridian of Jupiter's disc.
//
// Theory: J. Meeus, Astronomical Algorithms, 2nd edition (1998), chapter 44
// "Positions of the Satellites of Jupiter", the higher-accuracy method built
// on the E5 theory of J. H. Lieske (Astronomy & Astrophysics 176, 1987).
// Meeus states that method good to a few hundredths of a Jupiter radius in
// the apparent positions.

// Arguments of the theory for t days of dynamical time (TT) after JD 2443000.5.
// Angles in radians.
struct GalileanArguments {
  double l[4];      // mean longitudes l1..l4
  double pi[4];     // perijove longitudes
  double omega[4];  // node longitudes
  double gamma;     // great-inequality term
  double phiLambda;
  double psi;       // node of Jupiter's equator on the ecliptic
  double g;         // mean anomaly of Jupiter (G)
  double gPrime;    // mean anomaly of Saturn (G')
};
GalileanArguments GalileanMoonArguments(double t);

// Jupiter-centred longitude L (radians, equinox of 1950 as in the theory,
// before the precession to the date), latitude B (radians) and radius
// (Jupiter radii) of moon k (0 Io .. 3 Callisto) at the Julian date jd.
// perihelionLongitude is Jupiter's longitude of perihelion used by the terms
// in 2 Pi: the published value is 13.469942 degrees; the planetarium passes 0.
void GalileanMoonCoordinates(int k, double jd, double perihelionLongitude, double& longitude, double& latitude,
                             double& radiusInJupiterRadii);

// Jupiter's equatorial radius of the theory, km.
constexpr double kJupiterRadiusKm = 71398.0;

// Jupiter-centred position of moon k (Jupiter radii) in the mean ecliptic and
// equinox of the date: the theory's own reduction (the longitudes precessed
// from 1950, then Jupiter's equator and orbit as the theory gives them).
void GalileanMoonEclipticOfDate(int k, double jd, double perihelionLongitude, double out[3]);
// Jupiter's north pole of the theory as a unit vector of the same frame.
void GalileanPoleEclipticOfDate(double jd, double out[3]);

// Offset of moon k from Jupiter's centre, millions of km, in the scene frame
// (mean ecliptic and equinox of J2000; x towards ecliptic longitude 90
// degrees, y towards the equinox, z towards the ecliptic's north pole).
void GalileanMoonOffset(int k, double jd, double& x, double& y, double& z);

// Angle in radians by which Jupiter's texture is turned: the System II
// central meridian seen from the Earth, negated and less 0.47.
double JupiterCentralMeridianAt(double jd);
