#pragma once
// The five large moons of Uranus (0 Miranda, 1 Ariel, 2 Umbriel, 3 Titania,
// 4 Oberon) from a truncation of GUST86: L. Laskar and R. A. Jacobson,
// "GUST86 - An analytical ephemeris of the Uranian satellites", Astronomy &
// Astrophysics 188, 212-224 (1987). Kept: the mean motions, the mean
// longitudes at JD 2444239.5 and the leading periodic terms of the mean
// longitude, of z = k + i h and of zeta = q + i p, each with the phase and
// frequency of its argument in the theory. The terms left out amount to at
// most about 100 km for Miranda, 300 km for Ariel, 500 km for Umbriel and
// 1500 km for Titania and Oberon (sums of the omitted amplitudes).

// Elements of moon 0..4 at the Julian date: mean longitude lambda (rad),
// eccentricity e, longitude of periapsis varpi (rad), inclination i (rad)
// and node Omega (rad), all to Uranus's equator; a in km.
struct UranusMoonElements {
  double a, lambda, e, varpi, i, node;
};
UranusMoonElements UranusMoonElementsAt(int moon, double julianDate);

// Uranus-centred position of the moon (km) in the theory's frame: z along
// the pole of Uranus's equator the moons turn about, x along the ascending
// node of that equator on the Earth's equator of 1950.
void UranusMoonInTheoryFrame(int moon, double julianDate, double out[3]);
// That pole as a unit vector of the J2000 ecliptic (x towards the equinox).
void UranusMoonPole(double out[3]);

// Uranus-centred offset of the moon, millions of km, in the scene frame
// (mean ecliptic and equinox of J2000; x towards ecliptic longitude 90
// degrees, y towards the equinox, z towards the ecliptic's north pole).
// Moons outside 0..4 give (0, 0, 0).
void UranusMoonOffset(int moon, double julianDate, double& x, double& y, double& z);
