// The deep-space routine of "Spacetrack Report No. 3, Models for Propagation
// of NORAD Element Sets" (Hoots and Roehrich, 1980), its deep-space equations
// and the FORTRAN routine DEEP with its entries DPINIT, DPSEC and DPPER:
// secular and long-period effects of the Moon and the Sun, and the resonance
// of 12-hour and 24-hour orbits with the Earth's gravity field.
#include <cmath>

#include "SatelliteModelsInternal.h"
#include "TwoLineElements.h"

namespace {

// Solar and lunar constants.
constexpr double kZns = 1.19459e-5;
constexpr double kC1ss = 2.9864797e-6;
constexpr double kZes = 0.01675;
constexpr double kZnl = 1.5835218e-4;
constexpr double kC1l = 4.7968065e-7;
constexpr double kZel = 0.0549;
constexpr double kZcosis = 0.91744867;
constexpr double kZsinis = 0.39785416;
constexpr double kZsings = -0.98088458;
constexpr double kZcosgs = 0.1945905;
// Resonance constants.
constexpr double kQ22 = 1.7891679e-6;
constexpr double kQ31 = 2.1460748e-6;
constexpr double kQ33 = 2.2123015e-7;
constexpr double kG22 = 5.7686396;
constexpr double kG32 = 0.95240898;
constexpr double kG44 = 1.8014998;
constexpr double kG52 = 1.0508330;
constexpr double kG54 = 4.4108898;
constexpr double kRoot22 = 1.7891679e-6;
constexpr double kRoot32 = 3.7393792e-7;
constexpr double kRoot44 = 7.3636953e-9;
constexpr double kRoot52 = 1.1428639e-7;
constexpr double kRoot54 = 2.1765803e-9;
constexpr double kThdt = 4.3752691e-3;  // Earth rotation, rad/min
constexpr double kFasx2 = 0.13130908;
constexpr double kFasx4 = 2.8843198;
constexpr double kFasx6 = 0.37448087;
constexpr double kStep = 720.0;  // longest integration step, minutes

// Amplitudes of one perturbing body (routine DEEP, label 20).
struct BodyTerms {
  double se, si, sl, sgh, sh;
  double ee2, e3, xi2, xi3, xl2, xl3, xl4, xgh2, xgh3, xgh4, xh2, xh3;
};

BodyTerms ComputeBodyTerms(double zcosg, double zsing, double zcosi, double zsini, double zcosh, double zsinh,
                           double cc, double zn, double ze, double xnoi, double eq, double eqsq, double bsq,
                           double rteqsq, double sinomo, double cosomo, double siniq, double cosiq, double xqncl) {
  const double a1 = zcosg * zcosh + zsing * zcosi * zsinh;
  const double a3 = -zsing * zcosh + zcosg * zcosi * zsinh;
  const double a7 = -zcosg * zsinh + zsing * zcosi * zcosh;
  const double a8 = zsing * zsini;
  const double a9 = zsing * zsinh + zcosg * zcosi * zcosh;
  const double a10 = zcosg * zsini;
  const double a2 = cosiq * a7 + siniq * a8;
  const double a4 = cosiq * a9 + siniq * a10;
  const double a5 = -siniq * a7 + cosiq * a8;
  const double a6 = -siniq * a9 + cosiq * a10;

  const double x1 = a1 * cosomo + a2 * sinomo;
  const double x2 = a3 * cosomo + a4 * sinomo;
  const double x3 = -a1 * sinomo + a2 * cosomo;
  const double x4 = -a3 * sinomo + a4 * cosomo;
  const double x5 = a5 * sinomo;
  const double x6 = a6 * sinomo;
  const double x7 = a5 * cosomo;
  const double x8 = a6 * cosomo;

  const double z31 = 12.0 * x1 * x1 - 3.0 * x3 * x3;
  const double z32 = 24.0 * x1 * x2 - 6.0 * x3 * x4;
  const double z33 = 12.0 * x2 * x2 - 3.0 * x4 * x4;
  double z1 = 3.0 * (a1 * a1 + a2 * a2) + z31 * eqsq;
  double z2 = 6.0 * (a1 * a3 + a2 * a4) + z32 * eqsq;
  double z3 = 3.0 * (a3 * a3 + a4 * a4) + z33 * eqsq;
  const double z11 = -6.0 * a1 * a5 + eqsq * (-24.0 * x1 * x7 - 6.0 * x3 * x5);
  const double z12 = -6.0 * (a1 * a6 + a3 * a5) + eqsq * (-24.0 * (x2 * x7 + x1 * x8) - 6.0 * (x3 * x6 + x4 * x5));
  const double z13 = -6.0 * a3 * a6 + eqsq * (-24.0 * x2 * x8 - 6.0 * x4 * x6);
  const double z21 = 6.0 * a2 * a5 + eqsq * (24.0 * x1 * x5 - 6.0 * x3 * x7);
  const double z22 = 6.0 * (a4 * a5 + a2 * a6) + eqsq * (24.0 * (x2 * x5 + x1 * x6) - 6.0 * (x4 * x7 + x3 * x8));
  const double z23 = 6.0 * a4 * a6 + eqsq * (24.0 * x2 * x6 - 6.0 * x4 * x8);
  z1 = z1 + z1 + bsq * z31;
  z2 = z2 + z2 + bsq * z32;
  z3 = z3 + z3 + bsq * z33;
  const double s3 = cc * xnoi;
  const double s2 = -0.5 * s3 / rteqsq;
  const double s4 = s3 * rteqsq;
  const double s1 = -15.0 * eq * s4;
  const double s5 = x1 * x3 + x2 * x4;
  const double s6 = x2 * x3 + x1 * x4;
  const double s7 = x2 * x4 - x1 * x3;

  BodyTerms t{};
  t.se = s1 * zn * s5;
  t.si = s2 * zn * (z11 + z13);
  t.sl = -zn * s3 * (z1 + z3 - 14.0 - 6.0 * eqsq);
  t.sgh = s4 * zn * (z31 + z33 - 6.0);
  t.sh = -zn * s2 * (z21 + z23);
  // Near-equatorial orbits (below 3 degrees): no secular node rate.
  if (xqncl < 5.2359877e-2) t.sh = 0.0;
  t.ee2 = 2.0 * s1 * s6;
  t.e3 = 2.0 * s1 * s7;
  t.xi2 = 2.0 * s2 * z12;
  t.xi3 = 2.0 * s2 * (z13 - z11);
  t.xl2 = -2.0 * s3 * z2;
  t.xl3 = -2.0 * s3 * (z3 - z1);
  t.xl4 = -2.0 * s3 * (-21.0 - 9.0 * eqsq) * ze;
  t.xgh2 = 2.0 * s4 * z32;
  t.xgh3 = 2.0 * s4 * (z33 - z31);
  t.xgh4 = -18.0 * s4 * ze;
  t.xh2 = -2.0 * s2 * z22;
  t.xh3 = -2.0 * s2 * (z23 - z21);
  return t;
}

// Rates of the resonance integration at the current point (routine DEEP,
// label 150): dn/dt, d2n/dt2 and dlambda/dt.
void ResonanceRates(const DeepSpaceState& d, double& xndot, double& xnddt, double& xldot) {
  const double xli = d.xli;
  if (d.synchronous) {
    xndot = d.del1 * std::sin(xli - kFasx2) + d.del2 * std::sin(2.0 * (xli - kFasx4)) +
            d.del3 * std::sin(3.0 * (xli - kFasx6));
    xnddt = d.del1 * std::cos(xli - kFasx2) + 2.0 * d.del2 * std::cos(2.0 * (xli - kFasx4)) +
            3.0 * d.del3 * std::cos(3.0 * (xli - kFasx6));
  } else {
    const double xomi = d.omegaq + d.omgdt * d.atime;
    const double x2omi = xomi + xomi;
    const double x2li = xli + xli;
    xndot = d.d2201 * std::sin(x2omi + xli - kG22) + d.d2211 * std::sin(xli - kG22) +
            d.d3210 * std::sin(xomi + xli - kG32) + d.d3222 * std::sin(-xomi + xli - kG32) +
            d.d4410 * std::sin(x2omi + x2li - kG44) + d.d4422 * std::sin(x2li - kG44) +
            d.d5220 * std::sin(xomi + xli - kG52) + d.d5232 * std::sin(-xomi + xli - kG52) +
            d.d5421 * std::sin(xomi + x2li - kG54) + d.d5433 * std::sin(-xomi + x2li - kG54);
    xnddt = d.d2201 * std::cos(x2omi + xli - kG22) + d.d2211 * std::cos(xli - kG22) +
            d.d3210 * std::cos(xomi + xli - kG32) + d.d3222 * std::cos(-xomi + xli - kG32) +
            d.d5220 * std::cos(xomi + xli - kG52) + d.d5232 * std::cos(-xomi + xli - kG52) +
            2.0 * (d.d4410 * std::cos(x2omi + x2li - kG44) + d.d4422 * std::cos(x2li - kG44) +
                   d.d5421 * std::cos(xomi + x2li - kG54) + d.d5433 * std::cos(-xomi + x2li - kG54));
  }
  xldot = d.xni + d.xfact;
  xnddt *= xldot;
}

}  // namespace

// Routine DEEP, entry DPINIT.
void InitDeepSpace(const SatelliteElements& el, SatelliteModelState& st) {
  DeepSpaceState& d = st.deep;
  d = DeepSpaceState{};
  const double eq = el.eccentricity;
  const double eqsq = st.eosq;
  const double siniq = st.sinio;
  const double cosiq = st.cosio;
  const double rteqsq = st.betao;
  const double bsq = st.betao2;
  const double sinomo = std::sin(el.argumentOfPerigee);
  const double cosomo = std::cos(el.argumentOfPerigee);

  d.greenwichSiderealTime = GreenwichSiderealTime(el.epoch);
  d.xnq = st.xnodp;
  const double aqnv = 1.0 / st.aodp;
  d.xqncl = el.inclination;
  const double xmao = el.meanAnomaly;
  const double xpidot = st.omgdot + st.xnodot;
  d.sinq = std::sin(el.ascendingNode);
  d.cosq = std::cos(el.ascendingNode);
  d.omegaq = el.argumentOfPerigee;
  d.siniq = siniq;
  d.cosiq = cosiq;
  d.omgdt = st.omgdot;

  // Lunar orbit at the epoch (days from 1900 January 0.5).
  const double day = el.epoch - 2415020.0;
  const double xnodce = 4.5236020 - 9.2422029e-4 * day;
  const double stem = std::sin(xnodce);
  const double ctem = std::cos(xnodce);
  const double zcosil = 0.91375164 - 0.03568096 * ctem;
  const double zsinil = std::sqrt(1.0 - zcosil * zcosil);
  const double zsinhl = 0.089683511 * stem / zsinil;
  const double zcoshl = std::sqrt(1.0 - zsinhl * zsinhl);
  const double c = 4.7199672 + 0.22997150 * day;
  const double gam = 5.8351514 + 0.0019443680 * day;
  d.zmol = NormalizeAngle(c - gam);
  double zx = 0.39785416 * stem / zsinil;
  const double zy = zcoshl * ctem + 0.91744867 * zsinhl * stem;
  zx = NormalizeAngle(std::atan2(zx, zy));
  zx = gam + zx - xnodce;
  const double zcosgl = std::cos(zx);
  const double zsingl = std::sin(zx);
  d.zmos = NormalizeAngle(6.2565837 + 0.017201977 * day);

  const double xnoi = 1.0 / d.xnq;
  // Solar terms.
  const BodyTerms sun = ComputeBodyTerms(kZcosgs, kZsings, kZcosis, kZsinis, d.cosq, d.sinq, kC1ss, kZns, kZes, xnoi,
                                         eq, eqsq, bsq, rteqsq, sinomo, cosomo, siniq, cosiq, d.xqncl);
  d.sse = sun.se;
  d.ssi = sun.si;
  d.ssl = sun.sl;
  d.ssh = sun.sh / siniq;
  d.ssg = sun.sgh - cosiq * d.ssh;
  d.se2 = sun.ee2;
  d.si2 = sun.xi2;
  d.sl2 = sun.xl2;
  d.sgh2 = sun.xgh2;
  d.sh2 = sun.xh2;
  d.se3 = sun.e3;
  d.si3 = sun.xi3;
  d.sl3 = sun.xl3;
  d.sgh3 = sun.xgh3;
  d.sh3 = sun.xh3;
  d.sl4 = sun.xl4;
  d.sgh4 = sun.xgh4;
  // Lunar terms.
  const double zcosh = zcoshl * d.cosq + zsinhl * d.sinq;
  const double zsinh = d.sinq * zcoshl - d.cosq * zsinhl;
  const BodyTerms moon = ComputeBodyTerms(zcosgl, zsingl, zcosil, zsinil, zcosh, zsinh, kC1l, kZnl, kZel, xnoi, eq,
                                          eqsq, bsq, rteqsq, sinomo, cosomo, siniq, cosiq, d.xqncl);
  d.ee2 = moon.ee2;
  d.e3 = moon.e3;
  d.xi2 = moon.xi2;
  d.xi3 = moon.xi3;
  d.xl2 = moon.xl2;
  d.xl3 = moon.xl3;
  d.xl4 = moon.xl4;
  d.xgh2 = moon.xgh2;
  d.xgh3 = moon.xgh3;
  d.xgh4 = moon.xgh4;
  d.xh2 = moon.xh2;
  d.xh3 = moon.xh3;
  d.sse += moon.se;
  d.ssi += moon.si;
  d.ssl += moon.sl;
  d.ssg += moon.sgh - cosiq / siniq * moon.sh;
  d.ssh += moon.sh / siniq;

  // Resonance of 12-hour orbits (eccentric, 8.26e-3 to 9.24e-3 rad/min) and
  // of 24-hour orbits (3.49e-3 to 5.24e-3 rad/min).
  const double thgr = d.greenwichSiderealTime;
  const double xnq = d.xnq;
  double bfact = 0.0;
  if (xnq < 0.0052359877 && xnq > 0.0034906585) {
    d.resonant = true;
    d.synchronous = true;
    const double g200 = 1.0 + eqsq * (-2.5 + 0.8125 * eqsq);
    const double g310 = 1.0 + 2.0 * eqsq;
    const double g300 = 1.0 + eqsq * (-6.0 + 6.60937 * eqsq);
    const double f220 = 0.75 * (1.0 + cosiq) * (1.0 + cosiq);
    const double f311 = 0.9375 * siniq * siniq * (1.0 + 3.0 * cosiq) - 0.75 * (1.0 + cosiq);
    double f330 = 1.0 + cosiq;
    f330 = 1.875 * f330 * f330 * f330;
    const double del1 = 3.0 * xnq * xnq * aqnv * aqnv;
    d.del2 = 2.0 * del1 * f220 * g200 * kQ22;
    d.del3 = 3.0 * del1 * f330 * g300 * kQ33 * aqnv;
    d.del1 = del1 * f311 * g310 * kQ31 * aqnv;
    d.xlamo = xmao + el.ascendingNode + el.argumentOfPerigee - thgr;
    bfact = st.xmdot + xpidot - kThdt;
    bfact = bfact + d.ssl + d.ssg + d.ssh;
  } else if (xnq >= 8.26e-3 && xnq <= 9.24e-3 && eq >= 0.5) {
    d.resonant = true;
    const double eoc = eq * eqsq;
    const double g201 = -0.306 - (eq - 0.64) * 0.440;
    double g211, g310, g322, g410, g422, g520;
    if (eq <= 0.65) {
      g211 = 3.616 - 13.247 * eq + 16.290 * eqsq;
      g310 = -19.302 + 117.390 * eq - 228.419 * eqsq + 156.591 * eoc;
      g322 = -18.9068 + 109.7927 * eq - 214.6334 * eqsq + 146.5816 * eoc;
      g410 = -41.122 + 242.694 * eq - 471.094 * eqsq + 313.953 * eoc;
      g422 = -146.407 + 841.880 * eq - 1629.014 * eqsq + 1083.435 * eoc;
      g520 = -532.114 + 3017.977 * eq - 5740.0 * eqsq + 3708.276 * eoc;
    } else {
      g211 = -72.099 + 331.819 * eq - 508.738 * eqsq + 266.724 * eoc;
      g310 = -346.844 + 1582.851 * eq - 2415.925 * eqsq + 1246.113 * eoc;
      g322 = -342.585 + 1554.908 * eq - 2366.899 * eqsq + 1215.972 * eoc;
      g410 = -1052.797 + 4758.686 * eq - 7193.992 * eqsq + 3651.957 * eoc;
      g422 = -3581.69 + 16178.11 * eq - 24462.77 * eqsq + 12422.52 * eoc;
      if (eq <= 0.715) {
        g520 = 1464.74 - 4664.75 * eq + 3763.64 * eqsq;
      } else {
        g520 = -5149.66 + 29936.92 * eq - 54087.36 * eqsq + 31324.56 * eoc;
      }
    }
    double g533, g521, g532;
    if (eq < 0.7) {
      g533 = -919.2277 + 4988.61 * eq - 9064.77 * eqsq + 5542.21 * eoc;
      g521 = -822.71072 + 4568.6173 * eq - 8491.4146 * eqsq + 5337.524 * eoc;
      g532 = -853.666 + 4690.25 * eq - 8624.77 * eqsq + 5341.4 * eoc;
    } else {
      g533 = -37995.78 + 161616.52 * eq - 229838.2 * eqsq + 109377.94 * eoc;
      g521 = -51752.104 + 218913.95 * eq - 309468.16 * eqsq + 146349.42 * eoc;
      g532 = -40023.88 + 170470.89 * eq - 242699.48 * eqsq + 115605.82 * eoc;
    }
    const double sini2 = siniq * siniq;
    const double cosq2 = st.theta2;
    const double f220 = 0.75 * (1.0 + 2.0 * cosiq + cosq2);
    const double f221 = 1.5 * sini2;
    const double f321 = 1.875 * siniq * (1.0 - 2.0 * cosiq - 3.0 * cosq2);
    const double f322 = -1.875 * siniq * (1.0 + 2.0 * cosiq - 3.0 * cosq2);
    const double f441 = 35.0 * sini2 * f220;
    const double f442 = 39.3750 * sini2 * sini2;
    const double f522 = 9.84375 * siniq *
                        (sini2 * (1.0 - 2.0 * cosiq - 5.0 * cosq2) + 0.33333333 * (-2.0 + 4.0 * cosiq + 6.0 * cosq2));
    const double f523 = siniq * (4.92187512 * sini2 * (-2.0 - 4.0 * cosiq + 10.0 * cosq2) +
                                 6.56250012 * (1.0 + 2.0 * cosiq - 3.0 * cosq2));
    const double f542 = 29.53125 * siniq * (2.0 - 8.0 * cosiq + cosq2 * (-12.0 + 8.0 * cosiq + 10.0 * cosq2));
    const double f543 = 29.53125 * siniq * (-2.0 - 8.0 * cosiq + cosq2 * (12.0 + 8.0 * cosiq - 10.0 * cosq2));
    const double xno2 = xnq * xnq;
    const double ainv2 = aqnv * aqnv;
    double temp1 = 3.0 * xno2 * ainv2;
    double temp = temp1 * kRoot22;
    d.d2201 = temp * f220 * g201;
    d.d2211 = temp * f221 * g211;
    temp1 *= aqnv;
    temp = temp1 * kRoot32;
    d.d3210 = temp * f321 * g310;
    d.d3222 = temp * f322 * g322;
    temp1 *= aqnv;
    temp = 2.0 * temp1 * kRoot44;
    d.d4410 = temp * f441 * g410;
    d.d4422 = temp * f442 * g422;
    temp1 *= aqnv;
    temp = temp1 * kRoot52;
    d.d5220 = temp * f522 * g520;
    d.d5232 = temp * f523 * g532;
    temp = 2.0 * temp1 * kRoot54;
    d.d5421 = temp * f542 * g521;
    d.d5433 = temp * f543 * g533;
    d.xlamo = xmao + el.ascendingNode + el.ascendingNode - thgr - thgr;
    bfact = st.xmdot + st.xnodot + st.xnodot - kThdt - kThdt;
    bfact = bfact + d.ssl + d.ssh + d.ssh;
  }
  if (d.resonant) {
    d.xfact = bfact - xnq;
    d.xli = d.xlamo;
    d.xni = xnq;
    d.atime = 0.0;
  }
}

// Routine DEEP, entry DPSEC.
void ApplyDeepSpaceSecular(double t, const SatelliteElements& el, SatelliteModelState& st, double& xll,
                           double& omgasm, double& xnodes, double& em, double& xinc, double& xn) {
  DeepSpaceState& d = st.deep;
  xll += d.ssl * t;
  omgasm += d.ssg * t;
  xnodes += d.ssh * t;
  em = el.eccentricity + d.sse * t;
  xinc = el.inclination + d.ssi * t;
  if (xinc < 0.0) {
    xinc = -xinc;
    xnodes += kPi;
    omgasm -= kPi;
  }
  if (!d.resonant) return;

  // Start again from the epoch when the last point is farther from t than
  // the epoch is (this covers a change of side); otherwise continue from it.
  if (std::fabs(t - d.atime) > std::fabs(t)) {
    d.atime = 0.0;
    d.xni = d.xnq;
    d.xli = d.xlamo;
  }
  const double span = t - d.atime;
  double xndot = 0.0, xnddt = 0.0, xldot = 0.0;
  if (span != 0.0) {
    const double steps = std::ceil(std::fabs(span) / kStep);
    const double h = span / steps;
    const double halfH2 = 0.5 * h * h;
    for (double i = 0.0; i < steps; i += 1.0) {
      ResonanceRates(d, xndot, xnddt, xldot);
      d.xli += xldot * h + xndot * halfH2;
      d.xni += xndot * h + xnddt * halfH2;
      d.atime += h;
    }
  }
  d.atime = t;  // no rounding drift between calls
  xn = d.xni;
  const double temp = -xnodes + d.greenwichSiderealTime + t * kThdt;
  xll = d.synchronous ? d.xli - omgasm + temp : d.xli + temp + temp;
}

// Routine DEEP, entry DPPER.
void ApplyDeepSpacePeriodic(double t, SatelliteModelState& st, double& em, double& xinc, double& omgasm,
                            double& xnodes, double& xll) {
  DeepSpaceState& d = st.deep;
  const double sinis = std::sin(xinc);
  const double cosis = std::cos(xinc);
  if (!(std::fabs(d.savedTime - t) < 30.0)) {
    d.savedTime = t;
    double zm = d.zmos + kZns * t;
    double zf = zm + 2.0 * kZes * std::sin(zm);
    double sinzf = std::sin(zf);
    double f2 = 0.5 * sinzf * sinzf - 0.25;
    double f3 = -0.5 * sinzf * std::cos(zf);
    const double ses = d.se2 * f2 + d.se3 * f3;
    const double sis = d.si2 * f2 + d.si3 * f3;
    const double sls = d.sl2 * f2 + d.sl3 * f3 + d.sl4 * sinzf;
    const double sghs = d.sgh2 * f2 + d.sgh3 * f3 + d.sgh4 * sinzf;
    const double shs = d.sh2 * f2 + d.sh3 * f3;
    zm = d.zmol + kZnl * t;
    zf = zm + 2.0 * kZel * std::sin(zm);
    sinzf = std::sin(zf);
    f2 = 0.5 * sinzf * sinzf - 0.25;
    f3 = -0.5 * sinzf * std::cos(zf);
    const double sel = d.ee2 * f2 + d.e3 * f3;
    const double sil = d.xi2 * f2 + d.xi3 * f3;
    const double sll = d.xl2 * f2 + d.xl3 * f3 + d.xl4 * sinzf;
    const double sghl = d.xgh2 * f2 + d.xgh3 * f3 + d.xgh4 * sinzf;
    const double shl = d.xh2 * f2 + d.xh3 * f3;
    d.pe = ses + sel;
    d.pinc = sis + sil;
    d.pl = sls + sll;
    d.pgh = sghs + sghl;
    d.ph = shs + shl;
  }
  double pgh = d.pgh;
  double ph = d.ph;
  xinc += d.pinc;
  em += d.pe;
  if (d.xqncl >= 0.2) {
    // Periodics applied directly.
    ph /= d.siniq;
    pgh -= d.cosiq * ph;
    omgasm += pgh;
    xnodes += ph;
    xll += d.pl;
  } else {
    // Lyddane's form for low inclinations. The node is reduced first so that
    // the arctangent below returns it in the same turn.
    xnodes = NormalizeAngle(xnodes);
    const double sinok = std::sin(xnodes);
    const double cosok = std::cos(xnodes);
    double alfdp = sinis * sinok;
    double betdp = sinis * cosok;
    const double dalf = ph * cosok + d.pinc * cosis * sinok;
    const double dbet = -ph * sinok + d.pinc * cosis * cosok;
    alfdp += dalf;
    betdp += dbet;
    double xls = xll + omgasm + cosis * xnodes;
    const double dls = d.pl + pgh - d.pinc * xnodes * sinis;
    xls += dls;
    xnodes = NormalizeAngle(std::atan2(alfdp, betdp));
    xll += d.pl;
    omgasm = xls - xll - std::cos(xinc) * xnodes;
  }
}
