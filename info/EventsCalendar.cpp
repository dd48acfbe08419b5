// The two passes of the events calendar and the text it writes.
#include "EventsCalendar.h"

#include <cmath>

#include "InfoTexts.h"
#include "SkyModel.h"
#include "UiDefs.h"

namespace {

void CivilDate(double julianDate, int& year, int& month, int& day) {
  const double jd = julianDate + 0.5;
  const double z = std::floor(jd);
  double a = z;
  if (z >= 2299161.0) {
    const double alpha = std::floor((z - 1867216.25) / 36524.25);
    a = z + 1.0 + alpha - std::floor(alpha / 4.0);
  }
  const double b = a + 1524.0;
  const double c = std::floor((b - 122.1) / 365.25);
  const double d = std::floor(365.25 * c);
  const double e = std::floor((b - d) / 30.6001);
  day = static_cast<int>(b - d - std::floor(30.6001 * e));
  month = static_cast<int>(e < 14.0 ? e - 1.0 : e - 13.0);
  year = static_cast<int>(month > 2 ? c - 4716.0 : c - 4715.0);
}

struct FixedDate {
  int day, month;
  unsigned id;
};

const FixedDate kFixedDates[] = {
    {3, 1, 2032},   {18, 1, 2033},  {19, 1, 2034},  {7, 2, 2035},   {16, 2, 2037},  {24, 2, 2038},
    {11, 3, 2039},  {24, 3, 2040},  {18, 4, 2041},  {22, 4, 2042},  {14, 5, 2043},  {22, 6, 2044},
    {27, 6, 2045},  {10, 7, 2046},  {20, 7, 2047},  {10, 8, 2048},  {12, 8, 2049},  {18, 8, 2050},
    {20, 8, 2051},  {25, 8, 2052},  {8, 9, 2053},   {16, 9, 2054},  {20, 9, 2055},  {27, 9, 2056},
    {8, 10, 2057},  {18, 10, 2058}, {21, 10, 2059}, {31, 10, 2060}, {5, 11, 2061},  {12, 11, 2062},
    {17, 11, 2063}, {23, 11, 2064}, {12, 12, 2065}, {14, 12, 2066}, {18, 12, 2067},
};

const char kDocumentRule[] = "_________________________________________";

CString LoadText(unsigned id) {
  CString text;
  AfxLoadString(id, text);
  return text;
}

void ReplaceAll(CString& s, const char* from, const char* to) { s.Replace(from, to); }

}  // namespace

// ---- Stepping ---------------------------------------------------------------

CEventStepper::CEventStepper(CEventSampler& sampler, CEventDetectors& detectors)
    : m_sampler(sampler), m_detectors(detectors) {}

void CEventStepper::Mark(int day, int hour) {
  if (hour < 0) {
    --day;
    hour += 24;
  } else if (hour > 23) {
    ++day;
    hour -= 24;
  }
  if (day < 0 || day >= static_cast<int>(m_marks.size())) return;
  m_marks[day][hour] = true;
}

bool CEventStepper::Step(double julianDate, int hour, int minute, int day, int spacing, CString& text) {
  if (onStep) onStep();
  ++m_steps;
  // A step that does not follow the last one at its own spacing (minute or
  // hour) resumes after steps that were not visited.
  const long at = (static_cast<long>(day) * 24 + hour) * 60 + minute;
  if (at - m_lastMinute != spacing) m_detectors.Forget();
  m_lastMinute = at;
  EventState state;
  if (day == 0) {
    // The warm-up day: primed detectors compare with one day before.
    if (!m_sampler.StateAt(julianDate - 1.0, state)) return false;
    m_detectors.Prime(state);
  }
  if (!m_sampler.StateAt(julianDate, state)) return false;
  // Only the coarse pass marks: the fine pass visits what it marked.
  m_detectors.Run(state, hour, minute, day, text, [&](int k) {
    if (!m_fine) Mark(day, hour + k);
  });
  return true;
}

bool CEventStepper::Run(double firstDay, int days, std::vector<CString>& texts) {
  if (days < 1 || days > kCalendarMaxDays) return false;
  m_marks.assign(days + 2, std::array<bool, 24>{});
  texts.assign(days + 2, CString());
  m_stopped = false;
  for (int pass = 0; pass < 2 && !m_stopped; ++pass) {
    const bool fine = pass == 1;
    m_fine = fine;
    m_detectors.StartPass(fine);
    m_lastMinute = -60;  // the pass's first step follows its start values
    // The coarse pass also takes the first two steps of the day after the
    // period: a least or greatest value of the last hour shows only at the
    // second step after it, and its hours are marked from there.
    const int lastDay = fine ? days : days + 1;
    for (int d = 0; d <= lastDay; ++d) {
      texts[d].Empty();
      int first = 0, last = 23;
      if (fine && d >= 1) {
        first = 24;
        last = -1;
        for (int h = 0; h < 24; ++h)
          if (m_marks[d][h]) {
            if (first == 24) first = h;
            last = h;
          }
        if (first == 24) continue;
      }
      if (!fine && d == days + 1) last = 1;
      const double dayStart = d == 0 ? firstDay - 1.0 : firstDay + (d - 1);
      for (int h = first; h <= last; ++h) {
        // Minute steps in the fine pass; on the warm-up day only in its last
        // hour when marked, so an event just before midnight stays on it.
        const bool minutes = fine && (d >= 1 || (h == 23 && m_marks[0][23]));
        const int count = minutes ? 60 : 1;
        for (int m = 0; m < count; ++m) {
          if (fine && onProgress) onProgress(d * 100 / days);
          if (!Step(dayStart + (h + m / 60.0) / 24.0, h, m, d, minutes ? 1 : 60, texts[d])) return false;
        }
      }
      if (stopRequested && stopRequested()) {
        m_stopped = true;
        break;
      }
    }
  }
  texts.resize(days + 1);
  return !m_stopped;
}

// ---- Requests and text ---------------------------------------------------------

void CivilDateOfJulianDay(double julianDate, int& year, int& month, int& day) {
  CivilDate(julianDate, year, month, day);
}

bool IsCalendarDateValid(double year, double month, double day) {
  if (!std::isfinite(year) || !std::isfinite(month) || !std::isfinite(day)) return false;
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  return year >= -4000 && year <= 8000;
}

double CalendarFirstDay(const CalendarRequest& r) {
  return JulianDayOfCivilDate(static_cast<int64_t>(r.year), static_cast<int64_t>(r.month),
                              r.periodMode ? std::floor(r.day) : 1.0);
}

int CalendarDayCount(const CalendarRequest& r) {
  if (!IsCalendarDateValid(r.year, r.month, r.day)) return 0;
  if (r.periodMode) return r.lengthDays >= 1 && r.lengthDays <= kCalendarMaxDays ? r.lengthDays : 0;
  const double first = CalendarFirstDay(r);
  int y, m, d;
  for (int i = 1; i <= 31; ++i) {
    CivilDate(first + i, y, m, d);
    if (m != static_cast<int>(r.month)) return i;
  }
  return 31;
}

std::vector<unsigned> FixedDateTexts(int day, int month) {
  std::vector<unsigned> ids;
  for (const FixedDate& f : kFixedDates)
    if (f.day == day && f.month == month) ids.push_back(f.id);
  return ids;
}

CString BuildCalendarText(const CalendarRequest& r, const CalendarNames& names, const std::vector<CString>& dayTexts,
                          const std::function<CString(int)>& riseSet) {
  const int days = static_cast<int>(dayTexts.size()) - 1;
  const double first = CalendarFirstDay(r);
  CString out;
  if (!r.alertMode) {
    CString title;
    if (r.periodMode) {
      title = LoadText(2030);
    } else {
      const int month = static_cast<int>(r.month);
      title.Format(LoadText(month == 4 || month == 8 || month == 10 ? 2029 : 2028).c_str(),
                   names.monthNames[month - 1].c_str(), r.year);
    }
    out = InfoRtfHeader();
    out.AppendFormat("\\f2\\fs23\\b\\ul\\i %s", title.c_str());
    out += LoadText(2031);
    out += "\\par\\par\\plain\\f2\\fs21 ";
    out += kDocumentRule;
  }
  for (int d = 1; d <= days; ++d) {
    // Each day is named by the UT date of its noon.
    const double noon = first + (d - 1) + 0.5;
    int y, m, dd;
    CivilDate(noon, y, m, dd);
    CString block = dayTexts[d];
    for (unsigned id : FixedDateTexts(dd, m)) block += LoadText(id);
    if (r.planetsRiseSet && riseSet) block += riseSet(d);
    if (!r.alertMode) {
      const long w = static_cast<long>(std::floor(noon - 0.5 + 3.0)) % 7;
      CString line;
      line.Format("%s\t%s %2i, %4i\r\n\r\n", names.weekdayNames[w].Left(3).c_str(), names.monthNames[m - 1].c_str(),
                  dd, y);
      out += "\\par\\plain\\f2\\fs22\\i ";
      out += line;
      out += "\\par\\par\\plain\\f2\\fs17 ";
    }
    ReplaceAll(block, "\r\n", r.alertMode ? " " : "\\par ");
    out += block;
    if (!r.alertMode) {
      out += "\\par\\plain\\f2\\fs21 ";
      out += kDocumentRule;
    }
  }
  if (!r.alertMode) out += "}";
  return out;
}
