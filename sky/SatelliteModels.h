#pragma once
// NORAD orbit models of artificial satellites, after "Spacetrack Report No. 3,
// Models for Propagation of NORAD Element Sets" (F. R. Hoots and R. L.
// Roehrich, December 1980): SGP, SGP4, SDP4, SGP8 and SDP8, with the report's
// constants, equations and order. Each model is an initialisation that turns
// the parsed elements into a state block and a propagation to a time since
// the epoch. Positions are in km and velocities in km per minute, in the
// frame of the element sets (true equator, mean equinox of the epoch).
//
// Where we depart from the report (each is repeated at its place):
// - every mean angle is reduced to [0, 2pi) as NormalizeAngle does;
// - a propagation that leaves the models' domain (a decayed orbit, an
//   eccentricity of 1 or more, a non-positive semi-major axis or perigee
//   distance, a result that is not finite) returns false with a zero
//   position and velocity instead of a meaningless position;
// - the deep-space initialisation takes the Greenwich sidereal time of the
//   epoch from GreenwichSiderealTime;
// - the resonance integration divides the interval into equal steps of at
//   most 720 minutes instead of fixed steps and a final partial step.
#include "SkyMath.h"

// ---- Constants of the models (Earth radii ae = 1, minutes) -------------------
constexpr double kSatXke = 0.07436691613317341;     // sqrt(GM), Earth radii^1.5 per minute
constexpr double kSatCk2 = 0.0005413079;            // J2 / 2
constexpr double kSatJ2 = 0.0010826158;
constexpr double kSatCk4 = 0.62098875e-6;           // -3/8 J4
constexpr double kSatJ3 = -0.253881e-5;
constexpr double kSatA3ovk2 = 0.004690140306468833;  // -J3 / ck2
constexpr double kSatQoms2t = 1.880279159015271e-9;  // (q0 - s)^4
constexpr double kSatS = 1.0122292801892716;         // 1 + 78 km / xkmper
constexpr double kSatXkmper = 6378.135;              // Earth radius of the models, km
constexpr double kSatRho = 0.15696615;               // SGP8 reference density term
constexpr double kSatMinutesPerDay = 1440.0;

// ---- Parsed two-line elements ----------------------------------------------
struct SatelliteElements {
  double epoch = 0.0;                       // Julian date
  double meanMotionDerivative = 0.0;        // first derivative / 2, rad/min^2
  double meanMotionSecondDerivative = 0.0;  // second derivative / 6, rad/min^3
  double bstar = 0.0;                       // drag term, 1/Earth radii
  double inclination = 0.0;                 // rad
  double ascendingNode = 0.0;               // rad
  double eccentricity = 0.0;
  double argumentOfPerigee = 0.0;           // rad
  double meanAnomaly = 0.0;                 // rad
  double meanMotion = 0.0;                  // rad/min
};

// ---- Lunar-solar and resonance terms of the deep-space models -----------------
struct DeepSpaceState {
  double greenwichSiderealTime = 0.0;  // at the epoch, rad
  double xnq = 0.0, xqncl = 0.0, omegaq = 0.0, sinq = 0.0, cosq = 0.0;
  double siniq = 0.0, cosiq = 0.0, omgdt = 0.0;
  double zmol = 0.0, zmos = 0.0;
  // secular rates
  double sse = 0.0, ssi = 0.0, ssl = 0.0, ssg = 0.0, ssh = 0.0;
  // solar periodic amplitudes
  double se2 = 0.0, se3 = 0.0, si2 = 0.0, si3 = 0.0, sl2 = 0.0, sl3 = 0.0, sl4 = 0.0;
  double sgh2 = 0.0, sgh3 = 0.0, sgh4 = 0.0, sh2 = 0.0, sh3 = 0.0;
  // lunar periodic amplitudes
  double ee2 = 0.0, e3 = 0.0, xi2 = 0.0, xi3 = 0.0, xl2 = 0.0, xl3 = 0.0, xl4 = 0.0;
  double xgh2 = 0.0, xgh3 = 0.0, xgh4 = 0.0, xh2 = 0.0, xh3 = 0.0;
  // last periodic evaluation (recomputed when the time moves by 30 min or more)
  double savedTime = 1e20;
  double pe = 0.0, pinc = 0.0, pl = 0.0, pgh = 0.0, ph = 0.0;
  // resonance
  bool resonant = false;
  bool synchronous = false;
  double d2201 = 0.0, d2211 = 0.0, d3210 = 0.0, d3222 = 0.0, d4410 = 0.0, d4422 = 0.0;
  double d5220 = 0.0, d5232 = 0.0, d5421 = 0.0, d5433 = 0.0;
  double del1 = 0.0, del2 = 0.0, del3 = 0.0;
  double xlamo = 0.0, xfact = 0.0;
  // integrator: time, mean motion and mean longitude at the last point
  double atime = 0.0, xni = 0.0, xli = 0.0;
};

// ---- State block of a model ------------------------------------------------------
struct SatelliteModelState {
  // recovered mean motion and semi-major axis, and epoch quantities
  double xnodp = 0.0, aodp = 0.0;
  double cosio = 0.0, sinio = 0.0, theta2 = 0.0, eosq = 0.0, betao = 0.0, betao2 = 0.0;
  double x3thm1 = 0.0, x1mth2 = 0.0, x7thm1 = 0.0;
  double xmdot = 0.0, omgdot = 0.0, xnodot = 0.0;
  // SGP4 / SDP4 drag and secular coefficients
  double eta = 0.0, c1 = 0.0, c4 = 0.0, c5 = 0.0, d2 = 0.0, d3 = 0.0, d4 = 0.0;
  double omgcof = 0.0, xmcof = 0.0, xnodcf = 0.0, t2cof = 0.0, t3cof = 0.0, t4cof = 0.0, t5cof = 0.0;
  double xlcof = 0.0, aycof = 0.0, delmo = 0.0, sinmo = 0.0;
  bool simpleMode = false;  // SGP4: perigee below 220 km; SGP8: negligible drag
  // SGP
  double sgpAo = 0.0, sgpQo = 0.0, sgpXlo = 0.0, sgpD1o = 0.0, sgpD2o = 0.0, sgpD3o = 0.0, sgpD4o = 0.0;
  double sgpC5 = 0.0, sgpC6 = 0.0;
  // SGP8 / SDP8
  double tthmun = 0.0, unm5th = 0.0, unmth2 = 0.0, sini2 = 0.0, cosi2 = 0.0;
  double xmdt1 = 0.0, xgdt1 = 0.0, xhdt1 = 0.0, xndt = 0.0, edot = 0.0;
  double pp = 0.0, qq = 0.0, gamma = 0.0, xnd = 0.0, ed = 0.0, ovgpp = 0.0;
  DeepSpaceState deep;
};

// Mean elements handed from the secular part of SGP4/SDP4 to the final step.
struct SatelliteMeanElements {
  double a = 0.0;            // semi-major axis, Earth radii
  double e = 0.0;            // eccentricity
  double inclination = 0.0;  // rad
  double omega = 0.0;        // argument of perigee, rad
  double node = 0.0;         // ascending node, rad
  double meanLongitude = 0.0;  // M + omega + node, rad
};

// Model numbers (the report's ephemeris types).
enum SatelliteModel { kModelSgp = 1, kModelSgp4 = 2, kModelSgp8 = 3, kModelSdp4 = 4, kModelSdp8 = 5 };

// Every propagation returns true with the position (km) and velocity
// (km/min), or false with both zero when the orbit is rejected.
void InitSgp(const SatelliteElements& el, SatelliteModelState& st);
bool PropagateSgp(double minutes, const SatelliteElements& el, const SatelliteModelState& st, Vector3d& position,
                  Vector3d& velocity);

void InitSgp4Common(const SatelliteElements& el, SatelliteModelState& st);
void InitSgp4(const SatelliteElements& el, SatelliteModelState& st);
bool PropagateSgp4(double minutes, const SatelliteElements& el, const SatelliteModelState& st, Vector3d& position,
                   Vector3d& velocity);
// Long-period periodics, Kepler's equation, short-period periodics and
// orientation, shared by SGP4 and SDP4.
bool ComputeOrbitPositionVelocity(const SatelliteMeanElements& mean, const SatelliteModelState& st,
                                  Vector3d& position, Vector3d& velocity);

void InitSgp8(const SatelliteElements& el, SatelliteModelState& st);
bool PropagateSgp8(double minutes, const SatelliteElements& el, const SatelliteModelState& st, Vector3d& position,
                   Vector3d& velocity);

// The deep-space models keep the lunar-solar periodics and the resonance
// integration between calls, so their propagation updates the state.
void InitSdp4(const SatelliteElements& el, SatelliteModelState& st);
bool PropagateSdp4(double minutes, const SatelliteElements& el, SatelliteModelState& st, Vector3d& position,
                   Vector3d& velocity);
void InitSdp8(const SatelliteElements& el, SatelliteModelState& st);
bool PropagateSdp8(double minutes, const SatelliteElements& el, SatelliteModelState& st, Vector3d& position,
                   Vector3d& velocity);

// Deep-space routine: initialisation from the elements and the near-Earth
// quantities already in the state (xnodp, aodp, cosio, sinio, theta2, eosq,
// betao, betao2, xmdot, omgdot, xnodot).
void InitDeepSpace(const SatelliteElements& el, SatelliteModelState& st);
// Secular lunar-solar effects and resonance: updates the mean anomaly,
// argument of perigee and node, and sets the eccentricity, inclination and
// mean motion.
void ApplyDeepSpaceSecular(double minutes, const SatelliteElements& el, SatelliteModelState& st, double& meanAnomaly,
                           double& omega, double& node, double& e, double& inclination, double& meanMotion);
// Long-period lunar-solar periodics.
void ApplyDeepSpacePeriodic(double minutes, SatelliteModelState& st, double& e, double& inclination, double& omega,
                            double& node, double& meanAnomaly);
