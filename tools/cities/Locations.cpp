#include "Locations.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>

#include "Cp1252.h"

namespace cities {

namespace {

class Stream {
 public:
  explicit Stream(const std::string& bytes) : m_bytes(bytes) {}
  bool ok() const { return m_ok; }
  bool atEnd() const { return m_at == m_bytes.size(); }
  uint32_t U32() {
    if (!Need(4)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(m_bytes[m_at++]);
    return v;
  }
  uint16_t U16() {
    if (!Need(2)) return 0;
    const uint16_t v = static_cast<uint16_t>((static_cast<unsigned char>(m_bytes[m_at]) << 8) |
                                             static_cast<unsigned char>(m_bytes[m_at + 1]));
    m_at += 2;
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  double F64() {
    uint64_t bits = static_cast<uint64_t>(U32()) << 32;
    bits |= U32();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  uint8_t U8() {
    if (!Need(1)) return 0;
    return static_cast<uint8_t>(m_bytes[m_at++]);
  }
  // A QString: a byte length (all ones for a null text), then UTF-16 big-endian.
  std::u32string Text() {
    const uint32_t length = U32();
    std::u32string out;
    if (!m_ok || length == 0xFFFFFFFFu) return out;
    if (length % 2 != 0 || !Need(length)) {
      m_ok = false;
      return out;
    }
    for (uint32_t i = 0; i < length / 2; ++i) {
      char32_t unit = U16();
      if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < length / 2) {
        const char32_t low = U16();
        ++i;
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      }
      out.push_back(unit);
    }
    return out;
  }

 private:
  bool Need(size_t n) {
    if (!m_ok || m_bytes.size() - m_at < n) m_ok = false;
    return m_ok;
  }
  const std::string& m_bytes;
  size_t m_at = 0;
  bool m_ok = true;
};

std::string Ascii(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
  return out;
}

// Base letters of U+0100 to U+017F (Latin Extended-A).
constexpr char kExtendedA[] =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlLlLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(sizeof(kExtendedA) == 129);

int Rank(char role) {
  switch (role) {
    case 'C': return 0;
    case 'R': return 1;
    case 'O': return 2;
    default: return 3;
  }
}

}  // namespace

bool ParseLocations(const std::string& bytes, std::vector<Location>& out, std::string& error) {
  Stream s(bytes);
  const uint32_t count = s.U32();
  out.clear();
  for (uint32_t i = 0; i < count && s.ok(); ++i) {
    Location place;
    s.Text();  // key "<name>, <region>"
    place.name = s.Text();
    s.Text();  // state or province
    s.Text();  // region
    place.role = static_cast<char>(s.U16());
    place.population = s.I32();
    place.latitude = s.F64();
    place.longitude = s.F64();
    place.altitude = s.I32();
    s.I32();   // Bortle index
    s.Text();  // time zone
    place.planet = Ascii(s.Text());
    s.Text();  // landscape
    s.U8();    // user location
    if (s.ok()) out.push_back(std::move(place));
  }
  if (!s.ok() || out.size() != count) {
    error = "malformed location list after " + std::to_string(out.size()) + " of " + std::to_string(count) + " places";
    return false;
  }
  return true;
}

bool ReadLocationsFile(const std::string& gzPath, std::vector<Location>& out, std::string& error) {
  gzFile file = gzopen(gzPath.c_str(), "rb");
  if (!file) {
    error = gzPath + ": cannot open";
    return false;
  }
  std::string bytes;
  char buffer[65536];
  int got = 0;
  while ((got = gzread(file, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(got));
  const bool failed = got < 0;
  gzclose(file);
  if (failed) {
    error = gzPath + ": cannot decompress";
    return false;
  }
  return ParseLocations(bytes, out, error);
}

bool NameToCp1252(const std::u32string& name, std::string& out) {
  out.clear();
  for (char32_t c : name) {
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    bool found = false;
    for (int b = 0x80; b < 0xA0 && !found; ++b)
      if (Cp1252ToCodePoint(static_cast<unsigned char>(b)) == c) {
        out.push_back(static_cast<char>(b));
        found = true;
      }
    if (found) continue;
    if (c >= 0x100 && c < 0x180) {
      out.push_back(kExtendedA[c - 0x100]);
    } else if (c == 0x218 || c == 0x219 || c == 0x21A || c == 0x21B) {  // comma-below S and T
      out.push_back("SsTt"[c - 0x218]);
    } else if (c == 0x2BB || c == 0x2BC) {  // modifier apostrophes (Hawaiian, Uzbek)
      out.push_back('\'');
    } else {
      return false;
    }
  }
  return true;
}

CityRecord ToCityRecord(const std::string& name, const Location& place) {
  CityRecord city;
  city.SetName(name);
  auto split = [](double value, int& degrees, int& minutes, int& seconds) {
    const long total = std::lround(std::fabs(value) * 3600.0);
    degrees = static_cast<int>(total / 3600);
    minutes = static_cast<int>(total / 60 % 60);
    seconds = static_cast<int>(total % 60);
  };
  split(place.latitude, city.latitudeDegrees, city.latitudeMinutes, city.latitudeSeconds);
  split(place.longitude, city.longitudeDegrees, city.longitudeMinutes, city.longitudeSeconds);
  city.north = place.latitude >= 0.0 ? 1 : 0;
  city.west = place.longitude < 0.0 ? 1 : 0;  // the source counts east positive
  city.altitude = place.altitude == -9999 ? 0 : place.altitude;
  return city;
}

std::vector<CityRecord> ChoosePlaces(const std::vector<Location>& all, int minimumPopulation) {
  std::vector<const Location*> wanted;
  for (const Location& place : all) {
    if (place.planet != "Earth") continue;
    const bool important = place.role == 'C' || place.role == 'R' || place.role == 'O';
    if (important || (place.role == 'N' && place.population >= minimumPopulation)) wanted.push_back(&place);
  }
  std::stable_sort(wanted.begin(), wanted.end(), [](const Location* a, const Location* b) {
    if (Rank(a->role) != Rank(b->role)) return Rank(a->role) < Rank(b->role);
    return a->population > b->population;
  });
  std::set<std::string> taken;
  std::vector<std::pair<std::string, CityRecord>> chosen;
  for (const Location* place : wanted) {
    std::string name;
    if (!NameToCp1252(place->name, name)) continue;
    if (name.size() > 19) name.resize(19);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.empty()) continue;
    const std::string key = CityNameUpper(name);
    if (!taken.insert(key).second) continue;
    chosen.emplace_back(key, ToCityRecord(name, *place));
  }
  std::sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<CityRecord> out;
  out.reserve(chosen.size());
  for (auto& entry : chosen) out.push_back(entry.second);
  return out;
}

}  // namespace cities
