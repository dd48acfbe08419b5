#include "OrbitOutlines.h"

#include <cmath>

#include "RowRotation.h"
#include "SkyMath.h"

namespace {

constexpr double kAuToMillionKm = 149.597870691;

struct OutlineElements {
  double node, perihelion, a, e, i, extra;  // degrees except a (AU) and e
};

OutlineElements PlanetOutlineElements(int orbit, double T) {
  const double T2 = T * T, T3 = T2 * T;
  switch (orbit) {
    case 0:
      return {47.145944 + 1.1852083 * T + 0.0001739 * T2, 28.753753 + 0.3702806 * T + 0.0001208 * T2, 0.3870986,
              0.20561421 + 0.00002046 * T - 0.00000003 * T2, 7.002881 + 0.0018608 * T - 0.0000183 * T2, 163.44};
    case 1:
      return {75.779647 + 0.89985 * T + 0.00041 * T2, 54.384186 + 0.5084861 * T - 0.0013864 * T2, 0.7233316,
              0.00682069 - 0.00004774 * T + 0.000000091 * T2, 3.393631 + 0.0010058 * T - 0.000001 * T2,
              81.80000305175781};
    case 2:
      return {0.0, 0.0, 1.0000002, 0.01675104 - 0.0000418 * T - 0.000000126 * T2, 0.0, 167.08};
    case 3:
      return {48.786442 + 0.7709917 * T - 0.0000014 * T2 - 0.00000533 * T3,
              285.431761 + 1.0697667 * T + 0.0001313 * T2 + 0.00000414 * T3, 1.5236883,
              0.0933129 + 0.000092064 * T - 0.000000077 * T2, 1.850333 - 0.000675 * T + 0.0000126 * T2, 7.43};
    case 4:
      return {99.443414 + 1.01053 * T + 0.00035222 * T2 - 0.00000851 * T3,
              273.277558 + 0.5994317 * T + 0.00070405 * T2 + 0.00000508 * T3, 5.202561,
              0.04833475 + 0.00016418 * T - 0.0000004676 * T2 - 0.0000000017 * T3,
              1.308736 - 0.00569641 * T + 0.0000039 * T2, -18.67};
    case 5:
      return {112.790414 + 0.8731951 * T - 0.00015218 * T2 - 0.00000531 * T3,
              338.3078 + 1.0852207 * T + 0.00097854 * T2 + 0.00000992 * T3, 9.554747,
              0.05589232 - 0.0003455 * T - 0.0000000728 * T2 + 0.00000000074 * T3,
              2.492519 - 0.0039189 * T - 0.00001549 * T2 + 0.00000004 * T3, -162.0};
    case 6:
      return {73.477111 + 0.4986678 * T + 0.0013117 * T2, 98.071581 + 0.985765 * T - 0.0010745 * T2 - 0.00000061 * T3,
              19.21814, 0.0463444 - 0.00002658 * T + 0.000000077 * T2, 0.772464 + 0.0006253 * T + 0.0000395 * T2, -3.7};
    case 7:
      return {130.681389 + 1.098935 * T + 0.00024987 * T2 - 0.000004718 * T3,
              276.045975 + 0.3256394 * T + 0.00014095 * T2 + 0.000004113 * T3, 30.10957,
              0.00899704 + 0.00000633 * T - 0.000000002 * T2, 1.779242 - 0.0095436 * T - 0.0000091 * T2, 317.0};
    default: {
      const double node = 110.30347 - 0.0000002839 * T;
      return {node, (224.06676 - 0.00000100578 * T) - node, 39.48168677 - 0.0000000210574 * T,
              0.24880766 + 0.00000000177002 * T, 17.14175 + 0.0000000841889 * T, -67.85};
    }
  }
}

// One outline from angles in radians.
void BuildOutline(double node, double perihelion, double a, double e, double i, double extra,
                  float points[kOrbitOutlinePoints][3]) {
  const RowMatrix3f m1 = RowRotationAxis(static_cast<float>(std::sin(node)), static_cast<float>(std::cos(node)), 0.0f,
                                         static_cast<float>(-i));
  const RowMatrix3f m2 = RowRotationZ(static_cast<float>(perihelion + extra));
  const RowMatrix3f m = RowMultiply(m2, m1);
  const double A = a * kAuToMillionKm;
  for (int k = 0; k < kOrbitOutlinePoints; ++k) {
    const double angle = k * kDegToRad;
    const double rho = A * (1.0 - e * e) / (1.0 + e * std::cos(angle));
    RowTransform(m, static_cast<float>(-rho * std::cos(angle)), static_cast<float>(rho * std::sin(angle)), 0.0f,
                 points[k]);
  }
}

}  // namespace

void BuildOrbitOutlines(double julianDate, const OrbitOutlineElements& sedna,
                        float outlines[kOrbitOutlineCount][kOrbitOutlinePoints][3]) {
  const double T = (julianDate - 2415020.0) / 36525.0;
  for (int orbit = 0; orbit < 9; ++orbit) {
    const OutlineElements el = PlanetOutlineElements(orbit, T);
    BuildOutline(el.node * kDegToRad, el.perihelion * kDegToRad, el.a, el.e, el.i * kDegToRad, el.extra * kDegToRad,
                 outlines[orbit]);
  }
  // Sedna's slot keeps its angles in radians already.
  BuildOutline(sedna.ascendingNode, sedna.argumentOfPeriapsis - sedna.ascendingNode, sedna.semiMajorAxis,
               sedna.eccentricity, sedna.inclination, 0.0, outlines[9]);
}

void KeplerSlotOffset(double meanMotion, double epoch, double semiMajorAxis, double inclination,
                      double argumentOfPeriapsis, double ascendingNode, double meanAnomaly, double eccentricity,
                      double julianDate, double position[3]) {
  const double M = NormalizeAngle((julianDate - epoch) * meanMotion + meanAnomaly);
  const double e = eccentricity;
  double E = 0.0;
  for (int n = 0; n < 50; ++n) {
    const double next = M + e * std::sin(E);
    const bool done = std::fabs(next - E) <= 1e-10;
    E = next;
    if (done) break;
  }
  const double x = semiMajorAxis * (std::cos(E) - e);
  const double y = -semiMajorAxis * std::sqrt(1.0 - e * e) * std::sin(E);
  const RowMatrix3f m =
      RowMultiply(RowMultiply(RowRotationY(static_cast<float>(argumentOfPeriapsis)), RowRotationX(static_cast<float>(inclination))),
                  RowRotationY(static_cast<float>(ascendingNode)));
  float out[3];
  RowTransform(m, static_cast<float>(x), 0.0f, static_cast<float>(y), out);
  position[0] = out[0] * kAuToMillionKm;
  position[1] = out[2] * kAuToMillionKm;
  position[2] = out[1] * kAuToMillionKm;
}
