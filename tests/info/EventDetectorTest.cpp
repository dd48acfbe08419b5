// The calendar's detectors and its two passes on short synthetic sequences:
// a quiet sky where one quantity moves as each case needs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "EventsCalendar.h"
#include "Resource.h"
#include "UiDefs.h"

namespace {

constexpr double kDeg = 0.017453292519943295;
const CString kNames[11] = {"Sun", "Mercury", "Venus", "Earth", "Mars", "Jupiter",
                            "Saturn", "Uranus", "Neptune", "Pluto", "Moon"};
// 00:00 UT of the first day of every case: 2024-03-01.
constexpr double kFirstDay = 2460370.5;

// Nothing happens: bodies spread over the sky, no distance turns.
EventState QuietSky(double jd) {
  EventState s;
  s.julianDate = jd;
  for (int b = 0; b < kEventBodyCount; ++b) {
    EventBody& e = s.bodies[b];
    e.rightAscension = e.geocentricRightAscension = b * 30.0 * kDeg;
    e.declination = e.geocentricDeclination = 0.0;
    e.heliocentricLongitude = (b * 30.0 + 75.0) * kDeg;
    e.eclipticLongitude = (100.0 + b) * kDeg;
    e.elongation = 5.0 * kDeg;
    e.earthDistance = 2.0 + b;
    e.sunDistance = 1.0 + b;
    e.apparentDiameter = e.geocentricDiameter = 0.5 * kDeg;
    e.altitude = 0.5;
  }
  s.bodies[10].earthDistance = 0.0025;
  s.bodies[0].earthDistance = 0.99;
  s.sunLongitude = 200.0 * kDeg;
  s.bodies[10].heliocentricLongitude = 130.0 * kDeg;  // a crescent, far from any phase
  s.earthSunDistance = 0.99;
  return s;
}

class SyntheticSampler : public CEventSampler {
 public:
  explicit SyntheticSampler(std::function<void(EventState&)> change)
      : CEventSampler(nullptr, EventSite{}), m_change(std::move(change)) {}
  bool StateAt(double jd, EventState& out) override {
    out = QuietSky(jd);
    m_change(out);
    return true;
  }

 private:
  std::function<void(EventState&)> m_change;
};

// Hours since 00:00 of the first day.
double Hours(const EventState& s) { return (s.julianDate - kFirstDay) * 24.0; }

struct CalendarRun {
  std::vector<CString> texts;
  std::vector<std::array<bool, 24>> marks;
  bool completed = false;
};

CalendarRun Calendar(int days, std::function<void(EventState&)> change, std::function<bool()> stop = nullptr) {
  AfxRegisterStrings(kCalendarStringTable, kCalendarStringTableCount);
  AfxRegisterStrings(kInfoStringTable, kInfoStringTableCount);
  SyntheticSampler sampler(std::move(change));
  CEventDetectors detectors(kNames);
  CEventStepper stepper(sampler, detectors);
  stepper.stopRequested = std::move(stop);
  CalendarRun r;
  r.completed = stepper.Run(kFirstDay, days, r.texts);
  r.marks = stepper.Marks();
  return r;
}

// The Moon's phase value crosses 0 (new moon) at `hours`.
std::function<void(EventState&)> NewMoonAt(double hours) {
  return [hours](EventState& s) {
    const double offset = (Hours(s) - hours) * 0.5 * kDeg;  // the Moon gains half a degree an hour
    s.bodies[10].heliocentricLongitude = s.sunLongitude - 3.141592653589793 + offset;
  };
}


bool Has(const CString& text, const char* what) { return text.find(what) != std::string::npos; }

TEST(EventDetectors, NewMoonPrintsTheFirstMinuteAfterAndMarksItsHours) {
  // 14h37m30s on the first day: the coarse step of 15h00 sees it and marks
  // hours 14 and 15; the fine pass prints 14h38.
  const CalendarRun r = Calendar(2, NewMoonAt(14.625));
  ASSERT_TRUE(r.completed);
  EXPECT_EQ(r.texts[1], "14h38\tNew Moon.\r\n\r\n");
  EXPECT_TRUE(r.texts[2].empty());
  for (int h = 0; h < 24; ++h) EXPECT_EQ(r.marks[1][h], h == 14 || h == 15) << h;
}

TEST(EventDetectors, EventsNearMidnightStayOnTheirDay) {
  const struct {
    double hours;      // from 00:00 of the first day
    int day;           // day index of the line, 0 for none shown
    const char* line;
  } cases[] = {
      {23.675, 1, "23h41\tNew Moon."},  // seen by the 00h00 step of day 2, which marks hour 23 of day 1
      {47.508, 2, "23h31\tNew Moon."},  // the last hour of the period
      {-0.5, 0, nullptr},               // before the period: on the warm-up day only
      {0.0083, 1, "00h01\tNew Moon."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hours);
    const CalendarRun r = Calendar(2, NewMoonAt(c.hours));
    for (int d = 1; d <= 2; ++d) {
      if (d == c.day)
        EXPECT_TRUE(Has(r.texts[d], c.line)) << r.texts[d];
      else
        EXPECT_FALSE(Has(r.texts[d], "New Moon")) << d << ": " << r.texts[d];
    }
  }
}

TEST(EventDetectors, ConjunctionLineAtTheFirstGrowingStep) {
  // Mars passes Jupiter at 3.2 degrees at 10h00m20s of the first day.
  const CalendarRun r = Calendar(1, [](EventState& s) {
    const double t = Hours(s) - 10.0 - 20.0 / 3600.0;
    s.bodies[4].rightAscension = s.bodies[5].rightAscension + 0.05 * t * kDeg;
    s.bodies[4].declination = s.bodies[5].declination + 3.2 * kDeg;
  });
  EXPECT_EQ(r.texts[1], "10h01\tMars passes 3.2 degrees from Jupiter.\r\n\r\n");
}

TEST(EventDetectors, CloseMoonPassesAndRepeatedApproaches) {
  // The Moon 0.2 degrees from Venus: no conjunction line (the occultation
  // detector owns such passes); twice by Saturn in one period: two lines.
  const CalendarRun close = Calendar(1, [](EventState& s) {
    s.bodies[10].rightAscension = s.bodies[2].rightAscension + 0.5 * (Hours(s) - 12.0) * kDeg;
    s.bodies[10].declination = s.bodies[2].declination + 0.2 * kDeg;
    s.bodies[10].apparentDiameter = 0.3 * kDeg;
  });
  EXPECT_FALSE(Has(close.texts[1], "passes")) << close.texts[1];

  const CalendarRun twice = Calendar(6, [](EventState& s) {
    // The separation from Saturn falls to 1.5 degrees on days 1 and 5.
    const double phase = (Hours(s) - 12.0) / 96.0 * 2.0 * 3.141592653589793;
    s.bodies[10].rightAscension = s.bodies[6].rightAscension + (1.5 + 3.0 * (1.0 - std::cos(phase))) * kDeg;
    s.bodies[10].declination = s.bodies[6].declination;
  });
  EXPECT_TRUE(Has(twice.texts[1], "12h01\tSaturn passes 1.5 degrees from Moon.")) << twice.texts[1];
  EXPECT_TRUE(Has(twice.texts[5], "12h01\tSaturn passes 1.5 degrees from Moon.")) << twice.texts[5];
}

TEST(EventDetectors, GreatestElongationDirectionAcrossTheEquinox) {
  // The Sun at 359 degrees, Mercury 20 degrees ahead at 19: East.
  for (const double ahead : {20.0, -20.0}) {
    const CalendarRun r = Calendar(1, [ahead](EventState& s) {
      const double t = Hours(s) - 6.0;
      const double e = 20.0 - 0.001 * t * t;
      s.bodies[0].eclipticLongitude = 359.0 * kDeg;
      s.bodies[1].eclipticLongitude = (359.0 + (ahead > 0 ? e : -e)) * kDeg;
      s.bodies[1].elongation = e * kDeg;
    });
    EXPECT_TRUE(Has(r.texts[1], ahead > 0 ? "06h01\tMercury at greatest Eastern elongation (20.0\xB0)."
                                          : "06h01\tMercury at greatest Western elongation (20.0\xB0)."))
        << r.texts[1];
  }
}

TEST(EventDetectors, SolarEclipseKindFromTheRadiiOfTheInstant) {
  const struct {
    double least, moonRadius;
    const char* kind;  // null: no eclipse line
  } cases[] = {
      {0.01, 0.28, "Full solar eclipse"},
      {0.05, 0.28, "Partial solar eclipse"},  // the Moon's disc does not cover the Sun's
      {0.01, 0.25, "Partial solar eclipse"},  // annular
      {0.3, 0.27, "Partial solar eclipse"},
      {0.6, 0.27, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.least);
    const CalendarRun r = Calendar(1, [c](EventState& s) {
      const double t = Hours(s) - 12.0;
      s.bodies[10].rightAscension = s.bodies[0].rightAscension + 0.5 * t * kDeg;
      s.bodies[10].declination = s.bodies[0].declination + c.least * kDeg;
      s.bodies[0].apparentDiameter = 2 * 0.2666 * kDeg;
      s.bodies[10].apparentDiameter = 2 * c.moonRadius * kDeg;
    });
    if (c.kind) {
      EXPECT_TRUE(Has(r.texts[1], c.kind)) << r.texts[1];
      EXPECT_TRUE(Has(r.texts[1], "Solar eclipse (beginning)")) << r.texts[1];
      EXPECT_TRUE(Has(r.texts[1], "Solar eclipse (ending)")) << r.texts[1];
    } else {
      EXPECT_FALSE(Has(r.texts[1], "clipse")) << r.texts[1];
    }
  }
}

TEST(EventDetectors, OccultationBelowTheHorizonSaysSoAfterItsBeginning) {
  const CalendarRun r = Calendar(1, [](EventState& s) {
    const double t = Hours(s) - 12.0 - 20.0 / 3600.0;
    s.bodies[10].rightAscension = s.bodies[2].rightAscension + 0.5 * t * kDeg;
    s.bodies[10].declination = s.bodies[2].declination;
    s.bodies[10].apparentDiameter = 0.5 * kDeg;
    s.bodies[10].altitude = -0.2;
  });
  EXPECT_TRUE(Has(r.texts[1], "11h31\tMoon occults Venus (beginning).\r\n\t(Impossible to see it !)\r\n\r\n"))
      << r.texts[1];
  EXPECT_TRUE(Has(r.texts[1], "12h31\tMoon occults Venus (ending).\r\n\r\n")) << r.texts[1];
}

// A quantity with one least or greatest value at `t0` (hours from 00:00 of
// the first day): how the sky shows it, its value at dt hours from the
// extreme, and the line it gives.
struct Extreme {
  const char* name;
  std::function<void(EventState&, double dt)> apply;
  std::function<double(double dt)> value;
  bool greatest;
  const char* line;
};

// The flat separation the conjunction detector measures, degrees.
double Flat(double dra, double ddec) { return std::sqrt(dra * dra + ddec * ddec); }

const Extreme kExtremes[] = {
    {"slow pair",
     [](EventState& s, double dt) {
       s.bodies[4].rightAscension = s.bodies[5].rightAscension + 0.05 * dt * kDeg;
       s.bodies[4].declination = s.bodies[5].declination + 3.2 * kDeg;
     },
     [](double dt) { return Flat(0.05 * dt, 3.2); }, false, "\tMars passes 3.2 degrees from Jupiter."},
    {"close pair",
     [](EventState& s, double dt) {
       s.bodies[1].rightAscension = s.bodies[2].rightAscension + 0.08 * dt * kDeg;
       s.bodies[1].declination = s.bodies[2].declination + 0.4 * kDeg;
     },
     [](double dt) { return Flat(0.08 * dt, 0.4); }, false, "\tMercury passes 0.4 degrees from Venus."},
    {"Moon",
     [](EventState& s, double dt) {
       s.bodies[10].rightAscension = s.bodies[6].rightAscension + 0.5 * dt * kDeg;
       s.bodies[10].declination = s.bodies[6].declination + 1.5 * kDeg;
     },
     [](double dt) { return Flat(0.5 * dt, 1.5); }, false, "\tSaturn passes 1.5 degrees from Moon."},
    {"lopsided pair",  // falls twenty times as fast as it grows again
     [](EventState& s, double dt) {
       s.bodies[4].rightAscension = s.bodies[6].rightAscension + (dt < 0 ? 0.4 : 0.02) * dt * kDeg;
       s.bodies[4].declination = s.bodies[6].declination + 2.0 * kDeg;
     },
     [](double dt) { return Flat((dt < 0 ? 0.4 : 0.02) * dt, 2.0); }, false, "\tMars passes 2.0 degrees from Saturn."},
    {"elongation",
     [](EventState& s, double dt) { s.bodies[1].elongation = (20.0 - 0.001 * dt * dt) * kDeg; },
     [](double dt) { return 20.0 - 0.001 * dt * dt; }, true, "\tMercury at greatest Eastern elongation (20.0\xB0)."},
    {"perihelion",
     [](EventState& s, double dt) { s.earthSunDistance = 0.9833 + 1e-7 * dt * dt; },
     [](double dt) { return 0.9833 + 1e-7 * dt * dt; }, false, "\tThe Earth is the nearest of the Sun"},
    {"aphelion",
     [](EventState& s, double dt) { s.earthSunDistance = 1.0167 - 1e-7 * dt * dt; },
     [](double dt) { return 1.0167 - 1e-7 * dt * dt; }, true, "\tThe Earth is the farthest of the Sun"},
    {"nearest to the Earth",
     [](EventState& s, double dt) { s.bodies[4].earthDistance = 0.6 + 1e-6 * dt * dt; },
     [](double dt) { return 0.6 + 1e-6 * dt * dt; }, false, "\tMars is nearest of the Earth"},
};

TEST(EventDetectors, LeastAndGreatestValuesPrintedAtTheirTurn) {
  // Where the extreme falls, hours from 00:00 of the first day (of three).
  const double positions[] = {
      24 + 14 + 20 / 3600.0,            // start of an hour
      24 + 14 + 40 / 3600.0,            // start of an hour, past the half minute
      24 + 14.5,                        // middle: the hourly steps around it tie
      24 + 14 + 59 / 60.0 + 40 / 3600.0,  // end of an hour
      24 + 20 / 3600.0,                 // just after midnight
      24 - 40 / 3600.0,                 // just before midnight: printed on the next day
      20 / 3600.0,                      // just after the period's first midnight
      48 + 23.5,                        // the period's last hour
      48 + 23.75,                       // its last quarter: seen from the day after
  };
  for (const Extreme& x : kExtremes) {
    for (const double t0 : positions) {
      SCOPED_TRACE(std::string(x.name) + " at " + std::to_string(t0));
      const CalendarRun r = Calendar(3, [&](EventState& s) { x.apply(s, Hours(s) - t0); });
      // The first minute step after the turn, where the value has moved back.
      int minute = static_cast<int>(std::floor(t0 * 60.0)) - 2;
      auto moved = [&](int m) {
        const double now = x.value((m / 60.0) - t0), before = x.value(((m - 1) / 60.0) - t0);
        return x.greatest ? now < before : now > before;
      };
      while (!moved(minute) || minute / 60.0 <= t0) ++minute;
      const double late = minute - t0 * 60.0;
      // Half a minute to a minute and a half after an even turn; up to two
      // after the lopsided one.
      EXPECT_GT(late, 0.0);
      EXPECT_LT(late, 2.0);
      const int day = minute / 1440 + 1;
      char stamp[8];
      std::snprintf(stamp, sizeof stamp, "%02dh%02d", minute % 1440 / 60, minute % 60);
      for (int d = 1; d <= 3; ++d) {
        const size_t count = [&] {
          size_t n = 0;
          for (size_t at = r.texts[d].find(x.line); at != std::string::npos; at = r.texts[d].find(x.line, at + 1)) ++n;
          return n;
        }();
        EXPECT_EQ(count, d == day ? 1u : 0u) << d << ": " << r.texts[d];
        if (d == day) {
          EXPECT_TRUE(Has(r.texts[d], (stamp + std::string(x.line)).c_str())) << stamp << " " << r.texts[d];
        }
      }
    }
  }
}

TEST(EventDetectors, NoContactAgainstAStaleSeparation) {
  // A grazing pass at 12h00 of the first day leaves the body just outside
  // the disc when the marked hours end; the body is far away by the next
  // marked hours (a new moon on the third day), where the disc has grown
  // past the last separation seen. Only the two real contacts are printed.
  const struct {
    const char* name;
    int body;
    const char* begins;
    const char* ends;
  } cases[] = {
      {"occultation", 2, "11h01\tMoon occults Venus (beginning).", "13h01\tMoon occults Venus (ending)."},
      {"solar eclipse", 0, "11h01\tSolar eclipse (beginning).", "13h01\tSolar eclipse (ending)."},
  };
  auto newMoon = NewMoonAt(60.0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CalendarRun r = Calendar(3, [&](EventState& s) {
      newMoon(s);
      const double t = Hours(s);
      const double moonRadius = 0.25 + (t > 24 ? 0.025 * (t - 24) / 24 : 0.0);
      const double bodyRadius = c.body == 0 ? 0.2666 : 0.0;
      s.bodies[10].apparentDiameter = 2 * moonRadius * kDeg;
      s.bodies[c.body].apparentDiameter = 2 * bodyRadius * kDeg;
      // Measured from the contact distance: 0.01 degree inside at the least.
      const double dt = std::fabs(t - 12.0 - 20 / 3600.0);
      const double beyond = t < 20 ? 0.01 * (dt - 1.0) : 0.07 + (t - 20);
      s.bodies[10].rightAscension = s.bodies[c.body].rightAscension;
      s.bodies[10].declination = s.bodies[c.body].declination + (moonRadius + bodyRadius + beyond) * kDeg;
    });
    EXPECT_TRUE(Has(r.texts[1], c.begins)) << r.texts[1];
    EXPECT_TRUE(Has(r.texts[1], c.ends)) << r.texts[1];
    EXPECT_TRUE(Has(r.texts[3], "New Moon.")) << r.texts[3];
    for (int d = 2; d <= 3; ++d) {
      EXPECT_FALSE(Has(r.texts[d], "occults")) << d << ": " << r.texts[d];
      EXPECT_FALSE(Has(r.texts[d], "clipse")) << d << ": " << r.texts[d];
    }
  }
}

TEST(EventDetectors, StopEndsAfterTheCurrentDay) {
  int days = 0;
  const CalendarRun r = Calendar(5, NewMoonAt(60.0), [&] { return ++days >= 2; });
  EXPECT_FALSE(r.completed);
  EXPECT_EQ(days, 2);  // the warm-up day and the first day of the coarse pass
}

TEST(EventCalendarText, DocumentAndAlertForms) {
  AfxRegisterStrings(kCalendarStringTable, kCalendarStringTableCount);
  const CString months[12] = {"january", "february", "march",     "april",   "may",      "june",
                              "july",    "august",   "september", "october", "november", "december"};
  const CString weekdays[7] = {"Saturday", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday"};
  CalendarNames names{kNames, months, weekdays};

  CalendarRequest february;
  february.year = 2024;
  february.month = 2;
  february.day = 17;
  EXPECT_EQ(CalendarDayCount(february), 29);
  CalendarRequest december = february;
  december.month = 12;
  EXPECT_EQ(CalendarDayCount(december), 31);
  std::vector<CString> days(30);
  const CString doc = BuildCalendarText(february, names, days, nullptr);
  size_t blocks = 0;
  for (size_t at = doc.find("\\par\\plain\\f2\\fs22\\i "); at != std::string::npos;
       at = doc.find("\\par\\plain\\f2\\fs22\\i ", at + 1))
    ++blocks;
  EXPECT_EQ(blocks, 29u);
  EXPECT_EQ(doc.rfind("{\\rtf1", 0), 0u);
  EXPECT_TRUE(Has(doc, "\\f2\\fs23\\b\\ul\\i february 2024 ephemeris"));
  EXPECT_TRUE(Has(doc, "Maximum of Delta Leonides meteor shower"));  // 24 february
  EXPECT_EQ(doc.back(), '}');

  CalendarRequest y2000;
  y2000.periodMode = true;
  y2000.year = 2000;
  y2000.month = 1;
  y2000.day = 1;
  const CString one = BuildCalendarText(y2000, names, std::vector<CString>(2), nullptr);
  EXPECT_TRUE(Has(one, "Sat\tjanuary  1, 2000\r\n\r\n")) << one;
  EXPECT_TRUE(Has(one, "\\f2\\fs23\\b\\ul\\i Ephemeris"));

  CalendarRequest alert = y2000;
  alert.alertMode = true;
  alert.day = 3;
  std::vector<CString> texts = {"", "16h17\tMoon occults Venus (beginning).\r\n\r\n"};
  EXPECT_EQ(BuildCalendarText(alert, names, texts, nullptr),
            "16h17\tMoon occults Venus (beginning).  Maximum of Quadrantides meteor shower, from 1th to 5th january.  ");

  // A date the pickers report as not valid, or out of the tables.
  CalendarRequest invalid;
  invalid.year = invalid.month = invalid.day = -1;
  EXPECT_EQ(CalendarDayCount(invalid), 0);
  CalendarRequest tooLong = y2000;
  tooLong.lengthDays = kCalendarMaxDays + 1;
  EXPECT_EQ(CalendarDayCount(tooLong), 0);
}

}  // namespace
