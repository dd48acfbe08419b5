// SGP8 and SDP8, "Spacetrack Report No. 3, Models for Propagation of NORAD
// Element Sets" (Hoots and Roehrich, 1980), the SGP8 and SDP8 models and
// their FORTRAN routines: the near-Earth model with drag expressed through
// the mean motion and eccentricity rates, and its deep-space companion.
#include <cmath>

#include "SatelliteModelsInternal.h"

namespace {

constexpr double kTwoThirds = 2.0 / 3.0;
constexpr double kE6a = 1e-6;

// Gravity terms shared by SGP8 and SDP8: recovered mean motion and
// semi-major axis, secular rates of M, omega and the node, and the drag
// coefficients up to the first derivative of the mean motion.
struct Sgp8Drag {
  double tsi, eta, eta2, psim2, alpha2, eeta, cos2g, sing, cosg, d1, d2, d3, d4, d5, b1, b2, b3, c0, c1, c4, c5;
};

Sgp8Drag InitSgp8Common(const SatelliteElements& el, SatelliteModelState& st) {
  st = SatelliteModelState{};
  const double eo = el.eccentricity;
  const double b = 2.0 * el.bstar / kSatRho;
  const double a1 = std::pow(kSatXke / el.meanMotion, kTwoThirds);
  st.cosio = std::cos(el.inclination);
  st.theta2 = st.cosio * st.cosio;
  st.tthmun = 3.0 * st.theta2 - 1.0;
  st.eosq = eo * eo;
  st.betao2 = 1.0 - st.eosq;
  st.betao = std::sqrt(st.betao2);
  const double del1 = 1.5 * kSatCk2 * st.tthmun / (a1 * a1 * st.betao * st.betao2);
  const double ao = a1 * (1.0 - del1 * (0.5 * kTwoThirds + del1 * (1.0 + 134.0 / 81.0 * del1)));
  const double delo = 1.5 * kSatCk2 * st.tthmun / (ao * ao * st.betao * st.betao2);
  st.aodp = ao / (1.0 - delo);
  st.xnodp = el.meanMotion / (1.0 + delo);

  const double po = st.aodp * st.betao2;
  const double pom2 = 1.0 / (po * po);
  st.sinio = std::sin(el.inclination);
  Sgp8Drag g{};
  g.sing = std::sin(el.argumentOfPerigee);
  g.cosg = std::cos(el.argumentOfPerigee);
  st.sini2 = std::sin(0.5 * el.inclination);
  st.cosi2 = std::cos(0.5 * el.inclination);
  const double theta4 = st.theta2 * st.theta2;
  st.unm5th = 1.0 - 5.0 * st.theta2;
  st.unmth2 = 1.0 - st.theta2;
  const double pardt1 = 3.0 * kSatCk2 * pom2 * st.xnodp;
  const double pardt2 = pardt1 * kSatCk2 * pom2;
  const double pardt4 = 1.25 * kSatCk4 * pom2 * pom2 * st.xnodp;
  st.xmdt1 = 0.5 * pardt1 * st.betao * st.tthmun;
  st.xgdt1 = -0.5 * pardt1 * st.unm5th;
  st.xhdt1 = -pardt1 * st.cosio;
  st.xmdot = st.xnodp + st.xmdt1 + 0.0625 * pardt2 * st.betao * (13.0 - 78.0 * st.theta2 + 137.0 * theta4);
  st.omgdot = st.xgdt1 + 0.0625 * pardt2 * (7.0 - 114.0 * st.theta2 + 395.0 * theta4) +
              pardt4 * (3.0 - 36.0 * st.theta2 + 49.0 * theta4);
  st.xnodot = st.xhdt1 + (0.5 * pardt2 * (4.0 - 19.0 * st.theta2) + 2.0 * pardt4 * (3.0 - 7.0 * st.theta2)) * st.cosio;

  g.tsi = 1.0 / (po - kSatS);
  g.eta = eo * kSatS * g.tsi;
  g.eta2 = g.eta * g.eta;
  g.psim2 = std::fabs(1.0 / (1.0 - g.eta2));
  g.alpha2 = 1.0 + st.eosq;
  g.eeta = eo * g.eta;
  g.cos2g = 2.0 * g.cosg * g.cosg - 1.0;
  g.d5 = g.tsi * g.psim2;
  g.d1 = g.d5 / po;
  g.d2 = 12.0 + g.eta2 * (36.0 + 4.5 * g.eta2);
  g.d3 = g.eta2 * (15.0 + 2.5 * g.eta2);
  g.d4 = g.eta * (5.0 + 3.75 * g.eta2);
  g.b1 = kSatCk2 * st.tthmun;
  g.b2 = -kSatCk2 * st.unmth2;
  g.b3 = kSatA3ovk2 * st.sinio;
  g.c0 = 0.5 * b * kSatRho * kSatQoms2t * st.xnodp * st.aodp * std::pow(g.tsi, 4.0) * std::pow(g.psim2, 3.5) /
         std::sqrt(g.alpha2);
  g.c1 = 1.5 * st.xnodp * g.alpha2 * g.alpha2 * g.c0;
  g.c4 = g.d1 * g.d3 * g.b2;
  g.c5 = g.d5 * g.d4 * g.b3;
  st.xndt = g.c1 * ((2.0 + g.eta2 * (3.0 + 34.0 * st.eosq) + 5.0 * g.eeta * (4.0 + g.eta2) + 8.5 * st.eosq) +
                    g.d1 * g.d2 * g.b1 + g.c4 * g.cos2g + g.c5 * g.sing);
  return g;
}

// Short-period periodics and orientation of SGP8 and SDP8 (routine SGP8,
// from "short period preliminary quantities"). `sini2` is the sine of half
// the inclination in use.
bool Sgp8PositionVelocity(const SatelliteModelState& st, double xn, double em, double omgasm, double xnodes,
                          double xmam, double sini2, Vector3d& position, Vector3d& velocity) {
  if (!(xn > 0.0) || !(em < 1.0) || !(em > -1.0)) return RejectSatelliteOrbit(0.0, em, position, velocity);
  xmam = NormalizeAngle(xmam);
  omgasm = NormalizeAngle(omgasm);
  xnodes = NormalizeAngle(xnodes);

  // Kepler's equation.
  double zc2 = xmam + em * std::sin(xmam) * (1.0 + em * std::cos(xmam));
  double sine = 0.0, cose = 0.0, zc5 = 0.0;
  for (int i = 0; i < 10; ++i) {
    sine = std::sin(zc2);
    cose = std::cos(zc2);
    zc5 = 1.0 / (1.0 - em * cose);
    const double cape = (xmam + em * sine - zc2) * zc5 + zc2;
    if (std::fabs(cape - zc2) <= kE6a) break;
    zc2 = cape;
  }

  // Short-period preliminary quantities.
  const double am = std::pow(kSatXke / xn, kTwoThirds);
  const double beta2m = 1.0 - em * em;
  const double sinos = std::sin(omgasm);
  const double cosos = std::cos(omgasm);
  const double axnm = em * cosos;
  const double aynm = em * sinos;
  const double pm = am * beta2m;
  if (!(am > kSatDecayRadius) || !(pm > 0.0)) return RejectSatelliteOrbit(am, em, position, velocity);
  const double g1 = 1.0 / pm;
  const double g2 = 0.5 * kSatCk2 * g1;
  const double g3 = g2 * g1;
  const double beta = std::sqrt(beta2m);
  const double g4 = 0.25 * kSatA3ovk2 * st.sinio;
  const double g5 = 0.25 * kSatA3ovk2 * g1;
  const double snf = beta * sine * zc5;
  const double csf = (cose - em) * zc5;
  const double fm = NormalizeAngle(std::atan2(snf, csf));
  const double snfg = snf * cosos + csf * sinos;
  const double csfg = csf * cosos - snf * sinos;
  const double sn2f2g = 2.0 * snfg * csfg;
  const double cs2f2g = 2.0 * csfg * csfg - 1.0;
  const double ecosf = em * csf;
  const double g10 = fm - xmam + em * snf;
  const double rm = pm / (1.0 + ecosf);
  const double aovr = am / rm;
  const double g13 = xn * aovr;
  const double g14 = -g13 * aovr;
  const double dr = g2 * (st.unmth2 * cs2f2g - 3.0 * st.tthmun) - g4 * snfg;
  const double diwc = 3.0 * g3 * st.sinio * cs2f2g - g5 * aynm;
  const double di = diwc * st.cosio;

  // Short-period periodics.
  const double sni2du =
      sini2 * (g3 * (0.5 * (1.0 - 7.0 * st.theta2) * sn2f2g - 3.0 * st.unm5th * g10) -
               g5 * st.sinio * csfg * (2.0 + ecosf)) -
      0.5 * g5 * st.theta2 * axnm / st.cosi2;
  const double xlamb = fm + omgasm + xnodes +
                       g3 * (0.5 * (1.0 + 6.0 * st.cosio - 7.0 * st.theta2) * sn2f2g -
                             3.0 * (st.unm5th + 2.0 * st.cosio) * g10) +
                       g5 * st.sinio * (st.cosio * axnm / (1.0 + st.cosio) - (2.0 + ecosf) * csfg);
  const double y4 = sini2 * snfg + csfg * sni2du + 0.5 * snfg * st.cosi2 * di;
  const double y5 = sini2 * csfg - snfg * sni2du + 0.5 * csfg * st.cosi2 * di;
  const double r = rm + dr;
  const double rdot = xn * am * em * snf / beta + g14 * (2.0 * g2 * st.unmth2 * sn2f2g + g4 * csfg);
  const double rvdot = xn * am * am * beta / rm + g14 * dr + am * g13 * st.sinio * diwc;
  const double yy = 1.0 - y4 * y4 - y5 * y5;
  if (!(yy >= 0.0)) return RejectSatelliteOrbit(am, em, position, velocity);

  // Orientation vectors.
  const double snlamb = std::sin(xlamb);
  const double cslamb = std::cos(xlamb);
  double temp = 2.0 * (y5 * snlamb - y4 * cslamb);
  Vector3d u, v;
  u.x = y4 * temp + cslamb;
  v.x = y5 * temp - snlamb;
  temp = 2.0 * (y5 * cslamb + y4 * snlamb);
  u.y = -y4 * temp + snlamb;
  v.y = -y5 * temp + cslamb;
  temp = 2.0 * std::sqrt(yy);
  u.z = y4 * temp;
  v.z = y5 * temp;
  StoreSatelliteState(r, rdot, rvdot, u, v, position, velocity);
  if (!IsFiniteState(position, velocity) || r < kSatDecayRadius) return RejectSatelliteOrbit(am, em, position, velocity);
  return true;
}

}  // namespace

void InitSgp8(const SatelliteElements& el, SatelliteModelState& st) {
  const Sgp8Drag g = InitSgp8Common(el, st);
  const double eo = el.eccentricity;
  const double xndtn = st.xndt / st.xnodp;
  const double eosq = st.eosq;
  const double betao2 = st.betao2;
  const double xgdt1 = st.xgdt1;
  const double eta = g.eta, eta2 = g.eta2, eeta = g.eeta, psim2 = g.psim2, alpha2 = g.alpha2;
  const double d1 = g.d1, d2 = g.d2, d3 = g.d3, d4 = g.d4, d5 = g.d5, b1 = g.b1, b2 = g.b2, b3 = g.b3;
  const double c0 = g.c0, c1 = g.c1, c4 = g.c4, c5 = g.c5, cos2g = g.cos2g, sing = g.sing, cosg = g.cosg;

  // Negligible drag: linear mean motion and quadratic mean anomaly.
  if (std::fabs(xndtn * kSatMinutesPerDay) < 2.16e-3) {
    st.simpleMode = true;
    st.edot = -kTwoThirds * xndtn * (1.0 - eo);
    return;
  }
  st.simpleMode = false;
  const double d6 = eta * (30.0 + 22.5 * eta2);
  const double d7 = eta * (5.0 + 12.5 * eta2);
  const double d8 = 1.0 + eta2 * (6.75 + eta2);
  const double c8 = d1 * d7 * b2;
  const double c9 = d5 * d8 * b3;
  const double edot = -c0 * (eta * (4.0 + eta2 + eosq * (15.5 + 7.0 * eta2)) + eo * (5.0 + 15.0 * eta2) +
                             d1 * d6 * b1 + c8 * cos2g + c9 * sing);
  st.edot = edot;
  const double d20 = 0.5 * kTwoThirds * xndtn;
  const double aldtal = eo * edot / alpha2;
  const double tsdtts = 2.0 * st.aodp * g.tsi * (d20 * betao2 + eo * edot);
  const double etdt = (edot + eo * tsdtts) * g.tsi * kSatS;
  const double psdtps = -eta * etdt * psim2;
  const double sin2g = 2.0 * sing * cosg;
  const double c0dtc0 = d20 + 4.0 * tsdtts - aldtal - 7.0 * psdtps;
  const double c1dtc1 = xndtn + 4.0 * aldtal + c0dtc0;
  const double d9 = eta * (6.0 + 68.0 * eosq) + eo * (20.0 + 15.0 * eta2);
  const double d10 = 5.0 * eta * (4.0 + eta2) + eo * (17.0 + 68.0 * eta2);
  const double d11 = eta * (72.0 + 18.0 * eta2);
  const double d12 = eta * (30.0 + 10.0 * eta2);
  const double d13 = 5.0 + 11.25 * eta2;
  const double d14 = tsdtts - 2.0 * psdtps;
  const double d15 = 2.0 * (d20 + eo * edot / betao2);
  const double d1dt = d1 * (d14 + d15);
  const double d2dt = etdt * d11;
  const double d3dt = etdt * d12;
  const double d4dt = etdt * d13;
  const double d5dt = d5 * d14;
  const double c4dt = b2 * (d1dt * d3 + d1 * d3dt);
  const double c5dt = b3 * (d5dt * d4 + d5 * d4dt);
  const double d16 = d9 * etdt + d10 * edot + b1 * (d1dt * d2 + d1 * d2dt) + c4dt * cos2g + c5dt * sing +
                     xgdt1 * (c5 * cosg - 2.0 * c4 * sin2g);
  const double xnddt = c1dtc1 * st.xndt + c1 * d16;
  const double eddot =
      c0dtc0 * edot -
      c0 * ((4.0 + 3.0 * eta2 + 30.0 * eeta + eosq * (15.5 + 21.0 * eta2)) * etdt +
            (5.0 + 15.0 * eta2 + eeta * (31.0 + 14.0 * eta2)) * edot + b1 * (d1dt * d6 + d1 * etdt * (30.0 + 67.5 * eta2)) +
            b2 * (d1dt * d7 + d1 * etdt * (5.0 + 37.5 * eta2)) * cos2g +
            b3 * (d5dt * d8 + d5 * etdt * eta * (13.5 + 4.0 * eta2)) * sing + xgdt1 * (c9 * cosg - 2.0 * c8 * sin2g));
  const double d25 = edot * edot;
  const double d17 = xnddt / st.xnodp - xndtn * xndtn;
  const double tsddts = 2.0 * tsdtts * (tsdtts - d20) +
                        st.aodp * g.tsi * (kTwoThirds * betao2 * d17 - 4.0 * d20 * eo * edot + 2.0 * (d25 + eo * eddot));
  const double etddt = (eddot + 2.0 * edot * tsdtts) * g.tsi * kSatS + tsddts * eta;
  const double d18 = tsddts - tsdtts * tsdtts;
  const double d19 = -psdtps * psdtps / eta2 - eta * etddt * psim2 - psdtps * psdtps;
  const double d23 = etdt * etdt;
  const double d1ddt = d1dt * (d14 + d15) +
                       d1 * (d18 - 2.0 * d19 + kTwoThirds * d17 + 2.0 * (alpha2 * d25 / betao2 + eo * eddot) / betao2);
  const double xntrdt =
      st.xndt * (2.0 * kTwoThirds * d17 + 3.0 * (d25 + eo * eddot) / alpha2 - 6.0 * aldtal * aldtal + 4.0 * d18 -
                 7.0 * d19) +
      c1dtc1 * xnddt +
      c1 * (c1dtc1 * d16 + d9 * etddt + d10 * eddot + d23 * (6.0 + 30.0 * eeta + 68.0 * eosq) +
            etdt * edot * (40.0 + 30.0 * eta2 + 272.0 * eeta) + d25 * (17.0 + 68.0 * eta2) +
            b1 * (d1ddt * d2 + 2.0 * d1dt * d2dt + d1 * (etddt * d11 + d23 * (72.0 + 54.0 * eta2))) +
            b2 * (d1ddt * d3 + 2.0 * d1dt * d3dt + d1 * (etddt * d12 + d23 * (30.0 + 30.0 * eta2))) * cos2g +
            b3 * ((d5dt * d14 + d5 * (d18 - 2.0 * d19)) * d4 + 2.0 * d4dt * d5dt + d5 * (etddt * d13 + 22.5 * eta * d23)) *
                sing +
            xgdt1 * ((7.0 * d20 + 4.0 * eo * edot / betao2) * (c5 * cosg - 2.0 * c4 * sin2g) +
                     ((2.0 * c5dt * cosg - 4.0 * c4dt * sin2g) - xgdt1 * (c5 * sing + 4.0 * c4 * cos2g))));
  // Rates of the drag expressed as powers of (1 - gamma t); the report scales
  // by 1e9 and 1e18 to stay within single precision.
  const double tmnddt = xnddt * 1e9;
  const double temp = tmnddt * tmnddt - st.xndt * 1e18 * xntrdt;
  st.pp = (temp + tmnddt * tmnddt) / temp;
  st.gamma = -xntrdt / (xnddt * (st.pp - 2.0));
  st.xnd = st.xndt / (st.pp * st.gamma);
  st.qq = 1.0 - eddot / (edot * st.gamma);
  st.ed = edot / (st.qq * st.gamma);
  st.ovgpp = 1.0 / (st.gamma * (st.pp + 1.0));
}

bool PropagateSgp8(double tsince, const SatelliteElements& el, const SatelliteModelState& st, Vector3d& position,
                   Vector3d& velocity) {
  double xmam = el.meanAnomaly + st.xmdot * tsince;
  double omgasm = el.argumentOfPerigee + st.omgdot * tsince;
  double xnodes = el.ascendingNode + st.xnodot * tsince;
  double xn, em, z1;
  if (!st.simpleMode) {
    const double temp = 1.0 - st.gamma * tsince;
    // Past the zero of (1 - gamma t) the drag model has no meaning: decayed.
    if (!(temp > 0.0)) return RejectSatelliteOrbit(0.0, el.eccentricity, position, velocity);
    const double temp1 = std::pow(temp, st.pp);
    xn = st.xnodp + st.xnd * (1.0 - temp1);
    em = el.eccentricity + st.ed * (1.0 - std::pow(temp, st.qq));
    z1 = st.xnd * (tsince + st.ovgpp * (temp * temp1 - 1.0));
  } else {
    xn = st.xnodp + st.xndt * tsince;
    em = el.eccentricity + st.edot * tsince;
    z1 = 0.5 * st.xndt * tsince * tsince;
  }
  const double z7 = 3.5 * kTwoThirds * z1 / st.xnodp;
  xmam = xmam + z1 + z7 * st.xmdt1;
  omgasm += z7 * st.xgdt1;
  xnodes += z7 * st.xhdt1;
  return Sgp8PositionVelocity(st, xn, em, omgasm, xnodes, xmam, st.sini2, position, velocity);
}

void InitSdp8(const SatelliteElements& el, SatelliteModelState& st) {
  InitSgp8Common(el, st);
  st.edot = -kTwoThirds * (st.xndt / st.xnodp) * (1.0 - el.eccentricity);
  InitDeepSpace(el, st);
}

bool PropagateSdp8(double tsince, const SatelliteElements& el, SatelliteModelState& st, Vector3d& position,
                   Vector3d& velocity) {
  const double z1 = 0.5 * st.xndt * tsince * tsince;
  const double z7 = 3.5 * kTwoThirds * z1 / st.xnodp;
  double xmamdf = el.meanAnomaly + st.xmdot * tsince;
  double omgasm = el.argumentOfPerigee + st.omgdot * tsince + z7 * st.xgdt1;
  double xnodes = el.ascendingNode + st.xnodot * tsince + z7 * st.xhdt1;
  double xn = st.xnodp;
  double em = 0.0, xinc = 0.0;
  ApplyDeepSpaceSecular(tsince, el, st, xmamdf, omgasm, xnodes, em, xinc, xn);
  xn += st.xndt * tsince;
  em += st.edot * tsince;
  double xmam = xmamdf + z1 + z7 * st.xmdt1;
  ApplyDeepSpacePeriodic(tsince, st, em, xinc, omgasm, xnodes, xmam);
  return Sgp8PositionVelocity(st, xn, em, omgasm, xnodes, xmam, std::sin(0.5 * xinc), position, velocity);
}
