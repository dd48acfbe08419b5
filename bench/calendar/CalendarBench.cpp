// The events calendar, headless, at Dallas: the twelve month calendars of
// 2024 with every detector; the same with the rise-set lines; the two
// one-day alert calendars of the start-up (which delay the first frame).
#include <benchmark/benchmark.h>

#include <vector>

#include "EventsCalendar.h"
#include "Resource.h"
#include "SkyModel.h"
#include "UiDefs.h"

namespace {

const CString kNames[11] = {"Sun", "Mercury", "Venus", "Earth", "Mars", "Jupiter",
                            "Saturn", "Uranus", "Neptune", "Pluto", "Moon"};
const CString kMonths[12] = {"january", "february", "march",     "april",   "may",      "june",
                             "july",    "august",   "september", "october", "november", "december"};
const CString kWeekdays[7] = {"Saturday", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday"};

CSkyModel& Dallas() {
  static CSkyModel* model = [] {
    auto* m = new CSkyModel;
    AfxRegisterStrings(kCalendarStringTable, kCalendarStringTableCount);
    AfxRegisterStrings(kInfoStringTable, kInfoStringTableCount);
    m->m_installFolder = NUVARINE_INSTALL_DIR;
    m->LoadPlanetLibrary();
    InitBodyConstants();
    m->m_observerLatitude = (32 + 46 / 60.0 + 36 / 3600.0) * kDegToRad;
    m->m_observerLongitude = (96 + 47 / 60.0 + 49 / 3600.0) * kDegToRad;
    m->m_observerElevation = 140;
    m->m_planetariumMode = true;
    m->m_computingEphemeris = true;
    m->m_pressure = 0;
    m->m_utcOffset = 0;
    return m;
  }();
  return *model;
}

// One calculation as the view makes it (without its windows).
CString Calendar(CSkyModel& m, const CalendarRequest& r) {
  EventSite site{m.m_observerLongitude, m.m_observerLatitude, m.m_observerElevation};
  CEventSampler sampler(g_pPlanetesCalcul, site);
  CEventDetectors detectors(kNames);
  CEventStepper stepper(sampler, detectors);
  std::vector<CString> texts;
  stepper.Run(CalendarFirstDay(r), CalendarDayCount(r), texts);
  const double firstNoon = CalendarFirstDay(r) + 0.5;
  auto riseSet = [&](int d) {
    double y, mo, dd, h, mi, se;
    m.CalendarFromJulianDay(y, mo, dd, h, mi, se, firstNoon + (d - 1));
    m.m_year = y;
    m.m_month = mo;
    m.m_day = dd;
    m.m_hour = 12;
    m.m_minute = m.m_second = 0;
    m.UpdateTimeContext();
    m.UpdateSolarSystemBodies();
    CString lines;
    for (int b : {1, 2, 4, 5, 6, 7, 8, 9, 10, 0}) {
      double rise, transit, set;
      m.RiseTransitSet(rise, transit, set, b == 10, b == 0, g_bodies[b].rightAscension, g_bodies[b].declination);
      CString t;
      m.FormatTimeOfDay(t, true, rise * 57.29577951308232);
      lines += t;
    }
    return lines;
  };
  return BuildCalendarText(r, CalendarNames{kNames, kMonths, kWeekdays}, texts, riseSet);
}

void YearOfMonths(benchmark::State& state, bool riseSet) {
  CSkyModel& m = Dallas();
  for (auto _ : state) {
    size_t size = 0;
    for (int month = 1; month <= 12; ++month) {
      CalendarRequest r;
      r.year = 2024;
      r.month = month;
      r.planetsRiseSet = riseSet;
      size += Calendar(m, r).size();
    }
    benchmark::DoNotOptimize(size);
  }
}

void BM_YearOfMonthCalendars(benchmark::State& state) { YearOfMonths(state, false); }
void BM_YearOfMonthCalendarsWithRiseSet(benchmark::State& state) { YearOfMonths(state, true); }

void BM_StartupAlerts(benchmark::State& state) {
  CSkyModel& m = Dallas();
  for (auto _ : state) {
    CalendarRequest r;
    r.alertMode = r.periodMode = true;
    r.year = 2024;
    r.month = 4;
    r.day = 7;
    CString today = Calendar(m, r);
    r.day = 8;
    benchmark::DoNotOptimize(today + Calendar(m, r));
  }
}

}  // namespace

BENCHMARK(BM_YearOfMonthCalendars)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_YearOfMonthCalendarsWithRiseSet)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StartupAlerts)->Unit(benchmark::kMillisecond)->Iterations(5);
