// TT - UT from the observed record: the long-term parabola before it, a
// table from -720 to 1962 (historical splines and the classical table), the
// Earth-orientation record since 1962, and after its last day the last level
// and rate, eased into the parabola over a few decades.
#include "DeltaTTable.h"
#include "Ephemeris.h"

#include <cmath>

namespace orbicalc {
namespace {

constexpr double kJ2000 = 2451545.0;
constexpr double kYear = 365.25;

double YearOf(double jd) { return 2000.0 + (jd - kJ2000) / kYear; }

double Parabola(double year) {
  const double u = (year - 1820.0) / 100.0;
  return -20.0 + 32.0 * u * u;
}

double Interpolate(const double* values, int count, double start, double step, double jd) {
  const double x = (jd - start) / step;
  int i = static_cast<int>(std::floor(x));
  if (i < 0) i = 0;
  if (i > count - 2) i = count - 2;
  const double f = x - i;
  return values[i] + f * (values[i + 1] - values[i]);
}

}  // namespace

double DeltaTRecordEnd() { return kDeltaTRecordStart + (kDeltaTRecordCount - 1) * kDeltaTRecordStep; }

double DeltaTSeconds(double jd) {
  if (!std::isfinite(jd)) return 0.0;
  const double recordEnd = DeltaTRecordEnd();
  if (jd >= kDeltaTRecordStart && jd <= recordEnd)
    return Interpolate(kDeltaTRecord, kDeltaTRecordCount, kDeltaTRecordStart, kDeltaTRecordStep, jd);
  if (jd >= kDeltaTEarlyStart && jd < kDeltaTRecordStart)
    return Interpolate(kDeltaTEarly, kDeltaTEarlyCount, kDeltaTEarlyStart, kDeltaTEarlyStep, jd);
  const double year = YearOf(jd);
  if (jd < kDeltaTEarlyStart) {
    const double back = YearOf(kDeltaTEarlyStart) - year;
    const double fade = back < kDeltaTAncientFadeYears ? 1.0 - back / kDeltaTAncientFadeYears : 0.0;
    return Parabola(year) + kDeltaTAncientOffset * fade;
  }
  // After the record: the last level and rate, eased into the parabola
  // with a blend whose weight starts and ends flat (no step, no kink), so
  // the first years follow the observed trend.
  const double y0 = YearOf(recordEnd), y1 = y0 + kDeltaTJoinYears;
  if (year >= y1) return Parabola(year);
  const double s = (year - y0) / (y1 - y0);
  const double w = s * s * s * (10.0 - 15.0 * s + 6.0 * s * s);
  const double trend = kDeltaTRecord[kDeltaTRecordCount - 1] + kDeltaTFinalRate * kYear * (year - y0);
  return trend + w * (Parabola(year) - trend);
}

std::vector<double> DeltaTJoins() {
  return {kDeltaTEarlyStart, kDeltaTRecordStart, DeltaTRecordEnd(), DeltaTRecordEnd() + kDeltaTJoinYears * kYear};
}

}  // namespace orbicalc
