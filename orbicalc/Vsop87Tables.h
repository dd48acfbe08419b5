#pragma once
// The complete VSOP87 series, version B (heliocentric ecliptic longitude,
// latitude and radius vector, ecliptic and equinox J2000), generated at build
// time (build/orbicalc/Vsop87Tables.cpp) from kstars-data's coefficient files
// by tools/planettables/make_vsop87.py.
namespace orbicalc {

struct VsopTerm {
  double a, b, c;  // a cos(b + c t), t in Julian millennia of TT from J2000
};

struct VsopSeries {
  int first, count;  // into the body's terms
};

struct VsopBody {
  const VsopTerm* terms;
  VsopSeries series[18];  // L0..L5, B0..B5, R0..R5
};

// Mercury, Venus, Earth, Mars, Jupiter, Saturn, Uranus, Neptune.
extern const VsopBody kVsopBodies[8];

}  // namespace orbicalc
