// Cost of the per-instant update in planetarium mode with every catalogue
// layer loaded: all bright stars and deep-sky objects, 30 Sky2000 and 2 x 30
// Tycho-2 tiles, constellation labels, borders and figures, and the grids.
#include <benchmark/benchmark.h>

#include <cmath>

#include "LoadEverything.h"

namespace {

using benchsky::LoadEverything;

void BM_UpdateSkyPositions(benchmark::State& state) {
  CSkyModel m;
  if (!LoadEverything(m)) {
    state.SkipWithError("install folder or planet library not found");
    return;
  }
  for (auto _ : state) {
    m.UpdateSkyPositions();
    m.m_minute += 1.0;
    if (m.m_minute >= 60.0) m.m_minute = 0.0;
    benchmark::DoNotOptimize(g_deepSkyObjects[0].altitude);
  }
  state.counters["stars"] = g_brightStarCount;
  state.counters["deepSky"] = g_deepSkyCount;
}
BENCHMARK(BM_UpdateSkyPositions)->Unit(benchmark::kMillisecond);

void BM_SunRiseTransitSet(benchmark::State& state) {
  CSkyModel m;
  if (!LoadEverything(m)) {
    state.SkipWithError("install folder or planet library not found");
    return;
  }
  double rise, transit, set;
  for (auto _ : state) benchmark::DoNotOptimize(m.RiseTransitSet(rise, transit, set, false, true, 0.0, 0.0));
}
BENCHMARK(BM_SunRiseTransitSet)->Unit(benchmark::kMillisecond);

}  // namespace
