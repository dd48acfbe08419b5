// Angles and times of day as single-byte texts (code page 1252; 0xB0 is the
// degree sign). Seconds are rounded to tenths, halves away from zero, and a
// rounded 60 is carried into the next unit.
#include <cmath>

#include "SkyModel.h"

// An angle that is not a number (from a damaged file or a failed
// computation) shows the "no value" dashes. Degrees and hours are printed
// as whole floating-point numbers, so no angle, however large, is converted
// to an int.
void CSkyModel::FormatAngle(CString& result, bool hours, bool dropZeros, double degrees) {
  if (!std::isfinite(degrees)) {
    result = "-------";
    return;
  }
  const bool negative = degrees < 0.0;
  const double v = hours ? degrees * 0.06666666666666667 : degrees;
  const double total = std::fabs(v) * 3600.0;
  double sec = RoundHalfAwayFromZero(std::fmod(total, 60.0) * 10.0) * 0.1;
  const double m = std::floor(total / 60.0);
  double min = std::fmod(m, 60.0);
  double big = std::floor(m / 60.0);
  if (sec == 60.0) {
    sec = 0.0;
    min += 1.0;
  }
  if (min == 60.0) {
    min = 0.0;
    big += 1.0;
  }

  CString text;
  if (hours) {
    text.Format("%2.0f h  %2i m  %3.1f s", big, static_cast<int>(min), sec);
  } else {
    if (big != 0.0 || !dropZeros) text.AppendFormat("%3.0f \xB0  ", big);
    if (min != 0.0 || !text.IsEmpty() || !dropZeros) text.AppendFormat("%2i '  ", static_cast<int>(min));
    text.AppendFormat("%3.1f ''", sec);
  }
  result = negative ? CString("-" + text) : text;
}

void CSkyModel::FormatTimeOfDay(CString& result, bool shortForm, double degrees) {
  if (!std::isfinite(degrees) || std::fabs(degrees * kPi / 180.0 + 1.0) < 1e-5) {
    result = "-------";
    return;
  }
  double h = degrees * 0.06666666666666667;
  // The same as subtracting 24 until below, without a long loop. Negative
  // values are not wrapped: their magnitude is printed, so -25 h reads 25:00.
  if (h >= 24.0) h = std::fmod(h, 24.0);
  const double total = std::fabs(h) * 3600.0;
  double sec = RoundHalfAwayFromZero(std::fmod(total, 60.0) * 10.0) * 0.1;
  const double m = std::floor(total / 60.0);
  double min = std::fmod(m, 60.0);
  double hour = std::floor(m / 60.0);
  if ((shortForm && sec > 30.0) || sec == 60.0) {
    sec = 0.0;
    min += 1.0;
  }
  if (min == 60.0) {
    min = 0.0;
    hour += 1.0;
  }
  if (hour == 24.0) hour = 0.0;

  // The hour is printed as a whole floating-point number: a large negative
  // value (not wrapped) would overflow an int.
  CString text;
  text.Format("%02.0f:%02i", hour, static_cast<int>(min));
  if (!shortForm) text.AppendFormat(":%02i", static_cast<int>(sec));
  result = text;
}
