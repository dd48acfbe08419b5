// One pick with every layer loaded (bright stars, 30 Sky2000 and 2 x 30
// Tycho-2 tiles, the deep-sky catalogue, the bodies), and an HD number
// searched through every Sky2000 tile.
#include <benchmark/benchmark.h>

#include "Catalogues.h"
#include "FindObject.h"
#include "LoadEverything.h"
#include "ObjectPick.h"
#include "SolarSystemTypes.h"

namespace {

CSkyModel& Model() {
  static CSkyModel* model = [] {
    auto* m = new CSkyModel;
    if (!benchsky::LoadEverything(*m)) return static_cast<CSkyModel*>(nullptr);
    m->m_limitingMagnitude = 30.0;
    m->UpdateSkyPositions();
    return m;
  }();
  return *model;
}

// The pick's own work: the Tycho-2 horizontal places, every category's scan
// and the winner (the positions of the instant are already up to date).
void BM_PickEveryLayer(benchmark::State& state) {
  CSkyModel& m = Model();
  if (!&m) return state.SkipWithError("install folder incomplete");
  PickContext context;
  context.planetarium = true;
  context.fieldOfView = 0.1f;
  context.deepSkyLimitingMagnitude = 30.0;
  context.tycho2Part2Loaded = true;
  for (auto _ : state) {
    PrepareTycho2HorizontalPlaces(m, true);
    PickResult r = ScanPickCandidates(m, context, 1.0, 0.7);
    DecidePickWinner(m, context, r);
    benchmark::DoNotOptimize(r);
  }
  state.counters["stars"] = g_brightStarCount + g_sky2000StarCount + g_tycho2StarCount + g_tycho2Part2StarCount;
  state.counters["deepsky"] = g_deepSkyCount;
}
BENCHMARK(BM_PickEveryLayer)->Unit(benchmark::kMillisecond);

// The same with the per-instant update the pick starts with.
void BM_PickWithPositionUpdate(benchmark::State& state) {
  CSkyModel& m = Model();
  if (!&m) return state.SkipWithError("install folder incomplete");
  PickContext context;
  context.planetarium = true;
  context.fieldOfView = 0.1f;
  context.deepSkyLimitingMagnitude = 30.0;
  context.tycho2Part2Loaded = true;
  for (auto _ : state) {
    m.UpdateSkyPositions();
    PrepareTycho2HorizontalPlaces(m, true);
    PickResult r = ScanPickCandidates(m, context, 1.0, 0.7);
    DecidePickWinner(m, context, r);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_PickWithPositionUpdate)->Unit(benchmark::kMillisecond);

// An HD number no tile holds: all 184 Sky2000 tiles are read and scanned.
void BM_FindHdThroughSky2000Tiles(benchmark::State& state) {
  CSkyModel& m = Model();
  if (!&m) return state.SkipWithError("install folder incomplete");
  FindQuery query;
  query.hdNumber = 4000000000u;
  FindContext context;
  context.planetarium = true;
  context.useSky2000 = true;
  context.installFolder = NUVARINE_INSTALL_DIR;
  const bool keep = m.m_sky2000Loaded;
  m.m_sky2000Loaded = true;  // skip the bright stars: the tiles alone
  for (auto _ : state) benchmark::DoNotOptimize(FindObject(m, query, context));
  m.m_sky2000Loaded = keep;
}
BENCHMARK(BM_FindHdThroughSky2000Tiles)->Unit(benchmark::kMillisecond);

}  // namespace
