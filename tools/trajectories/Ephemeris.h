#pragma once
// Heliocentric positions of the bodies the missions met, J2000 ecliptic, AU:
// the planets from libnova (VSOP87, Pluto by Meeus' method), Titan from
// Saturn plus its moon theory, and small bodies from their published
// osculating elements (two-body motion).
#include <map>
#include <string>

#include "Orbits.h"

struct SmallBody {
  // asteroid: a, e, i, node, peri, M at epoch; comet: perihelion time in
  // epoch, q in a, mean anomaly 0.
  bool comet = false;
  double epoch = 0, a = 0, e = 0, i = 0, node = 0, peri = 0, meanAnomaly = 0;
};

class BodyEphemeris {
 public:
  // Adds or replaces a small body.
  void AddSmallBody(const std::string& name, const SmallBody& body);
  // True when the name is a planet, Titan or a known small body.
  bool Knows(const std::string& name) const;
  Vec3 Position(const std::string& name, double jd) const;
  // Velocity by a central difference (AU/day).
  Vec3 Velocity(const std::string& name, double jd) const;

 private:
  std::map<std::string, SmallBody> m_small;
};

// Titan's offset from Saturn (AU, J2000 ecliptic) at the Julian date.
Vec3 TitanOffsetFromSaturn(double jd);
