// TT - UT from the observed record: the long-term parabola before it, a
// table from -720 to 1962 (historical splines and the classical table), the
// Earth-orientation record since 1962, and after its last day a cubic that
// starts at the last level and rate and meets the parabola a few decades on.
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
double ParabolaRate(double year) { return 64.0 * (year - 1820.0) / 10000.0; }  // seconds per year

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
  // After the record: cubic Hermite from (level, rate) to the parabola.
  const double y0 = YearOf(recordEnd), y1 = y0 + kDeltaTJoinYears;
  if (year >= y1) return Parabola(year);
  const double h = y1 - y0, s = (year - y0) / h;
  const double level = kDeltaTRecord[kDeltaTRecordCount - 1], rate = kDeltaTFinalRate * kYear;
  const double h00 = (1 + 2 * s) * (1 - s) * (1 - s), h10 = s * (1 - s) * (1 - s);
  const double h01 = s * s * (3 - 2 * s), h11 = s * s * (s - 1);
  return h00 * level + h10 * h * rate + h01 * Parabola(y1) + h11 * h * ParabolaRate(y1);
}

std::vector<double> DeltaTJoins() {
  return {kDeltaTEarlyStart, kDeltaTRecordStart, DeltaTRecordEnd(), DeltaTRecordEnd() + kDeltaTJoinYears * kYear};
}

}  // namespace orbicalc
