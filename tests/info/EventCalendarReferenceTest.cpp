// The twelve month calendars of 2026 at Madrid against the instants an
// independent ephemeris gives for the same quantities
// (data/calendar_reference_madrid_2026.txt, made by
// tools/calendarfixture/make_calendar_reference.py from the Swiss
// Ephemeris): every least or greatest value and every disc contact the
// calendar prints is within two minutes of a reference instant, and every
// reference instant is printed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "EventsCalendar.h"
#include "Resource.h"
#include "SkyModel.h"
#include "UiDefs.h"

namespace {

constexpr double kDeg = 0.017453292519943295;
constexpr double kToleranceMinutes = 2.0;
const CString kNames[11] = {"Sun", "Mercury", "Venus", "Earth", "Mars", "Jupiter",
                            "Saturn", "Uranus", "Neptune", "Pluto", "Moon"};

struct Event {
  double jd;         // UT
  std::string kind;  // as the reference names it
  std::string who;   // bodies, comma separated, "-" for none
  double value = 0;  // least or greatest value
  std::string text;  // the calendar's line
};

// A calendar line's kind and bodies; false for a line of another kind
// (phases, seasons, conjunctions with the Sun).
bool Classify(const std::string& text, Event& e) {
  static const std::regex kPair("(\\w+) passes ([0-9.]+) degrees from (\\w+)\\.");
  static const std::regex kElongation("(\\w+) at greatest \\w+ elongation \\(([0-9.]+)");
  static const std::regex kNearest("(\\w+) is nearest of the Earth");
  static const std::regex kOccultation("Moon occults (\\w+) \\((beginning|ending)\\)\\.");
  std::smatch m;
  if (std::regex_search(text, m, kPair)) {
    e.kind = "pair";
    e.who = m[1].str() + "," + m[3].str();
    e.value = std::stod(m[2]);
  } else if (std::regex_search(text, m, kElongation)) {
    e.kind = "elongation";
    e.who = m[1];
    e.value = std::stod(m[2]);
  } else if (std::regex_search(text, m, kNearest)) {
    e.kind = "nearest";
    e.who = m[1];
  } else if (text.find("The Earth is the nearest of the Sun") == 0) {
    e.kind = "perihelion";
  } else if (text.find("The Earth is the farthest of the Sun") == 0) {
    e.kind = "aphelion";
  } else if (std::regex_search(text, m, kOccultation)) {
    e.kind = m[2] == "beginning" ? "occultation_begin" : "occultation_end";
    e.who = m[1];
  } else if (text == "Solar eclipse (beginning).") {
    e.kind = "solar_begin";
  } else if (text == "Solar eclipse (ending).") {
    e.kind = "solar_end";
  } else if (text.find(" solar eclipse (") != std::string::npos) {
    e.kind = "solar_max";
  } else if (text.find(" moon eclipse (") != std::string::npos) {
    e.kind = "lunar_max";
  } else {
    return false;
  }
  if (e.who.empty()) e.who = "-";
  return true;
}

struct CalendarLines {
  std::vector<Event> lines;      // classified lines of the calendar
  std::vector<std::string> odd;  // occultation or eclipse lines of no known form
  std::vector<double> monthEnds;
};

const CalendarLines& Calendar() {
  static const CalendarLines* run = [] {
    auto* r = new CalendarLines;
    AfxRegisterStrings(kCalendarStringTable, kCalendarStringTableCount);
    AfxRegisterStrings(kInfoStringTable, kInfoStringTableCount);
    CSkyModel model;
    model.m_installFolder = NUVARINE_INSTALL_DIR;
    if (!model.LoadPlanetLibrary()) return r;
    EventSite madrid;
    madrid.westLongitude = 3.7038 * kDeg;
    madrid.latitude = 40.4168 * kDeg;
    madrid.elevation = 667;
    CEventSampler sampler(g_pPlanetesCalcul, madrid);
    static const std::regex kLine("(\\d\\d)h(\\d\\d)\\t([^\\r]*)");
    for (int month = 1; month <= 12; ++month) {
      CEventDetectors detectors(kNames);
      CEventStepper stepper(sampler, detectors);
      CalendarRequest request;
      request.year = 2026;
      request.month = month;
      const int n = CalendarDayCount(request);
      const double first = CalendarFirstDay(request);
      std::vector<CString> texts;
      EXPECT_TRUE(stepper.Run(first, n, texts));
      r->monthEnds.push_back(first + n);
      for (int d = 1; d < static_cast<int>(texts.size()); ++d) {
        const std::string& t = texts[d];
        for (std::sregex_iterator i(t.begin(), t.end(), kLine), end; i != end; ++i) {
          Event e;
          e.text = (*i)[3];
          e.jd = first + (d - 1) + (std::stoi((*i)[1]) * 60 + std::stoi((*i)[2])) / 1440.0;
          if (Classify(e.text, e))
            r->lines.push_back(e);
          else if (e.text.find("occults") != std::string::npos || e.text.find("clipse") != std::string::npos)
            r->odd.push_back(e.text);
        }
      }
    }
    return r;
  }();
  return *run;
}

std::vector<Event> Reference() {
  std::vector<Event> events;
  std::ifstream in(std::string(NUVARINE_TEST_DATA) + "/calendar_reference_madrid_2026.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Event e;
    fields >> e.jd >> e.kind >> e.who >> e.value;
    events.push_back(e);
  }
  return events;
}

// A reference event the calendar may or may not print: at a threshold of
// its detector, or so close before the end of a month that the first step
// after it belongs to the next month's calculation (which starts after it).
bool Optional(const Event& e, const std::vector<double>& monthEnds) {
  if (e.kind == "pair" && (e.value > 9.95 || (e.who.find("Moon") != std::string::npos && e.value < 0.26)))
    return true;
  for (double end : monthEnds)
    if (e.jd < end && e.jd + kToleranceMinutes / 1440.0 >= end) return true;
  return false;
}

TEST(EventCalendarReference, LeastGreatestAndContactsWithinTwoMinutes) {
  const CalendarLines& run = Calendar();
  const std::vector<Event> reference = Reference();
  ASSERT_GT(reference.size(), 100u);
  ASSERT_FALSE(run.lines.empty());
  for (const std::string& t : run.odd) ADD_FAILURE() << "unexpected line: " << t;

  // Printed minus reference instant, minutes, worst by kind.
  std::map<std::string, double> worst;
  std::map<std::string, int> count;
  for (const Event& l : run.lines) {
    const Event* best = nullptr;
    for (const Event& r : reference)
      if (r.kind == l.kind && r.who == l.who && (!best || std::fabs(r.jd - l.jd) < std::fabs(best->jd - l.jd)))
        best = &r;
    const double minutes = best ? (l.jd - best->jd) * 1440.0 : 1e9;
    EXPECT_LE(std::fabs(minutes), kToleranceMinutes)
        << "no reference instant for " << l.text << " at JD " << std::to_string(l.jd);
    if (!best) continue;
    ++count[l.kind];
    if (std::fabs(minutes) > std::fabs(worst[l.kind])) worst[l.kind] = minutes;
    if (l.kind == "pair" || l.kind == "elongation") {
      EXPECT_NEAR(l.value, best->value, 0.051) << l.text;
    }
  }

  for (const Event& r : reference) {
    bool printed = false;
    for (const Event& l : run.lines)
      printed = printed || (l.kind == r.kind && l.who == r.who && std::fabs(l.jd - r.jd) * 1440.0 <= kToleranceMinutes);
    // The Moon within a quarter of a degree is left to the occultation lines.
    if (r.kind == "pair" && r.who.find("Moon") != std::string::npos && r.value < 0.24) {
      EXPECT_FALSE(printed) << r.who << " " << std::to_string(r.jd);
      continue;
    }
    if (!Optional(r, run.monthEnds)) {
      EXPECT_TRUE(printed) << r.kind << " " << r.who << " at JD " << std::to_string(r.jd) << " not printed";
    }
  }

  std::printf("worst error by kind (printed minus reference, minutes):\n");
  for (const auto& [kind, minutes] : worst) std::printf("  %-18s %3d lines  %+6.2f\n", kind.c_str(), count[kind], minutes);
}

}  // namespace
