// SGP4 and SDP4, "Spacetrack Report No. 3, Models for Propagation of NORAD
// Element Sets" (Hoots and Roehrich, 1980), the SGP4 and SDP4 models and
// their FORTRAN routines: the near-Earth model with its drag terms, and its
// deep-space companion built from the same initialisation and final step
// around the deep-space routine.
#include <cmath>
#include <cstdio>

#include "NumberFormat.h"
#include "SatelliteModelsInternal.h"

namespace {

constexpr double kTwoThirds = 2.0 / 3.0;
// Perigee below 220 km: the drag terms of higher order are dropped.
constexpr double kSimpleModePerigee = 1.034492841559484;
// Eccentricity used in the coefficients that divide by it, for circular orbits.
constexpr double kSmallestEccentricity = 1e-9;

}  // namespace

bool RejectSatelliteOrbit(double a, double e, Vector3d& position, Vector3d& velocity) {
  const std::string line = FormatC("ERROR: a = %lf; e = %lf\n", a, e);
  std::fputs(line.c_str(), stdout);
  position = Vector3d{};
  velocity = Vector3d{};
  return false;
}

bool IsFiniteState(const Vector3d& p, const Vector3d& v) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::isfinite(v.x) &&
         std::isfinite(v.y) && std::isfinite(v.z);
}

void StoreSatelliteState(double r, double rdot, double rfdot, const Vector3d& u, const Vector3d& v,
                         Vector3d& position, Vector3d& velocity) {
  position.x = r * u.x * kSatXkmper;
  position.y = r * u.y * kSatXkmper;
  position.z = r * u.z * kSatXkmper;
  velocity.x = (rdot * u.x + rfdot * v.x) * kSatXkmper;
  velocity.y = (rdot * u.y + rfdot * v.y) * kSatXkmper;
  velocity.z = (rdot * u.z + rfdot * v.z) * kSatXkmper;
}

// Routine SGP4, initialisation steps shared with routine SDP4:
// recovery of the original mean motion and semi-major axis, the perigee-
// dependent density parameters, and the coefficients C1, C2, C4 and the
// secular rates of M, omega and the node.
void InitSgp4Common(const SatelliteElements& el, SatelliteModelState& st) {
  st = SatelliteModelState{};
  const double eo = el.eccentricity;
  const double a1 = std::pow(kSatXke / el.meanMotion, kTwoThirds);
  st.cosio = std::cos(el.inclination);
  st.sinio = std::sin(el.inclination);
  st.theta2 = st.cosio * st.cosio;
  st.x3thm1 = 3.0 * st.theta2 - 1.0;
  st.eosq = eo * eo;
  st.betao2 = 1.0 - st.eosq;
  st.betao = std::sqrt(st.betao2);
  const double del1 = 1.5 * kSatCk2 * st.x3thm1 / (a1 * a1 * st.betao * st.betao2);
  const double ao = a1 * (1.0 - del1 * (0.5 * kTwoThirds + del1 * (1.0 + 134.0 / 81.0 * del1)));
  const double delo = 1.5 * kSatCk2 * st.x3thm1 / (ao * ao * st.betao * st.betao2);
  st.xnodp = el.meanMotion / (1.0 + delo);
  st.aodp = ao / (1.0 - delo);

  // Perigee below 156 km: s and qoms2t follow the perigee height.
  double s4 = kSatS;
  double qoms24 = kSatQoms2t;
  const double perigee = (st.aodp * (1.0 - eo) - 1.0) * kSatXkmper;
  if (perigee < 156.0) {
    s4 = perigee <= 98.0 ? 20.0 : perigee - 78.0;
    qoms24 = std::pow((120.0 - s4) / kSatXkmper, 4.0);
    s4 = s4 / kSatXkmper + 1.0;
  }
  const double pinvsq = 1.0 / (st.aodp * st.aodp * st.betao2 * st.betao2);
  const double tsi = 1.0 / (st.aodp - s4);
  st.eta = st.aodp * eo * tsi;
  const double etasq = st.eta * st.eta;
  const double eeta = eo * st.eta;
  const double psisq = std::fabs(1.0 - etasq);
  const double coef = qoms24 * std::pow(tsi, 4.0);
  const double coef1 = coef / std::pow(psisq, 3.5);
  const double c2 = coef1 * st.xnodp *
                    (st.aodp * (1.0 + 1.5 * etasq + eeta * (4.0 + etasq)) +
                     0.75 * kSatCk2 * tsi / psisq * st.x3thm1 * (8.0 + 3.0 * etasq * (8.0 + etasq)));
  st.c1 = el.bstar * c2;
  st.x1mth2 = 1.0 - st.theta2;
  st.c4 = 2.0 * st.xnodp * coef1 * st.aodp * st.betao2 *
          (st.eta * (2.0 + 0.5 * etasq) + eo * (0.5 + 2.0 * etasq) -
           2.0 * kSatCk2 * tsi / (st.aodp * psisq) *
               (-3.0 * st.x3thm1 * (1.0 - 2.0 * eeta + etasq * (1.5 - 0.5 * eeta)) +
                0.75 * st.x1mth2 * (2.0 * etasq - eeta * (1.0 + etasq)) * std::cos(2.0 * el.argumentOfPerigee)));
  const double theta4 = st.theta2 * st.theta2;
  const double temp1 = 3.0 * kSatCk2 * pinvsq * st.xnodp;
  const double temp2 = temp1 * kSatCk2 * pinvsq;
  const double temp3 = 1.25 * kSatCk4 * pinvsq * pinvsq * st.xnodp;
  st.xmdot = st.xnodp + 0.5 * temp1 * st.betao * st.x3thm1 +
             0.0625 * temp2 * st.betao * (13.0 - 78.0 * st.theta2 + 137.0 * theta4);
  const double x1m5th = 1.0 - 5.0 * st.theta2;
  st.omgdot = -0.5 * temp1 * x1m5th + 0.0625 * temp2 * (7.0 - 114.0 * st.theta2 + 395.0 * theta4) +
              temp3 * (3.0 - 36.0 * st.theta2 + 49.0 * theta4);
  const double xhdot1 = -temp1 * st.cosio;
  st.xnodot = xhdot1 + (0.5 * temp2 * (4.0 - 19.0 * st.theta2) + 2.0 * temp3 * (3.0 - 7.0 * st.theta2)) * st.cosio;
  st.xnodcf = 3.5 * st.betao2 * xhdot1 * st.c1;
  st.t2cof = 1.5 * st.c1;
  st.xlcof = 0.125 * kSatA3ovk2 * st.sinio * (3.0 + 5.0 * st.cosio) / (1.0 + st.cosio);
  st.aycof = 0.25 * kSatA3ovk2 * st.sinio;
  st.x7thm1 = 7.0 * st.theta2 - 1.0;

  // The terms below belong to SGP4 alone; SDP4 ignores them.
  st.simpleMode = st.aodp * (1.0 - eo) < kSimpleModePerigee;
  // Circular orbits: C3 and the drag term of M divide by the eccentricity.
  const double ed = eo < kSmallestEccentricity ? kSmallestEccentricity : eo;
  const double etad = st.aodp * ed * tsi;
  const double c3 = coef * tsi * kSatA3ovk2 * st.xnodp * st.sinio / ed;
  st.c5 = 2.0 * coef1 * st.aodp * st.betao2 * (1.0 + 2.75 * (etasq + eeta) + eeta * etasq);
  st.omgcof = el.bstar * c3 * std::cos(el.argumentOfPerigee);
  st.xmcof = -kTwoThirds * coef * el.bstar / (ed * etad);
  st.delmo = std::pow(1.0 + st.eta * std::cos(el.meanAnomaly), 3.0);
  st.sinmo = std::sin(el.meanAnomaly);
  if (!st.simpleMode) {
    const double c1sq = st.c1 * st.c1;
    st.d2 = 4.0 * st.aodp * tsi * c1sq;
    const double temp = st.d2 * tsi * st.c1 / 3.0;
    st.d3 = (17.0 * st.aodp + s4) * temp;
    st.d4 = 0.5 * temp * st.aodp * tsi * (221.0 * st.aodp + 31.0 * s4) * st.c1;
    st.t3cof = st.d2 + 2.0 * c1sq;
    st.t4cof = 0.25 * (3.0 * st.d3 + st.c1 * (12.0 * st.d2 + 10.0 * c1sq));
    st.t5cof = 0.2 * (3.0 * st.d4 + 12.0 * st.c1 * st.d3 + 6.0 * st.d2 * st.d2 + 15.0 * c1sq * (2.0 * st.d2 + c1sq));
  }
}

void InitSgp4(const SatelliteElements& el, SatelliteModelState& st) { InitSgp4Common(el, st); }

// Routine SGP4, final step shared with routine SDP4.
bool ComputeOrbitPositionVelocity(const SatelliteMeanElements& m, const SatelliteModelState& st, Vector3d& position,
                                  Vector3d& velocity) {
  const double a = m.a;
  const double e = m.e;
  // A mean orbit inside the Earth has decayed; so has one whose perigee
  // distance is not positive or whose eccentricity reaches 1.
  if (!(a > kSatDecayRadius) || !(a * (1.0 - e) > 0.0) || !(e < 1.0)) {
    return RejectSatelliteOrbit(a, e, position, velocity);
  }
  const double beta = std::sqrt(1.0 - e * e);
  const double xn = kSatXke / std::pow(a, 1.5);

  // Long-period periodics.
  const double axn = e * std::cos(m.omega);
  double temp = 1.0 / (a * beta * beta);
  const double xll = temp * st.xlcof * axn;
  const double aynl = temp * st.aycof;
  const double xlt = m.meanLongitude + xll;
  const double ayn = e * std::sin(m.omega) + aynl;
  const double elsq = axn * axn + ayn * ayn;
  if (!(elsq < 1.0)) return RejectSatelliteOrbit(a, e, position, velocity);

  // Kepler's equation for E + omega.
  const double capu = NormalizeAngle(xlt - m.node);
  double epw = capu;
  double sinepw = 0.0, cosepw = 0.0, temp3 = 0.0, temp4 = 0.0, temp5 = 0.0, temp6 = 0.0;
  for (int i = 0; i < 10; ++i) {
    sinepw = std::sin(epw);
    cosepw = std::cos(epw);
    temp3 = axn * sinepw;
    temp4 = ayn * cosepw;
    temp5 = axn * cosepw;
    temp6 = ayn * sinepw;
    const double next = (capu - temp4 + temp3 - epw) / (1.0 - temp5 - temp6) + epw;
    // As in the report, the sines and cosines of the iterate just tested are kept.
    if (std::fabs(next - epw) <= 1e-6) break;
    epw = next;
  }

  // Short-period preliminary quantities.
  const double ecose = temp5 + temp6;
  const double esine = temp3 - temp4;
  temp = 1.0 - elsq;
  const double pl = a * temp;
  const double r = a * (1.0 - ecose);
  if (!(pl > 0.0) || !(r > 0.0)) return RejectSatelliteOrbit(a, e, position, velocity);
  double temp1 = 1.0 / r;
  const double rdot = kSatXke * std::sqrt(a) * esine * temp1;
  const double rfdot = kSatXke * std::sqrt(pl) * temp1;
  double temp2 = a * temp1;
  const double betal = std::sqrt(temp);
  temp3 = 1.0 / (1.0 + betal);
  const double cosu = temp2 * (cosepw - axn + ayn * esine * temp3);
  const double sinu = temp2 * (sinepw - ayn - axn * esine * temp3);
  const double u = std::atan2(sinu, cosu);
  const double sin2u = 2.0 * sinu * cosu;
  const double cos2u = 2.0 * cosu * cosu - 1.0;
  temp = 1.0 / pl;
  temp1 = kSatCk2 * temp;
  temp2 = temp1 * temp;

  // Short-period periodics.
  const double rk = r * (1.0 - 1.5 * temp2 * betal * st.x3thm1) + 0.5 * temp1 * st.x1mth2 * cos2u;
  const double uk = u - 0.25 * temp2 * st.x7thm1 * sin2u;
  const double xnodek = m.node + 1.5 * temp2 * st.cosio * sin2u;
  const double xinck = m.inclination + 1.5 * temp2 * st.cosio * st.sinio * cos2u;
  const double rdotk = rdot - xn * temp1 * st.x1mth2 * sin2u;
  const double rfdotk = rfdot + xn * temp1 * (st.x1mth2 * cos2u + 1.5 * st.x3thm1);

  // Orientation vectors.
  const double sinuk = std::sin(uk), cosuk = std::cos(uk);
  const double sinik = std::sin(xinck), cosik = std::cos(xinck);
  const double sinnok = std::sin(xnodek), cosnok = std::cos(xnodek);
  const double xmx = -sinnok * cosik;
  const double xmy = cosnok * cosik;
  const Vector3d uv{xmx * sinuk + cosnok * cosuk, xmy * sinuk + sinnok * cosuk, sinik * sinuk};
  const Vector3d vv{xmx * cosuk - cosnok * sinuk, xmy * cosuk - sinnok * sinuk, sinik * cosuk};
  StoreSatelliteState(rk, rdotk, rfdotk, uv, vv, position, velocity);
  if (!IsFiniteState(position, velocity)) return RejectSatelliteOrbit(a, e, position, velocity);
  // Below the surface the satellite has decayed: no position to show.
  if (rk < kSatDecayRadius) return RejectSatelliteOrbit(a, e, position, velocity);
  return true;
}

// Routine SGP4: secular gravity and drag, then the final step.
bool PropagateSgp4(double tsince, const SatelliteElements& el, const SatelliteModelState& st, Vector3d& position,
                   Vector3d& velocity) {
  const double xmdf = el.meanAnomaly + st.xmdot * tsince;
  const double omgadf = el.argumentOfPerigee + st.omgdot * tsince;
  const double xnoddf = el.ascendingNode + st.xnodot * tsince;
  double omega = omgadf;
  double xmp = xmdf;
  const double tsq = tsince * tsince;
  const double xnode = xnoddf + st.xnodcf * tsq;
  double tempa = 1.0 - st.c1 * tsince;
  double tempe = el.bstar * st.c4 * tsince;
  double templ = st.t2cof * tsq;
  if (!st.simpleMode) {
    const double delomg = st.omgcof * tsince;
    const double delm = st.xmcof * (std::pow(1.0 + st.eta * std::cos(xmdf), 3.0) - st.delmo);
    const double temp = delomg + delm;
    xmp = xmdf + temp;
    omega = omgadf - temp;
    const double tcube = tsq * tsince;
    const double tfour = tsince * tcube;
    tempa = tempa - st.d2 * tsq - st.d3 * tcube - st.d4 * tfour;
    tempe = tempe + el.bstar * st.c5 * (std::sin(xmp) - st.sinmo);
    templ = templ + st.t3cof * tcube + tfour * (st.t4cof + tsince * st.t5cof);
  }
  SatelliteMeanElements m;
  m.a = st.aodp * tempa * tempa;
  m.e = el.eccentricity - tempe;
  // The drag polynomial has passed its zero: the orbit has decayed.
  if (!(tempa > 0.0)) return RejectSatelliteOrbit(m.a, m.e, position, velocity);
  m.inclination = el.inclination;
  m.omega = NormalizeAngle(omega);
  m.node = NormalizeAngle(xnode);
  m.meanLongitude = NormalizeAngle(xmp + omega + xnode + st.xnodp * templ);
  return ComputeOrbitPositionVelocity(m, st, position, velocity);
}

// Routine SDP4: SGP4's initialisation, then the deep-space one.
void InitSdp4(const SatelliteElements& el, SatelliteModelState& st) {
  InitSgp4Common(el, st);
  InitDeepSpace(el, st);
}

bool PropagateSdp4(double tsince, const SatelliteElements& el, SatelliteModelState& st, Vector3d& position,
                   Vector3d& velocity) {
  double xmdf = el.meanAnomaly + st.xmdot * tsince;
  double omgadf = el.argumentOfPerigee + st.omgdot * tsince;
  const double xnoddf = el.ascendingNode + st.xnodot * tsince;
  const double tsq = tsince * tsince;
  double xnode = xnoddf + st.xnodcf * tsq;
  const double tempa = 1.0 - st.c1 * tsince;
  const double tempe = el.bstar * st.c4 * tsince;
  const double templ = st.t2cof * tsq;
  double xn = st.xnodp;
  double em = 0.0, xinc = 0.0;
  ApplyDeepSpaceSecular(tsince, el, st, xmdf, omgadf, xnode, em, xinc, xn);
  SatelliteMeanElements m;
  m.a = std::pow(kSatXke / xn, 2.0 / 3.0) * tempa * tempa;
  m.e = em - tempe;
  if (!(tempa > 0.0) || !(xn > 0.0)) return RejectSatelliteOrbit(m.a, m.e, position, velocity);
  double xmam = xmdf + st.xnodp * templ;
  ApplyDeepSpacePeriodic(tsince, st, m.e, xinc, omgadf, xnode, xmam);
  m.inclination = xinc;
  m.omega = NormalizeAngle(omgadf);
  m.node = NormalizeAngle(xnode);
  m.meanLongitude = NormalizeAngle(xmam + omgadf + xnode);
  return ComputeOrbitPositionVelocity(m, st, position, velocity);
}
