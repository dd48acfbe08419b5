#pragma once
// Two-body helpers for the trajectory generator: heliocentric positions in
// AU and days, J2000 ecliptic frame, with the Gaussian gravitational constant.

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(double k, Vec3 a) { return {k * a.x, k * a.y, k * a.z}; }
double Dot(Vec3 a, Vec3 b);
Vec3 Cross(Vec3 a, Vec3 b);
double Norm(Vec3 a);

// k^2, AU^3 / day^2.
constexpr double kMuSun = 0.01720209895 * 0.01720209895;
constexpr double kKmPerAu = 149597870.691;

// Position after dt days on the conic through (r0, v0): universal variables,
// any eccentricity.
Vec3 PropagateKepler(Vec3 r0, Vec3 v0, double dt, Vec3* v = nullptr);

// Lambert's problem: the prograde conics from r1 to r2 in tof days with
// revolutions 0..maxRevolutions (both branches when revolutions > 0).
// Returns the number of solutions written to v1s/v2s (room for 2*maxRev+1).
// shortWay: the transfer angle below 180 degrees instead of prograde motion.
int SolveLambert(Vec3 r1, Vec3 r2, double tof, int maxRevolutions, Vec3* v1s, Vec3* v2s, bool shortWay = false);

// Position on the ellipse of classical elements (angles in degrees, J2000
// ecliptic): a (AU), e, i, node, argument of perihelion, mean anomaly at the
// epoch (or, with perihelionTime set, time of perihelion and q in place of a).
Vec3 EllipsePosition(double a, double e, double i, double node, double peri, double meanAnomalyAtEpoch, double epoch,
                     double jd);
