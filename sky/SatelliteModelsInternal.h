#pragma once
// Helpers shared by the orbit model sources only.
#include "SatelliteModels.h"

// Writes the rejection line on standard output (the windowed program shows
// no console), zeroes position and velocity and returns false.
bool RejectSatelliteOrbit(double a, double e, Vector3d& position, Vector3d& velocity);

// True when every component is finite.
bool IsFiniteState(const Vector3d& position, const Vector3d& velocity);

// Position and velocity from the radius r, its rates and the unit vectors U
// (towards the satellite) and V (along the track), in Earth radii and
// Earth radii per minute, scaled to km and km per minute.
void StoreSatelliteState(double r, double rdot, double rfdot, const Vector3d& u, const Vector3d& v,
                         Vector3d& position, Vector3d& velocity);

// A radius or a mean semi-major axis below the Earth's surface (in Earth
// radii) means the satellite has decayed.
constexpr double kSatDecayRadius = 1.0;
