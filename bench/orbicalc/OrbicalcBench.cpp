// Cost of the planet library's two modes.
#include <benchmark/benchmark.h>

#include "Ephemeris.h"

namespace {

void BM_AllBodies(benchmark::State& state) {
  PlanetLibraryResult rows[11];
  orbicalc::Site site;
  site.latitudeDegrees = 48.85;
  site.pressure = 1013.0;
  double jd = 2460000.5;
  for (auto _ : state) {
    orbicalc::ComputeAllBodies(jd, site, rows);
    benchmark::DoNotOptimize(rows);
    jd += 0.001;
  }
}
BENCHMARK(BM_AllBodies)->Unit(benchmark::kMicrosecond);

void BM_Elements(benchmark::State& state) {
  PlanetLibraryResult row;
  orbicalc::Site site;
  orbicalc::OrbitElements e;
  e.semiMajorAxis = 2.7666;
  e.eccentricity = 0.0786;
  e.inclination = 10.587;
  e.node = 80.266;
  e.perihelion = 73.53;
  e.meanAnomaly = 334.3;
  e.epoch = 2459800.5;
  double jd = 2460000.5;
  for (auto _ : state) {
    orbicalc::ComputeFromElements(jd, site, e, row);
    benchmark::DoNotOptimize(row);
    jd += 0.001;
  }
}
BENCHMARK(BM_Elements)->Unit(benchmark::kMicrosecond);

// Mode 99 as the comet and asteroid update calls it: many bodies at one instant.
void BM_ElementsSameInstant(benchmark::State& state) {
  PlanetLibraryResult row;
  orbicalc::Site site;
  orbicalc::OrbitElements e;
  e.semiMajorAxis = 2.7666;
  e.eccentricity = 0.0786;
  e.inclination = 10.587;
  e.node = 80.266;
  e.perihelion = 73.53;
  e.epoch = 2459800.5;
  for (auto _ : state) {
    e.meanAnomaly += 1.0;
    orbicalc::ComputeFromElements(2460000.5, site, e, row);
    benchmark::DoNotOptimize(row);
  }
}
BENCHMARK(BM_ElementsSameInstant)->Unit(benchmark::kMicrosecond);

}  // namespace
