// Cost of the solar-system update and of the comet and asteroid positions,
// through the loaded planet library.
#include <benchmark/benchmark.h>

#include <cmath>

#include "SkyModel.h"

namespace {

bool Prepare(CSkyModel& model) {
  model.m_installFolder = NUVARINE_INSTALL_DIR;
  if (!model.LoadPlanetLibrary()) return false;
  InitBodyConstants();
  model.m_planetariumMode = true;
  model.m_observerLatitude = 48.85 * kDegToRad;
  model.m_sinLatitude = std::sin(model.m_observerLatitude);
  model.m_cosLatitude = std::cos(model.m_observerLatitude);
  model.m_year = 2026;
  model.UpdateTimeContext();
  return true;
}

void BM_UpdateSolarSystemBodies(benchmark::State& state) {
  CSkyModel model;
  if (!Prepare(model)) {
    state.SkipWithError("planet library not found");
    return;
  }
  model.m_planetariumMode = state.range(0) != 0;
  model.m_cameraPosition = {10.0, 150.0, 1.0};
  for (auto _ : state) {
    model.UpdateSolarSystemBodies();
    model.m_julianDate += 0.001;
    benchmark::DoNotOptimize(g_bodies);
  }
}
BENCHMARK(BM_UpdateSolarSystemBodies)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_LibraryModeElements(benchmark::State& state) {
  CSkyModel model;
  if (!Prepare(model)) {
    state.SkipWithError("planet library not found");
    return;
  }
  PlanetLibraryElements block{};
  SetElementDouble(block, kElementEpoch, 2459800.5);
  SetElementDouble(block, kElementSemiMajorAxis, 2.7666);
  SetElementDouble(block, kElementEccentricity, 0.0786);
  SetElementDouble(block, kElementInclination, 10.587);
  SetElementDouble(block, kElementEquinox, 2451545.0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(model.CallPlanetLibrary(kPlanetLibraryModeElements, block, 1013.0));
    model.m_julianDate += 0.001;
  }
}
BENCHMARK(BM_LibraryModeElements)->Unit(benchmark::kMicrosecond);

}  // namespace
