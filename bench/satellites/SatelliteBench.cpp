// One satellite propagated to 1,000 instants spread over a day, with each
// orbit model, and the whole per-satellite step of the sky update.
#include <benchmark/benchmark.h>

#include "SkyModel.h"
#include "TwoLineElements.h"

namespace {

constexpr int kInstants = 1000;

// The ISS for the near-Earth models; pair 12 (period 57 h, eccentricity
// 0.68) for the deep-space ones.
void BM_Propagate(benchmark::State& state) {
  const int model = static_cast<int>(state.range(0));
  const int pair = model >= kModelSdp4 ? 12 : 0;
  SatelliteElements el;
  ParseTwoLineElements(kBuiltInTleLines[2 * pair], kBuiltInTleLines[2 * pair + 1], el);
  SatelliteModelState st;
  switch (model) {
    case kModelSgp: InitSgp(el, st); break;
    case kModelSgp4: InitSgp4(el, st); break;
    case kModelSgp8: InitSgp8(el, st); break;
    case kModelSdp4: InitSdp4(el, st); break;
    default: InitSdp8(el, st); break;
  }
  Vector3d p, v;
  for (auto _ : state) {
    for (int i = 0; i < kInstants; ++i) {
      const double t = -720.0 + 1.44 * i;
      switch (model) {
        case kModelSgp: PropagateSgp(t, el, st, p, v); break;
        case kModelSgp4: PropagateSgp4(t, el, st, p, v); break;
        case kModelSgp8: PropagateSgp8(t, el, st, p, v); break;
        case kModelSdp4: PropagateSdp4(t, el, st, p, v); break;
        default: PropagateSdp8(t, el, st, p, v); break;
      }
      benchmark::DoNotOptimize(p);
    }
  }
  state.SetItemsProcessed(state.iterations() * kInstants);
}
BENCHMARK(BM_Propagate)->ArgName("model")->DenseRange(kModelSgp, kModelSdp8)->Unit(benchmark::kMicrosecond);

// What the sky update does per satellite and instant: parse the lines,
// initialise the chosen model, propagate, and turn the position into
// right ascension, declination, azimuth and altitude.
void BM_ComputeSatellitePosition(benchmark::State& state) {
  CSkyModel sky;
  sky.m_observerLatitude = 0.85;
  sky.m_sinLatitude = 0.75128;
  sky.m_cosLatitude = 0.65998;
  const char* lines[2] = {sky.m_tleLines[0].data(), sky.m_tleLines[1].data()};
  double x, y, z, ra, dec, alt, az;
  for (auto _ : state) {
    for (int i = 0; i < kInstants; ++i) {
      sky.m_julianDate = 2453825.0 + 0.001 * i;
      sky.ComputeSatellitePosition(lines, x, y, z, ra, dec, alt, az);
      benchmark::DoNotOptimize(alt);
    }
  }
  state.SetItemsProcessed(state.iterations() * kInstants);
}
BENCHMARK(BM_ComputeSatellitePosition)->Unit(benchmark::kMicrosecond);

}  // namespace
