// The view's events calendar: the commands, the borrowed observation
// context, the progress window and the start-up alerts.
#include <vector>

#include "Clock.h"
#include "EphemerisDialogs.h"
#include "EventsCalendar.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "UiDefs.h"

namespace {

constexpr UINT kCommandEphemeris = 32828;
constexpr UINT kCommandLastEphemeris = 32829;
constexpr double kDegreesPerRadian = 57.29577951308232;

}  // namespace

void CNuvarine2View::MapCalendarCommands() {
  MapCommand(kCommandEphemeris, [this] { OnEphemeris(); });
  MapCommand(kCommandLastEphemeris, [this] { OnSeeLastEphemerisResult(); });
}

BOOL CNuvarine2View::OnCmdMsg(UINT id, CCmdUI* pUI) {
  if (m_calendarRunning && (HasCommandHandler(id) || HasUpdateHandler(id))) {
    if (pUI) pUI->Enable(FALSE);
    return TRUE;
  }
  return CView::OnCmdMsg(id, pUI);
}

void CNuvarine2View::StopEventsCalendar() {
  m_calendarCloseStop = true;
  if (g_workProgressDialog) g_workProgressDialog->Close();
}

void CNuvarine2View::OnEphemeris() {
  if (!m_planetariumMode || m_calendarRunning) return;
  CEphemerisDialog dialog;
  if (dialog.DoModal() != IDOK || dialog.m_startYear == -50000) return;
  ShowEventsCalendar(dialog.m_planetsResult, dialog.m_periodResult, dialog.m_lengthResult, false, dialog.m_startYear,
                     dialog.m_startMonth, dialog.m_startDay);
}

void CNuvarine2View::OnSeeLastEphemerisResult() {
  if (m_lastEphemerisText.IsEmpty() || m_ephemerisResultShown) return;
  m_ephemerisResultShown = true;
  CEphemerisResultDialog dialog;
  dialog.m_rtfText = m_lastEphemerisText;
  dialog.DoModal();
  m_ephemerisResultShown = false;
}

void CNuvarine2View::ShowEventsCalendar(bool planetsRiseSet, bool periodMode, int lengthDays, bool alertMode,
                                        double year, double month, double day) {
  CalendarRequest request;
  request.planetsRiseSet = planetsRiseSet;
  request.periodMode = periodMode;
  request.lengthDays = lengthDays;
  request.alertMode = alertMode;
  request.year = year;
  request.month = month;
  request.day = day;
  // A date the pickers could not give, or a period beyond the tables, is
  // refused; so is a second calculation while one runs.
  const int days = CalendarDayCount(request);
  if (days < 1 || m_calendarRunning) return;

  // Borrow the observation context: no animation, planetarium mode; the
  // passes step their own instants and leave the civil fields alone. Universal
  // time and no refraction are set only while the rise-set lines are computed
  // below, where no message is dispatched: a repaint, a command or a close
  // arriving during the passes sees the user's zone and pressure.
  const double savedYear = m_year, savedMonth = m_month, savedDay = m_day, savedHour = m_hour,
               savedMinute = m_minute, savedSecond = m_second, savedOffset = m_utcOffset, savedPressure = m_pressure;
  const bool savedAnimation = m_animationRunning, savedMode = m_planetariumMode;
  m_animationRunning = false;
  m_computingEphemeris = true;
  m_planetariumMode = true;
  m_calendarRunning = true;
  m_calendarCloseStop = false;
  CWorkInProgressDialog::m_stopRequested = false;
  if (!alertMode) RunWorkProgressThread();

  EventSite site;
  site.westLongitude = m_observerLongitude;
  site.latitude = m_observerLatitude;
  site.elevation = m_observerElevation;
  CEventSampler sampler(g_pPlanetesCalcul, site);
  CEventDetectors detectors(g_bodyNames);
  CEventStepper stepper(sampler, detectors);
  if (!alertMode) {
    // The window, its Stop button and the sky go on, but a frame drawn at
    // every step made the month as slow as thousands of frames on a busy
    // machine: the messages are pumped every 40 ms, and when the progress moves.
    stepper.onStep = [lastPump = 0.0, lastPercent = -1]() mutable {
      const int percent = CWorkInProgressDialog::m_percent;
      const double now = MillisecondClock();
      if (now - lastPump < 40.0 && percent == lastPercent) return;
      lastPump = now;
      lastPercent = percent;
      PumpMessages();
    };
    stepper.onProgress = [](int percent) { CWorkInProgressDialog::m_percent = percent; };
  }
  stepper.stopRequested = [this] { return CWorkInProgressDialog::m_stopRequested.load() || m_calendarCloseStop; };
  std::vector<CString> texts;
  const bool completed = stepper.Run(CalendarFirstDay(request), days, texts);

  CString result;
  if (completed) {
    m_utcOffset = 0.0;
    m_pressure = 0.0;
    CalendarNames names;
    names.bodyNames = g_bodyNames;
    names.monthNames = g_monthNames;
    names.weekdayNames = g_weekdayNames;
    const double firstNoon = CalendarFirstDay(request) + 0.5;
    auto riseSet = [&](int d) {
      double y, m, dd, h, mi, se;
      CalendarFromJulianDay(y, m, dd, h, mi, se, firstNoon + (d - 1));
      m_year = y;
      m_month = m;
      m_day = dd;
      m_hour = 12.0;
      m_minute = m_second = 0.0;
      UpdateTimeContext();
      UpdateSolarSystemBodies();
      CString lines;
      auto times = [&](bool moon, bool sun, int body, CString out[3]) {
        double rise, transit, set;
        RiseTransitSet(rise, transit, set, moon, sun, g_bodies[body].rightAscension, g_bodies[body].declination);
        FormatTimeOfDay(out[0], true, rise * kDegreesPerRadian);
        FormatTimeOfDay(out[1], true, transit * kDegreesPerRadian);
        FormatTimeOfDay(out[2], true, set * kDegreesPerRadian);
      };
      static const int kBodies[] = {1, 2, 4, 5, 6, 7, 8, 9, 10};
      for (int b : kBodies) {
        CString t[3];
        times(b == 10, false, b, t);
        CString line;
        line.Format(AfxString(2100).c_str(), g_bodyNames[b].c_str(), t[0].c_str(), t[1].c_str(), t[2].c_str());
        lines += line;
      }
      CString t[3];
      times(false, true, 3, t);
      CString line;
      line.Format(AfxString(2101).c_str(), t[0].c_str(), t[1].c_str(), t[2].c_str());
      return lines + line;
    };
    result = BuildCalendarText(request, names, texts, riseSet);
  }
  CWorkInProgressDialog::m_percent = 100;
  if (!completed && g_workProgressDialog) g_workProgressDialog->Close();
  m_computingEphemeris = false;
  if (!completed)
    m_lastEphemerisText.Empty();
  else if (alertMode)
    m_lastEphemerisText += result;
  else
    m_lastEphemerisText = result;

  // Restore the context, then show what came of it.
  m_year = savedYear;
  m_month = savedMonth;
  m_day = savedDay;
  m_hour = savedHour;
  m_minute = savedMinute;
  m_second = savedSecond;
  m_utcOffset = savedOffset;
  m_pressure = savedPressure;
  m_planetariumMode = savedMode;
  m_ephemerisResultShown = false;
  UpdateSkyPositions();
  m_animationRunning = savedAnimation;
  m_calendarRunning = false;
  if (alertMode) return;
  if (!completed) {
    // A close that stopped the calculation goes on without a question.
    if (!m_calendarCloseStop) MessageBox(AfxString(2105).GetString(), "Nuvarine 2.0", MB_OK);
    return;
  }
  OnSeeLastEphemerisResult();
}

void CNuvarine2View::ComputeStartupAlerts() {
  ShowEventsCalendar(false, true, 1, true, m_year, m_month, m_day);
  CString alert;
  if (!m_lastEphemerisText.IsEmpty()) alert = AfxString(106) + m_lastEphemerisText;
  m_lastEphemerisText.Empty();
  int y, m, d;
  CivilDateOfJulianDay(JulianDayOfCivilDate(static_cast<int64_t>(m_year), static_cast<int64_t>(m_month), m_day) + 1.0,
                       y, m, d);
  ShowEventsCalendar(false, true, 1, true, y, m, d);
  if (!m_lastEphemerisText.IsEmpty()) alert += AfxString(107) + m_lastEphemerisText;
  m_lastEphemerisText = alert;
}
