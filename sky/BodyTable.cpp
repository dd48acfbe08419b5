// The body table and the orbit table: constants set once at start-up.
#include <cstring>

#include "SkyModel.h"

BodyState g_bodies[kBodyCount];
float g_bodyPoles[kBodyCount][3];
OrbitRecord g_orbits[kOrbitSlotCount];

namespace {

struct BodyConstant {
  double diameter;           // km
  double absoluteMagnitude;  // 100 = none
};

const BodyConstant kBodyConstants[kBodyCount] = {
    {1392000, -30},  {4878, -0.21},   {12104, -4.1},   {12756, 0},      {6787, -1.36},   {142796, -9},
    {120660, -8.7},  {52400, -7},     {49528, -7},     {2274, -1.5},    {3468, 100},     {0.014, 100},
    {0.08, 100},     {3642, -1.19},   {3130, -0.98},   {5268, -1.67},   {4806, -0.46},   {0.02, 100},
    {22, 12.83},     {12, 13.92},     {398, 3.42},     {5150, -1.08},   {498, 2.32},     {1060, 0.82},
    {1120, 0.92},    {1528, 0.22},    {410, 4.92},     {1436, 1.62},    {220, 6.94},     {470, 3.51},
    {1152, 1.36},    {1170, 0.93},    {1578, 0.93},    {1522, 1.14},    {436, 5.52},     {2706, -1.32},
    {340, 3.91},     {1172, 0.88},    {0.005, 100},    {0.005, 100},    {0.022, 100},    {0.005, 100},
    {0.005, 100},    {0.005, 100},    {1700, 0.88},    {0.001, 100},    {6, -2},         {0.002, 100},
    {0.004, 100},    {0.004, 100},    {0.004, 100},    {0.004, 100},    {0.004, 100},    {0.004, 100},
    {0.004, 100},    {0.004, 100},    {0.004, 100},    {0.005, 100},    {0.005, 100},    {0.005, 100},
    {0.009, 100},    {0.005, 100},    {0.005, 100},    {0.005, 100},    {0.005, 100},    {0.005, 100},
    {0.005, 100},    {0.008, 100},    {0.008, 100},    {0.008, 100},    {0.001, 100},    {0.002, 100},
};

struct OrbitConstant {
  int slot;
  double meanMotion, epoch, semiMajorAxis, inclination, argumentOfPeriapsis, ascendingNode, meanAnomaly,
      eccentricity;
  uint8_t type;
};

const OrbitConstant kOrbitConstants[] = {
    {0, 19.70206424125799, 2451545.0, 6.268271036670675e-05, 0.01876228945893904, 3.7315837539339562,
     2.2461340275615824, 3.3470353598420455, 0.0151, kOrbitKepler},
    {1, 4.977013030454165, 2451545.0, 0.00015684180457664482, 0.03129375348825833, 3.6340023954549534,
     0.44032911698564936, 6.006166648303046, 0.00033, kOrbitKepler},
    {4, 5.598415157223762, 2450085.5, 0.0007861074456260625, 0.019216075064457567, 4.850060551782002,
     5.713823998593996, 3.6017836174631377, 0.0004, kOrbitKepler},
    {5, 1.0691409383771475, 2447763.5, 0.0023714594623661525, 2.737134241522832, 5.1154273925722284,
     2.5813295369553395, 5.510463749392053, 2.285e-05, kOrbitKepler},
    {6, 0.017446692339305268, 2447763.5, 0.03685480264213208, 0.4954117081785905, 0.3087487446777969,
     3.3279589111177477, 0.6292959150990755, 0.7512, kOrbitKepler},
    {7, 0.9837080499450915, 2451545.0, 0.00013125855274075988, 8.377580409572782e-05, 2.3345628794431272,
     1.6328986322393588, 1.6308269264172415, 0.0002, kOrbitKepler},
    {8, 0.0004855247759760507, 2452178.467091144, 551.2039416, 0.20821551083489592, 5.42532229496981,
     2.5216693311068523, 6.247389651418733, 0.8615909, kOrbitPlanetLibrary},
};

}  // namespace

void InitBodyConstants() {
  for (int n = 0; n < kBodyCount; ++n) g_bodies[n].absoluteMagnitude = 100.0;
  for (int n = 0; n < kBodyCount; ++n) {
    g_bodies[n].diameter = kBodyConstants[n].diameter;
    g_bodies[n].absoluteMagnitude = kBodyConstants[n].absoluteMagnitude;
  }
  // Every slot without elements of its own is an artificial-satellite slot.
  for (int s = 0; s < kOrbitSlotCount; ++s) {
    std::memset(&g_orbits[s], 0, sizeof(OrbitRecord));
    g_orbits[s].orbitType = kOrbitTwoLineElements;
  }
  for (const OrbitConstant& c : kOrbitConstants) {
    OrbitRecord& o = g_orbits[c.slot];
    o.meanMotion = c.meanMotion;
    o.epoch = c.epoch;
    o.semiMajorAxis = c.semiMajorAxis;
    o.inclination = c.inclination;
    o.argumentOfPeriapsis = c.argumentOfPeriapsis;
    o.ascendingNode = c.ascendingNode;
    o.meanAnomaly = c.meanAnomaly;
    o.eccentricity = c.eccentricity;
    o.absoluteMagnitude = 0.0;
    o.orbitType = c.type;
  }
  std::memset(g_bodyPoles, 0, sizeof(g_bodyPoles));
  g_bodyPoles[kBodySaturn][0] = 0.49011812f;
  g_bodyPoles[kBodySaturn][1] = -0.095f;
  g_bodyPoles[kBodySaturn][2] = 0.16f;
}
