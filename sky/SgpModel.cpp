// SGP, "Spacetrack Report No. 3, Models for Propagation of NORAD Element
// Sets" (Hoots and Roehrich, 1980), the SGP model and its FORTRAN routine:
// the simplified model of Hilton and Kuhlman, drag through the mean-motion
// derivatives of the element set.
#include <cmath>

#include "SatelliteModelsInternal.h"

namespace {
constexpr double kTwoThirds = 2.0 / 3.0;
constexpr double kE6a = 1e-6;
}  // namespace

void InitSgp(const SatelliteElements& el, SatelliteModelState& st) {
  st = SatelliteModelState{};
  const double c1 = kSatCk2 * 1.5;
  const double c2 = kSatCk2 / 4.0;
  const double c3 = kSatCk2 / 2.0;
  const double c4 = kSatJ3 / (4.0 * kSatCk2);
  const double eo = el.eccentricity;
  st.cosio = std::cos(el.inclination);
  st.sinio = std::sin(el.inclination);
  const double a1 = std::pow(kSatXke / el.meanMotion, kTwoThirds);
  const double d1 = c1 / a1 / a1 * (3.0 * st.cosio * st.cosio - 1.0) / std::pow(1.0 - eo * eo, 1.5);
  const double ao = a1 * (1.0 - 1.0 / 3.0 * d1 - d1 * d1 - 134.0 / 81.0 * d1 * d1 * d1);
  const double po = ao * (1.0 - eo * eo);
  st.sgpAo = ao;
  st.sgpQo = ao * (1.0 - eo);
  st.sgpXlo = el.meanAnomaly + el.argumentOfPerigee + el.ascendingNode;
  st.sgpD1o = c3 * st.sinio * st.sinio;
  st.sgpD2o = c2 * (7.0 * st.cosio * st.cosio - 1.0);
  st.sgpD3o = c1 * st.cosio;
  st.sgpD4o = st.sgpD3o * st.sinio;
  const double po2no = el.meanMotion / (po * po);
  st.omgdot = c1 * po2no * (5.0 * st.cosio * st.cosio - 1.0);
  st.xnodot = -2.0 * st.sgpD3o * po2no;
  st.sgpC5 = 0.5 * c4 * st.sinio * (3.0 + 5.0 * st.cosio) / (1.0 + st.cosio);
  st.sgpC6 = c4 * st.sinio;
}

bool PropagateSgp(double tsince, const SatelliteElements& el, const SatelliteModelState& st, Vector3d& position,
                  Vector3d& velocity) {
  const double xno = el.meanMotion;
  const double ndot = el.meanMotionDerivative;
  const double nddot = el.meanMotionSecondDerivative;
  // Secular gravity and drag.
  const double n = xno + (2.0 * ndot + 3.0 * nddot * tsince) * tsince;
  if (!(n > 0.0)) return RejectSatelliteOrbit(0.0, el.eccentricity, position, velocity);
  const double a = st.sgpAo * std::pow(xno / n, kTwoThirds);
  double e = kE6a;
  if (a > st.sgpQo) e = 1.0 - st.sgpQo / a;
  const double p = a * (1.0 - e * e);
  const double xnodes = el.ascendingNode + st.xnodot * tsince;
  const double omgas = el.argumentOfPerigee + st.omgdot * tsince;
  const double xls =
      NormalizeAngle(st.sgpXlo + (xno + st.omgdot + st.xnodot + (ndot + nddot * tsince) * tsince) * tsince);
  if (!(a > kSatDecayRadius) || !(p > 0.0)) return RejectSatelliteOrbit(a, e, position, velocity);

  // Long-period periodics.
  const double axnsl = e * std::cos(omgas);
  const double aynsl = e * std::sin(omgas) - st.sgpC6 / p;
  const double xl = NormalizeAngle(xls - st.sgpC5 / p * axnsl);
  const double el2 = axnsl * axnsl + aynsl * aynsl;
  if (!(el2 < 1.0)) return RejectSatelliteOrbit(a, e, position, velocity);

  // Kepler's equation, Newton steps limited to one radian.
  const double u = NormalizeAngle(xl - xnodes);
  double eo1 = u;
  double tem5 = 1.0;
  double sineo1 = std::sin(eo1);
  double coseo1 = std::cos(eo1);
  for (int item3 = 0; std::fabs(tem5) >= kE6a && item3 < 10; ++item3) {
    tem5 = 1.0 - coseo1 * axnsl - sineo1 * aynsl;
    tem5 = (u - aynsl * coseo1 + axnsl * sineo1 - eo1) / tem5;
    const double tem2 = std::fabs(tem5);
    if (tem2 > 1.0) tem5 = tem2 / tem5;
    eo1 += tem5;
    sineo1 = std::sin(eo1);
    coseo1 = std::cos(eo1);
  }

  // Short-period preliminary quantities.
  const double ecose = axnsl * coseo1 + aynsl * sineo1;
  const double esine = axnsl * sineo1 - aynsl * coseo1;
  const double pl = a * (1.0 - el2);
  const double pl2 = pl * pl;
  const double r = a * (1.0 - ecose);
  if (!(r > 0.0)) return RejectSatelliteOrbit(a, e, position, velocity);
  const double rdot = kSatXke * std::sqrt(a) / r * esine;
  const double rvdot = kSatXke * std::sqrt(pl) / r;
  const double temp = esine / (1.0 + std::sqrt(1.0 - el2));
  const double sinu = a / r * (sineo1 - aynsl - axnsl * temp);
  const double cosu = a / r * (coseo1 - axnsl + aynsl * temp);
  const double su = std::atan2(sinu, cosu);

  // Short-period periodics.
  const double sin2u = (cosu + cosu) * sinu;
  const double cos2u = 1.0 - 2.0 * sinu * sinu;
  const double rk = r + st.sgpD1o / pl * cos2u;
  const double uk = su - st.sgpD2o / pl2 * sin2u;
  const double xnodek = xnodes + st.sgpD3o * sin2u / pl2;
  const double xinck = el.inclination + st.sgpD4o / pl2 * cos2u;

  // Orientation vectors.
  const double sinuk = std::sin(uk), cosuk = std::cos(uk);
  const double sinnok = std::sin(xnodek), cosnok = std::cos(xnodek);
  const double sinik = std::sin(xinck), cosik = std::cos(xinck);
  const double xmx = -sinnok * cosik;
  const double xmy = cosnok * cosik;
  const Vector3d uv{xmx * sinuk + cosnok * cosuk, xmy * sinuk + sinnok * cosuk, sinik * sinuk};
  const Vector3d vv{xmx * cosuk - cosnok * sinuk, xmy * cosuk - sinnok * sinuk, sinik * cosuk};
  StoreSatelliteState(rk, rdot, rvdot, uv, vv, position, velocity);
  if (!IsFiniteState(position, velocity) || rk < kSatDecayRadius) return RejectSatelliteOrbit(a, e, position, velocity);
  return true;
}
