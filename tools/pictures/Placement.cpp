#include "Placement.h"

#include <cmath>

namespace pictures {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;
constexpr double kSceneRadius = 2.01;      // radius of the sky sphere the sprites sit on
constexpr double kSpriteHalfWidth = 0.01;  // half-side of the sprite quad

struct V3 {
  double x, y, z;
};
V3 Unit(double ra, double dec) { return {std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra), std::sin(dec)}; }
V3 Add(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
void ToRaDec(V3 v, double& ra, double& dec) {
  ra = std::atan2(v.y, v.x);
  if (ra < 0) ra += 2 * kPi;
  dec = std::atan2(v.z, std::hypot(v.x, v.y));
}

}  // namespace

double PositionAngle(double raA, double decA, double raB, double decB) {
  const double d = raB - raA;
  return std::atan2(std::sin(d) * std::cos(decB),
                    std::cos(decA) * std::sin(decB) - std::sin(decA) * std::cos(decB) * std::cos(d));
}

double AngularDistance(double raA, double decA, double raB, double decB) {
  const V3 a = Unit(raA, decA), b = Unit(raB, decB);
  const V3 c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  return std::atan2(std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z), a.x * b.x + a.y * b.y + a.z * b.z);
}

Placement PlacePicture(const Corner corners[4]) {
  Placement p;
  V3 v[4];
  double ra[4], dec[4];
  for (int i = 0; i < 4; ++i) {
    ra[i] = std::fmod(corners[i].ra, 360.0) * kDeg;
    dec[i] = corners[i].dec * kDeg;
    v[i] = Unit(ra[i], dec[i]);
  }
  ToRaDec(Add(Add(v[0], v[1]), Add(v[2], v[3])), p.centreRa, p.centreDec);
  p.width = (AngularDistance(ra[0], dec[0], ra[1], dec[1]) + AngularDistance(ra[3], dec[3], ra[2], dec[2]) +
             AngularDistance(ra[0], dec[0], ra[3], dec[3]) + AngularDistance(ra[1], dec[1], ra[2], dec[2])) /
            4.0;
  double topRa, topDec, rightRa, rightDec;
  ToRaDec(Add(v[2], v[3]), topRa, topDec);
  ToRaDec(Add(v[1], v[2]), rightRa, rightDec);
  const double up = PositionAngle(p.centreRa, p.centreDec, topRa, topDec);
  const double right = PositionAngle(p.centreRa, p.centreDec, rightRa, rightDec);
  // Seen from inside the sphere, east is 90 degrees anticlockwise of north,
  // so a picture as the sky shows it has its right side at up - 90 degrees.
  p.mirrored = std::remainder(right - up, 2 * kPi) > 0.0;
  p.rotation = up / kDeg;  // position angle of the picture's top, completed by FitToObject
  return p;
}

void FitToObject(Placement& p, double objectRa, double objectDec, double largeSize, int positionAngle) {
  // Half the picture's width at the sprite's distance.
  p.scale = kSceneRadius * std::tan(p.width / 2.0) / (kSpriteHalfWidth * largeSize * 60.0);
  p.raOffset = std::remainder(p.centreRa - objectRa, 2 * kPi) * 1000.0;
  p.decOffset = (p.centreDec - objectDec) * 1000.0;
  // The drawing turns the sprite by the object's position angle less the
  // rotation; the picture's top must end at its own position angle.
  p.rotation = std::remainder(positionAngle - p.rotation, 360.0);
}

}  // namespace pictures
