#include "ElementLines.h"

#include <cmath>

#include "NumberFormat.h"

namespace {

// The value right-aligned in `width` columns with as many of `decimals`
// decimals as fit; false when even the whole number does not fit.
bool Fit(std::string& out, double value, int width, int decimals) {
  if (!std::isfinite(value)) return false;
  for (int d = decimals; d >= 0; --d) {
    const std::string s = FormatC("%*.*f", width, d, value);
    if (static_cast<int>(s.size()) == width) {
      out += s;
      return true;
    }
  }
  return false;
}

std::string Cut(const std::string& name, size_t length) {
  std::string s = name.substr(0, length);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  // A name must not hold the field separator or a line end.
  for (char& c : s)
    if (c == '|' || c == '\n' || c == '\r') c = ' ';
  return s;
}

}  // namespace

double PackedDateOfJulianDay(double jd) {
  // Calendar date of a Julian date (Gregorian from 1582-10-15).
  const double z = std::floor(jd + 0.5);
  const double f = jd + 0.5 - z;
  double a = z;
  if (z >= 2299161.0) {
    const double alpha = std::floor((z - 1867216.25) / 36524.25);
    a = z + 1 + alpha - std::floor(alpha / 4);
  }
  const double b = a + 1524;
  const double c = std::floor((b - 122.1) / 365.25);
  const double d = std::floor(365.25 * c);
  const double e = std::floor((b - d) / 30.6001);
  const double day = b - d - std::floor(30.6001 * e) + f;
  const double month = e < 14 ? e - 1 : e - 13;
  const double year = month > 2 ? c - 4716 : c - 4715;
  return year * 10000.0 + month * 100.0 + day;
}

bool FormatCometLine(const CometElementsLine& c, std::string& line) {
  const double packed = PackedDateOfJulianDay(c.perihelionJd);
  if (!(packed >= 10000101.0 && packed < 99991232.0)) return false;
  std::string name = Cut(c.name, 39);
  line = name + std::string(45 - name.size(), ' ');
  bool ok = Fit(line, packed, 14, 4);
  line += ' ';
  ok = ok && Fit(line, c.q, 10, 6);
  line += ' ';
  ok = ok && Fit(line, c.e, 9, 6);
  line += ' ';
  ok = ok && Fit(line, c.peri, 9, 5);
  line += ' ';
  ok = ok && Fit(line, c.node, 9, 5);
  line += ' ';
  ok = ok && Fit(line, c.incl, 9, 5);
  line += ' ';
  ok = ok && Fit(line, c.h, 5, 1);
  line += ' ';
  ok = ok && Fit(line, c.slope, 5, 1);
  return ok;
}

bool FormatAsteroidLine(const AsteroidElementsLine& a, std::string& line) {
  const double packed = PackedDateOfJulianDay(a.epochJd);
  if (!(packed >= 10000101.0 && packed < 99991232.0)) return false;
  std::string name = Cut(a.name, 20);
  line = name + std::string(20 - name.size(), ' ') + "|";
  bool ok = Fit(line, packed, 14, 4);
  line += ' ';
  ok = ok && Fit(line, a.e, 10, 8);
  line += ' ';
  ok = ok && Fit(line, a.a, 8, 5);
  line += ' ';
  ok = ok && Fit(line, a.incl, 8, 4);
  line += ' ';
  ok = ok && Fit(line, a.node, 9, 5);
  line += ' ';
  ok = ok && Fit(line, a.peri, 9, 5);
  line += std::string(7, ' ');
  ok = ok && Fit(line, a.meanAnomaly, 10, 6);
  line += ' ';
  ok = ok && Fit(line, a.h, 5, 2);
  line += ' ';
  ok = ok && Fit(line, a.g, 5, 2);
  return ok;
}
