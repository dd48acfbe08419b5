// The per-frame update with every catalogue, the comets and asteroids of the
// element files and the satellites loaded, an object locked and time
// running: the whole FrameMove, and UpdateSkyPositions alone at the same
// instants, so the update's own share is their difference.
#include <benchmark/benchmark.h>

#include "LoadEverything.h"
#include "Nuvarine2View.h"

namespace {

class BenchView : public CNuvarine2View {
 public:
  double AbsoluteTime() const override { return now; }
  double now = 0.0;
};

bool Prepare(BenchView& view) {
  if (!benchsky::LoadEverything(view)) return false;
  static bool elements = false;
  if (!elements) {
    if (!view.LoadComets(view.m_installFolder) || !view.LoadAsteroids(view.m_installFolder)) return false;
    elements = true;
  }
  view.m_showComets = view.m_showAsteroids = true;
  view.m_lockedObject = 5;  // Jupiter
  view.m_animationMethod = 1;
  view.m_animationSpeedFactor = 3000.0;
  view.OnStartAnimation();
  return true;
}

void BM_FrameMove(benchmark::State& state) {
  BenchView view;
  if (!Prepare(view)) {
    state.SkipWithError("install folder, element files or planet library not found");
    return;
  }
  for (auto _ : state) {
    view.now += 0.033;
    view.FrameMove(0.033f);
    benchmark::DoNotOptimize(view.m_julianDate);
  }
}
BENCHMARK(BM_FrameMove)->Unit(benchmark::kMillisecond);

void BM_UpdateSkyPositionsAtTheSameInstants(benchmark::State& state) {
  BenchView view;
  if (!Prepare(view)) {
    state.SkipWithError("install folder, element files or planet library not found");
    return;
  }
  for (auto _ : state) {
    view.now += 0.033;
    view.m_julianDate = view.m_animationStartDate + view.now * 3000.0 / 86400.0;
    view.CalendarFromJulianDay(view.m_year, view.m_month, view.m_day, view.m_hour, view.m_minute, view.m_second,
                               view.m_julianDate);
    view.UpdateSkyPositions();
    benchmark::DoNotOptimize(view.m_julianDate);
  }
}
BENCHMARK(BM_UpdateSkyPositionsAtTheSameInstants)->Unit(benchmark::kMillisecond);

}  // namespace
