#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "Generator.h"

namespace gen {

bool ReadFile(const std::string& path, std::string& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  data = ss.str();
  return !in.bad();
}

bool ReadGzipFile(const std::string& path, std::string& data) {
  gzFile f = gzopen(path.c_str(), "rb");
  if (!f) return false;
  data.clear();
  char buf[1 << 16];
  for (;;) {
    int n = gzread(f, buf, sizeof buf);
    if (n < 0) {
      gzclose(f);
      return false;
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  gzclose(f);
  return true;
}

bool WriteFile(const std::string& path, const std::string& data) {
  std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out) return false;
  }
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

bool MakeDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0755) == 0) return true;
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void PutI32(std::string& rec, size_t off, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) rec[off + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}
void PutU16(std::string& rec, size_t off, uint16_t v) {
  rec[off] = static_cast<char>(v & 0xFF);
  rec[off + 1] = static_cast<char>(v >> 8);
}
void PutI16(std::string& rec, size_t off, int16_t v) { PutU16(rec, off, static_cast<uint16_t>(v)); }
void PutF32(std::string& rec, size_t off, float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  PutI32(rec, off, static_cast<int32_t>(u));
}
void PutText(std::string& rec, size_t off, size_t size, std::string_view text, char pad) {
  for (size_t i = 0; i < size; ++i) rec[off + i] = i < text.size() ? text[i] : pad;
}

int32_t ClampI32(double v) {
  v = std::round(v);
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}
int16_t ClampI16(double v) {
  v = std::round(v);
  if (v > 32767.0) return 32767;
  if (v < -32768.0) return -32768;
  return static_cast<int16_t>(v);
}

bool ParseDouble(std::string_view text, double& v) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}
bool ParseInt(std::string_view text, long& v) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

std::vector<std::string_view> Split(std::string_view line, char sep, bool dropEmpty) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (;;) {
    size_t p = line.find(sep, start);
    std::string_view part = line.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start);
    if (!dropEmpty || !part.empty()) out.push_back(part);
    if (p == std::string_view::npos) break;
    start = p + 1;
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

void PrecessJ2000To(double jd, double& ra, double& dec) {
  // IAU 1976 precession angles (Lieske), from J2000 to the given equinox.
  double t = (jd - 2451545.0) / 36525.0;
  double as = kPi / (180.0 * 3600.0);
  double zeta = (2306.2181 * t + 0.30188 * t * t + 0.017998 * t * t * t) * as;
  double z = (2306.2181 * t + 1.09468 * t * t + 0.018203 * t * t * t) * as;
  double theta = (2004.3109 * t - 0.42665 * t * t - 0.041833 * t * t * t) * as;
  double a = std::cos(dec) * std::sin(ra + zeta);
  double b = std::cos(theta) * std::cos(dec) * std::cos(ra + zeta) - std::sin(theta) * std::sin(dec);
  double c = std::sin(theta) * std::cos(dec) * std::cos(ra + zeta) + std::cos(theta) * std::sin(dec);
  ra = std::atan2(a, b) + z;
  ra = std::fmod(ra, 2 * kPi);
  if (ra < 0) ra += 2 * kPi;
  dec = std::asin(std::clamp(c, -1.0, 1.0));
}

static bool ParseSexagesimal(std::string_view s, double& v) {
  s = Trim(s);
  bool neg = !s.empty() && s.front() == '-';
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  auto parts = Split(s, ':', false);
  double scale = 1.0, total = 0.0;
  for (auto p : parts) {
    double x;
    if (!ParseDouble(p, x)) return false;
    total += x * scale;
    scale /= 60.0;
  }
  v = neg ? -total : total;
  return !parts.empty();
}

bool ConstellationFinder::Load(const std::string& spansPath) {
  std::string data;
  if (!ReadFile(spansPath, data)) return false;
  m_rows.clear();
  std::istringstream in(data);
  std::string line;
  while (std::getline(in, line)) {
    auto f = Split(line, ' ', true);
    if (f.size() < 4) continue;
    Row r;
    if (!ParseSexagesimal(f[0], r.raLow) || !ParseSexagesimal(f[1], r.raHigh) || !ParseSexagesimal(f[2], r.decLow))
      continue;
    r.abbr = std::string(Trim(f[3]));
    m_rows.push_back(r);
  }
  return m_rows.size() > 300;
}

std::string ConstellationFinder::Find(double ra, double dec) const {
  PrecessJ2000To(2405889.258550475, ra, dec);  // B1875.0
  double h = ra * 12.0 / kPi, d = dec / kDeg;
  for (const Row& r : m_rows)
    if (d >= r.decLow && h >= r.raLow && h < r.raHigh) return r.abbr;
  return std::string();
}

int ZoneOf(double ra, double dec) {
  static const double kEdges[] = {54.0, 18.0, -18.0, -54.0};
  static const int kCounts[] = {4, 12, 18, 12, 4};
  double d = dec / kDeg;
  int band = 0;
  while (band < 4 && d < kEdges[band]) ++band;
  int first = 1;
  for (int b = 0; b < band; ++b) first += kCounts[b];
  double r = std::fmod(ra, 2 * kPi);
  if (r < 0) r += 2 * kPi;
  int k = static_cast<int>(r / (2 * kPi) * kCounts[band]);
  if (k >= kCounts[band]) k = kCounts[band] - 1;
  return first + k;
}

}  // namespace gen
