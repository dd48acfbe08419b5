#pragma once
// The state of the Sun, the planets, Pluto and the Moon that the calendar's
// event detectors read at one instant, seen from one place on the Earth.
//
// The planet library is asked for geocentric places only, at nodes a few
// hours apart; each step between them interpolates the geocentric
// quantities with four nodes (cubic Lagrange), then computes what depends
// on the place for the step itself: the topocentric place, the topocentric
// diameters and the altitudes. Every longitude is of date: the Sun's and the
// Moon's apparent, the heliocentric ones on the same equinox.
#include <map>
#include <vector>

#include "PlanetLibrary.h"

constexpr int kEventBodyCount = 11;  // 0 Sun, 1 Mercury .. 9 Pluto, 10 Moon

struct EventBody {
  double altitude = 0.0;                // radians, no refraction
  double eclipticLongitude = 0.0;       // geocentric, apparent of date, radians
  double earthDistance = 0.0;           // AU, geocentric
  double sunDistance = 0.0;             // AU
  double apparentDiameter = 0.0;        // radians, topocentric
  double rightAscension = 0.0;          // apparent topocentric of date
  double declination = 0.0;
  double heliocentricLongitude = 0.0;   // of date; the Sun's and the Moon's records: geocentric
  double geocentricRightAscension = 0.0;  // apparent geocentric of date
  double geocentricDeclination = 0.0;
  double geocentricDiameter = 0.0;      // radians
  double elongation = 0.0;              // longitude difference to the Sun folded into [0, pi]
};

struct EventState {
  double julianDate = 0.0;
  EventBody bodies[kEventBodyCount];
  double sunLongitude = 0.0;      // the Earth's heliocentric longitude of date (Sun's apparent + pi), [0, 2 pi)
  double earthSunDistance = 1.0;  // AU
};

struct EventSite {
  double westLongitude = 0.0;  // radians
  double latitude = 0.0;       // radians, geodetic
  double elevation = 0.0;      // metres
};

class CEventSampler {
 public:
  // nodeHours: spacing of the library calls; 0 calls it at every instant.
  CEventSampler(PlanetesCalculProc library, const EventSite& site, double nodeHours = 6.0);
  virtual ~CEventSampler() = default;

  // The state at a Julian date (UT). False without a library.
  virtual bool StateAt(double julianDate, EventState& out);
  // Number of library calls made so far.
  long LibraryCalls() const { return m_calls; }

 private:
  static constexpr int kValuesPerBody = 7;  // x, y, z, helio longitude, earth distance, sun distance, diameter
  static constexpr int kNodeValues = kEventBodyCount * kValuesPerBody;
  using Node = std::vector<double>;

  bool NodeAt(long index, Node& node);
  bool Geocentric(double julianDate, Node& node);
  void Finish(double julianDate, const Node& values, EventState& out) const;

  PlanetesCalculProc m_library;
  EventSite m_site;
  double m_nodeDays;
  std::map<long, Node> m_nodes;
  long m_calls = 0;
};
