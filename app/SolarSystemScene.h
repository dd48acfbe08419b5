#pragma once
// Computations of the solar-system scene that the tests check on their own.
#include "d3dx9.h"

// The Earth's spin (apparent Greenwich sidereal angle, radians in [0, 2 pi)).
double EarthSpinAngle(double julianDate, double utFraction, double nutationLongitude, double cosObliquity);
// The Earth's globe as it is drawn: its turn of the day about its axis, then
// the tilt of its axis onto `pole` (the scene direction of the Earth's pole;
// all zero: untilted). A point of the globe's mesh at east longitude L and
// latitude B lies at (sin L cos B, cos L cos B, sin B) before the turn, so
// Greenwich ends at the sidereal angle from the equinox.
D3DXMATRIX EarthGlobeOrientation(double julianDate, double utFraction, double nutationLongitude, double cosObliquity,
                                 const float pole[3]);
// The turns (radians about the Earth's axis) of the Earth's cloud layer and
// of the clouds' shadows under it, the shadows 0.004 rad ahead. A live cloud
// map shows the clouds over the ground as it was photographed, so it turns
// with the Earth's surface (minus the Greenwich sidereal angle, as the
// Earth's spin); the stored cloud picture drifts on its own, 7 rad a day.
struct EarthCloudTurns {
  double layer, shadow;
};
EarthCloudTurns EarthCloudTurnsAt(bool liveMap, double julianDate, double greenwichSiderealAngle);
// The factor applied to an object's position and radii at camera distance
// d: far objects come to distance 1, very near ones go out to 0.0001; a
// camera at the exact centre keeps the factor 1.
double ClampDrawingDistance(double d);

// One strip of the ring buffer: first vertex and triangle count.
struct RingDraw {
  int start, triangles;
};
// The strips of the half ring that starts at the camera angle t (radians);
// returns how many (1 or 2).
int RingHalfDraws(double t, RingDraw out[2]);
