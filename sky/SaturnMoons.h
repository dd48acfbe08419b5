#pragma once
// Nine moons of Saturn: Mimas, Enceladus, Tethys, Dione, Rhea, Titan,
// Hyperion and Iapetus by the method of J. Meeus, Astronomical Algorithms,
// 2nd edition (1998), chapter 46 "Positions of the Satellites of Saturn"
// (after G. Dourneau's theory, 1987; Meeus gives it as accurate enough for
// the apparent configurations, a few hundredths of a Saturn radius for the
// inner moons); Phoebe by mean elements of its own through the same
// eccentric-orbit routine. Angles in degrees, as in the published method.

struct SaturnMoonTimes {
  double t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11;
  double W0, W1, W2, W3, W4, W5, W6, W7, W8;
};
SaturnMoonTimes SaturnMoonTimeArguments(double julianDate);

// The published auxiliary routine for the eccentric orbits: from the
// semi-major axis a (Saturn radii), eccentricity e, inclination i and node
// Omega (degrees, to the ecliptic of 1950), mean anomaly M and mean
// longitude lambda0 (degrees), the longitude lambda, latitude gamma and node
// (degrees, referred to Saturn's ring plane) and the radius r.
void SaturnMoonEccentricOrbit(double a, double e, double i, double node, double M, double lambda0, double& lambda,
                              double& gamma, double& nodeOut, double& r);

// Saturn's equatorial radius of the method, km, and the equinox (Julian
// date, B1950.0) its ecliptic coordinates refer to.
constexpr double kSaturnRadiusKm = 60330.0;
constexpr double kSaturnMoonEquinox = 2433282.4235;

// From lambda, gamma, Omega (degrees) and r (Saturn radii): the published
// Saturn-centred rectangular coordinates in the ecliptic and equinox of
// 1950 (Saturn radii), through Saturn's equator of the method.
void SaturnMoonEcliptic1950(double lambda, double gamma, double node, double r, double out[3]);

// The same place as an offset from Saturn's centre, millions of km, in the
// scene frame (mean ecliptic and equinox of J2000; x towards ecliptic
// longitude 90 degrees, y towards the equinox, z towards the ecliptic's pole).
void SaturnMoonOffset(double lambda, double gamma, double node, double r, double& x, double& y, double& z);

// The published X, Y, Z (Saturn radii), referred to Saturn's equator.
void SaturnMoonRectangular(double lambda, double gamma, double node, double r, double& X, double& Y, double& Z);

// Moon index of the routines below.
enum SaturnMoon {
  kMimas = 0,
  kEnceladus,
  kTethys,
  kDione,
  kRhea,
  kTitan,
  kHyperion,
  kIapetus,
  kPhoebe,
};
// lambda, gamma, Omega (degrees) and r (Saturn radii) of a moon at a Julian date.
void SaturnMoonElements(int moon, double julianDate, double& lambda, double& gamma, double& node, double& r);
// The moon's offset from Saturn's centre, millions of km.
void SaturnMoonOffsetAt(int moon, double julianDate, double& x, double& y, double& z);
