#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "SkyModel.h"

namespace {

struct AngleCase {
  bool hours, drop;
  double degrees;
  const char* text;
};

struct TimeCase {
  bool shortForm;
  double degrees;
  const char* text;
};

void CheckAll() {
  CSkyModel m;
  const AngleCase angles[] = {
      {false, false, 10.5125, " 10 \xB0  30 '  45.0 ''"},
      {true, false, 10.5125, " 0 h  42 m  3.0 s"},
      {false, true, 0.0125, "45.0 ''"},
      {false, true, 0.5, "30 '  0.0 ''"},
      {false, false, -0.5, "-  0 \xB0  30 '  0.0 ''"},
      {true, false, (23 + 59 / 60.0 + 59.96 / 3600) * 15, "24 h   0 m  0.0 s"},
      {false, true, 0.0, "0.0 ''"},
      {false, true, 1.0, "  1 \xB0   0 '  0.0 ''"},
      {false, false, -1e-9, "-  0 \xB0   0 '  0.0 ''"},
      // Beyond the range of an int, and not a number at all.
      {false, false, 3e9, "3000000000 \xB0   0 '  0.0 ''"},
      {true, false, -4.5e10, "-3000000000 h   0 m  0.0 s"},
      {false, true, std::nan(""), "-------"},
      {true, false, HUGE_VAL, "-------"},
      {false, false, -HUGE_VAL, "-------"},
  };
  for (const auto& c : angles) {
    CString s;
    m.FormatAngle(s, c.hours, c.drop, c.degrees);
    EXPECT_EQ(s, c.text) << c.degrees;
  }
  const TimeCase times[] = {
      {false, 180.0, "12:00:00"},  {true, 180.0, "12:00"},    {false, 359.999, "23:59:59"},
      {true, 359.999, "00:00"},    {false, 15.125, "01:00:30"}, {true, 15.125, "01:00"},
      {false, 375.0, "01:00:00"},  {false, -15.0, "01:00:00"},  {false, -57.29577951308232, "-------"},
      {true, -57.2957795, "-------"},  {false, std::nan(""), "-------"}, {false, HUGE_VAL, "-------"},
      // Negative values are not wrapped into the day: the magnitude is printed.
      {false, -375.0, "25:00:00"},  {true, -375.0, "25:00"},     {false, -15.125, "01:00:30"},
      {false, -360.0, "00:00:00"},  {false, -3600.0, "240:00:00"}, {false, -4.5e10, "3000000000:00:00"},
  };
  for (const auto& c : times) {
    CString s;
    m.FormatTimeOfDay(s, c.shortForm, c.degrees);
    EXPECT_EQ(s, c.text) << c.degrees << (c.shortForm ? " short" : " long");
  }
}

}  // namespace

TEST(Formatting, WorkedExamples) { CheckAll(); }

TEST(Formatting, UnderADecimalCommaLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "fr_FR.UTF-8")) GTEST_SKIP() << "fr_FR.UTF-8 locale not installed";
  CheckAll();
  std::setlocale(LC_ALL, previous.c_str());
}
