#include <benchmark/benchmark.h>

#include <cmath>

#include "SkyModel.h"

static void BM_UpdateTimeContext(benchmark::State& state) {
  CSkyModel m;
  m.m_year = 2026, m.m_month = 12, m.m_day = 10, m.m_hour = 21;
  double second = 0;
  for (auto _ : state) {
    m.m_second = second;
    second = second < 59 ? second + 1 : 0;
    m.UpdateTimeContext();
    benchmark::DoNotOptimize(m.m_localSiderealTime);
  }
}
BENCHMARK(BM_UpdateTimeContext);

static void BM_EquatorialToHorizontal(benchmark::State& state) {
  CSkyModel m;
  m.m_sinLatitude = std::sin(0.85);
  m.m_cosLatitude = std::cos(0.85);
  m.UpdateRefractionFactor();
  double ra = 0, az = 0, alt = 0;
  for (auto _ : state) {
    ra += 0.001;
    if (ra > kTwoPi) ra -= kTwoPi;
    m.EquatorialToHorizontal(az, alt, 1.2, ra, 0.3);
    benchmark::DoNotOptimize(az);
    benchmark::DoNotOptimize(alt);
  }
}
BENCHMARK(BM_EquatorialToHorizontal);
