#pragma once
// The events calendar: the astronomical events of a calendar month or of a
// period of whole days, found by stepping the solar system through time in
// two passes (every hour, then every minute around what the first pass
// saw), written as a rich-text document of one block per day, or, in the
// alert form, as plain text.
#include <array>
#include <functional>
#include <vector>

#include "CString.h"
#include "EventDetectors.h"
#include "EventSampler.h"

class CSkyModel;

// Largest number of days of one calculation (the day tables hold 101 days:
// the warm-up day, the period and the day after it).
constexpr int kCalendarMaxDays = 99;

// The stepping of the two passes over day indexes 0 (the warm-up day, the
// day before the period) to N.
class CEventStepper {
 public:
  CEventStepper(CEventSampler& sampler, CEventDetectors& detectors);

  // Called before every step (the caller dispatches its messages there).
  std::function<void()> onStep;
  // Percent of the fine pass done, at every fine step.
  std::function<void(int)> onProgress;
  // Read after each day; true ends the calculation.
  std::function<bool()> stopRequested;

  // firstDay: Julian date (UT) of 00:00 of the first day; days: N, 1 to
  // kCalendarMaxDays. Fills texts[0..N]. False when stopped (or no library).
  bool Run(double firstDay, int days, std::vector<CString>& texts);

  // Hours marked by the coarse pass, by day index (0 to N + 1).
  const std::vector<std::array<bool, 24>>& Marks() const { return m_marks; }
  // Number of steps run so far.
  long Steps() const { return m_steps; }

 private:
  bool Step(double julianDate, int hour, int minute, int day, int spacing, CString& text);
  void Mark(int day, int hour);

  CEventSampler& m_sampler;
  CEventDetectors& m_detectors;
  std::vector<std::array<bool, 24>> m_marks;
  bool m_stopped = false;
  bool m_fine = false;
  long m_steps = 0;
  long m_lastMinute = 0;  // minutes from 00:00 of the warm-up day of the last step run
};

// What the calendar is asked for.
struct CalendarRequest {
  bool planetsRiseSet = false;
  bool periodMode = false;
  int lengthDays = 1;
  bool alertMode = false;
  double year = 2000, month = 1, day = 1;
};

// The names the document uses.
struct CalendarNames {
  const CString* bodyNames = nullptr;     // 11 or more
  const CString* monthNames = nullptr;    // 12, "january" first
  const CString* weekdayNames = nullptr;  // 7, "Saturday" first
};

// Civil date of a Julian date (Gregorian after 1582-10-15).
void CivilDateOfJulianDay(double julianDate, int& year, int& month, int& day);

// False for a date the pickers report as not valid, or out of the tables.
bool IsCalendarDateValid(double year, double month, double day);
// Number of days of the request: the length in period form, the month's in
// month form; 0 for an invalid request.
int CalendarDayCount(const CalendarRequest& request);
// Julian date (UT) of 00:00 of the first day of the request.
double CalendarFirstDay(const CalendarRequest& request);

// The string id of each fixed-date text of a day and month, in table order.
std::vector<unsigned> FixedDateTexts(int day, int month);

// The text of a calculation from its day texts (index 1 to N used): the
// document, or in the alert form the day texts with line breaks as blanks.
// `riseSet`, when set, gives the rise-set lines of day d (1 to N).
CString BuildCalendarText(const CalendarRequest& request, const CalendarNames& names,
                          const std::vector<CString>& dayTexts,
                          const std::function<CString(int day)>& riseSet);
