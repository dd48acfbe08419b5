// Writes the comet and asteroid element files of the install folder from the
// small-body lists shipped by kstars-data: JPL's SBDB lists and the Minor
// Planet Center's comet list.
//   make_elements <kstars data folder> <output "donnees" folder>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "Cp1252.h"
#include "ElementLines.h"
#include "NumberFormat.h"

namespace {

// A small JSON reader: enough for the query output (objects, arrays, strings,
// numbers, null, true, false).
struct Json {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  std::string text;  // string or number text
  std::vector<Json> items;
  std::vector<std::string> keys;  // object members: keys[i] names values[i]
  std::vector<Json> values;

  const Json* Find(const std::string& key) const {
    for (size_t i = 0; i < keys.size(); ++i)
      if (keys[i] == key) return &values[i];
    return nullptr;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& s) : s_(s) {}
  bool Parse(Json& out) {
    const bool ok = Value(out, 0);
    Skip();
    return ok && pos_ == s_.size();
  }

 private:
  void Skip() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t')) ++pos_;
  }
  bool String(std::string& out) {
    if (pos_ >= s_.size() || s_[pos_] != '"') return false;
    ++pos_;
    out.clear();
    while (pos_ < s_.size() && s_[pos_] != '"') {
      char c = s_[pos_++];
      if (c == '\\' && pos_ < s_.size()) {
        const char e = s_[pos_++];
        if (e == 'u') {
          // Names here are ASCII; anything else becomes '?'.
          if (pos_ + 4 > s_.size()) return false;
          const unsigned code = static_cast<unsigned>(std::stoul(s_.substr(pos_, 4), nullptr, 16));
          pos_ += 4;
          c = code < 0x80 ? static_cast<char>(code) : '?';
        } else {
          c = e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e == 'b' ? '\b' : e == 'f' ? '\f' : e;
        }
      }
      out += c;
    }
    if (pos_ >= s_.size()) return false;
    ++pos_;
    return true;
  }
  bool Value(Json& out, int depth) {
    if (depth > 64) return false;
    Skip();
    if (pos_ >= s_.size()) return false;
    const char c = s_[pos_];
    if (c == '{') {
      out.kind = Json::kObject;
      ++pos_;
      Skip();
      if (pos_ < s_.size() && s_[pos_] == '}') return ++pos_, true;
      for (;;) {
        Skip();
        std::string key;
        if (!String(key)) return false;
        Skip();
        if (pos_ >= s_.size() || s_[pos_] != ':') return false;
        ++pos_;
        Json v;
        if (!Value(v, depth + 1)) return false;
        out.keys.push_back(std::move(key));
        out.values.push_back(std::move(v));
        Skip();
        if (pos_ < s_.size() && s_[pos_] == ',') { ++pos_; continue; }
        if (pos_ < s_.size() && s_[pos_] == '}') return ++pos_, true;
        return false;
      }
    }
    if (c == '[') {
      out.kind = Json::kArray;
      ++pos_;
      Skip();
      if (pos_ < s_.size() && s_[pos_] == ']') return ++pos_, true;
      for (;;) {
        Json v;
        if (!Value(v, depth + 1)) return false;
        out.items.push_back(std::move(v));
        Skip();
        if (pos_ < s_.size() && s_[pos_] == ',') { ++pos_; continue; }
        if (pos_ < s_.size() && s_[pos_] == ']') return ++pos_, true;
        return false;
      }
    }
    if (c == '"') {
      out.kind = Json::kString;
      return String(out.text);
    }
    if (s_.compare(pos_, 4, "null") == 0) { pos_ += 4; out.kind = Json::kNull; return true; }
    if (s_.compare(pos_, 4, "true") == 0) { pos_ += 4; out.kind = Json::kBool; out.text = "true"; return true; }
    if (s_.compare(pos_, 5, "false") == 0) { pos_ += 5; out.kind = Json::kBool; out.text = "false"; return true; }
    const size_t start = pos_;
    while (pos_ < s_.size() && std::string("+-0123456789.eE").find(s_[pos_]) != std::string::npos) ++pos_;
    if (pos_ == start) return false;
    out.kind = Json::kNumber;
    out.text = s_.substr(start, pos_ - start);
    return true;
  }

  const std::string& s_;
  size_t pos_ = 0;
};

// A table of rows: column index by field name.
struct Table {
  std::map<std::string, size_t> columns;
  const std::vector<Json>* rows = nullptr;
};

bool LoadTable(const std::string& path, Json& document, Table& table) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  if (!JsonReader(text).Parse(document)) return false;
  const Json* fields = document.Find("fields");
  const Json* data = document.Find("data");
  if (!fields || !data || fields->kind != Json::kArray || data->kind != Json::kArray) return false;
  for (size_t i = 0; i < fields->items.size(); ++i) table.columns[fields->items[i].text] = i;
  table.rows = &data->items;
  return true;
}

// The whole text of a gzip-compressed file; false when it cannot be read.
bool ReadGzipFile(const std::string& path, std::string& text) {
  gzFile f = gzopen(path.c_str(), "rb");
  if (!f) return false;
  text.clear();
  char chunk[65536];
  int n;
  while ((n = gzread(f, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(n));
  const bool ok = n == 0;
  gzclose(f);
  return ok;
}

// A field of a row as a number; false when absent or null.
bool Number(const Table& t, const Json& row, const char* field, double& value) {
  const auto it = t.columns.find(field);
  if (it == t.columns.end() || it->second >= row.items.size()) return false;
  const Json& v = row.items[it->second];
  if (v.kind != Json::kNumber && v.kind != Json::kString) return false;
  if (v.text.empty()) return false;
  char* end = nullptr;
  value = StrtodC(v.text.c_str(), &end);
  return end != v.text.c_str() && std::isfinite(value);
}

std::string Text(const Table& t, const Json& row, const char* field) {
  const auto it = t.columns.find(field);
  if (it == t.columns.end() || it->second >= row.items.size()) return std::string();
  return row.items[it->second].kind == Json::kString ? row.items[it->second].text : std::string();
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// A member of an object as a number; false when absent, null or not finite.
bool Member(const Json& object, const char* key, double& value) {
  const Json* v = object.Find(key);
  if (!v || (v->kind != Json::kNumber && v->kind != Json::kString) || v->text.empty()) return false;
  char* end = nullptr;
  value = StrtodC(v->text.c_str(), &end);
  return end != v->text.c_str() && std::isfinite(value);
}

std::string MemberText(const Json& object, const char* key) {
  const Json* v = object.Find(key);
  return v && v->kind == Json::kString ? v->text : std::string();
}

// Julian date of a Gregorian calendar date with a decimal day.
double JulianDayOfCalendar(int year, int month, double day) {
  if (month <= 2) {
    year -= 1;
    month += 12;
  }
  const int a = year / 100;
  const int b = 2 - a + a / 4;
  return std::floor(365.25 * (year + 4716)) + std::floor(30.6001 * (month + 1)) + day + b - 1524.5;
}

// The designation that names one comet in both lists, without its
// discoverers: "12P" for "12P/Pons-Brooks", "73P-B" for a fragment,
// "C/1995 O1" for "C/1995 O1 (Hale-Bopp)".
std::string DesignationKey(const std::string& fullName) {
  const std::string name = Trim(fullName);
  const size_t slash = name.find('/');
  if (slash == std::string::npos) return name;
  const std::string prefix = name.substr(0, slash);
  if (!prefix.empty() && prefix[0] >= '0' && prefix[0] <= '9') {
    // A fragment: "73P-B/Schwassmann-Wachmann" in the MPC's list,
    // "73P/Schwassmann-Wachmann 3-B" in JPL's.
    const size_t dash = name.find_last_of('-');
    if (prefix.find('-') == std::string::npos && dash != std::string::npos && dash > slash &&
        name.size() - dash - 1 >= 1 && name.size() - dash - 1 <= 2 &&
        std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dash) + 1, name.end(),
                    [](char ch) { return ch >= 'A' && ch <= 'Z'; }))
      return prefix + name.substr(dash);
    return prefix;
  }
  std::string rest = name.substr(slash + 1);
  const size_t open = rest.find(" (");
  if (open != std::string::npos) rest = rest.substr(0, open);
  return prefix + "/" + Trim(rest);
}

// One orbit solution of the Minor Planet Center's comet list.
struct MpcOrbit {
  double epochJd;  // osculation epoch (TT)
  double perihelionJd, q, e, peri, node, incl;
  std::string reference;
};

// The MPC's comet list (a JSON array of objects with the MPC's field names),
// by designation. Orbits without an osculation epoch are left out: nothing
// tells how recent they are.
bool LoadMpcComets(const std::string& path, std::map<std::string, MpcOrbit>& orbits) {
  std::string text;
  Json list;
  if (!ReadGzipFile(path, text) || !JsonReader(text).Parse(list) || list.kind != Json::kArray) return false;
  for (const Json& o : list.items) {
    if (o.kind != Json::kObject) continue;
    double y, m, d, ey, em, ed;
    MpcOrbit orbit;
    if (!Member(o, "Year_of_perihelion", y) || !Member(o, "Month_of_perihelion", m) ||
        !Member(o, "Day_of_perihelion", d) || !Member(o, "Perihelion_dist", orbit.q) || !Member(o, "e", orbit.e) ||
        !Member(o, "Peri", orbit.peri) || !Member(o, "Node", orbit.node) || !Member(o, "i", orbit.incl) ||
        !Member(o, "Epoch_year", ey) || !Member(o, "Epoch_month", em) || !Member(o, "Epoch_day", ed))
      continue;
    if (m < 1 || m > 12 || em < 1 || em > 12 || std::fabs(y) > 10000 || std::fabs(ey) > 10000) continue;
    orbit.perihelionJd = JulianDayOfCalendar(static_cast<int>(y), static_cast<int>(m), d);
    orbit.epochJd = JulianDayOfCalendar(static_cast<int>(ey), static_cast<int>(em), ed);
    orbit.reference = MemberText(o, "Ref");
    const std::string key = DesignationKey(MemberText(o, "Designation_and_name"));
    if (!key.empty()) orbits[key] = orbit;
  }
  return !orbits.empty();
}

std::string CalendarText(double jd) {
  const double packed = PackedDateOfJulianDay(jd);
  const int ymd = static_cast<int>(std::floor(packed));
  return FormatC("%04d-%02d-%02d", ymd / 10000, ymd / 100 % 100, ymd % 100);
}

// Writes through a temporary file, so a failed run never leaves half a file.
bool WriteFile(const std::string& path, const std::vector<std::string>& lines) {
  const std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = true;
  for (const std::string& l : lines) ok = ok && std::fputs((l + "\n").c_str(), f) >= 0;
  ok = (std::fclose(f) == 0) && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

constexpr double kDataEpochJd = 2459800.5;  // 2022-08-09, epoch of most elements of the lists

// Comets: those with a total-magnitude parameter, numbered periodic comets
// first, then by the nearness of their perihelion passage to the lists' epoch.
// Each comet takes the more recent of its two orbit solutions: JPL's (whose
// osculation epoch may lie decades back, at an old apparition) or the MPC's
// (osculating at a 2022 epoch); the MPC's wins a tie. `sources` receives one
// line per comet written, naming where its elements came from.
std::vector<std::string> CometLines(const Table& t, const std::map<std::string, MpcOrbit>& mpc, int limit,
                                    std::vector<std::string>& sources) {
  struct Candidate {
    bool numbered;
    double distance;
    std::string line, source;
  };
  std::vector<Candidate> candidates;
  for (const Json& row : *t.rows) {
    CometElementsLine c;
    const std::string fullName = Trim(Text(t, row, "full_name"));
    c.name = Utf8ToCp1252(fullName);  // the program's text is code page 1252
    if (c.name.empty()) continue;
    double epochMjd;
    if (!Number(t, row, "tp", c.perihelionJd) || !Number(t, row, "q", c.q) || !Number(t, row, "e", c.e) ||
        !Number(t, row, "w", c.peri) || !Number(t, row, "om", c.node) || !Number(t, row, "i", c.incl) ||
        !Number(t, row, "M1", c.h) || !Number(t, row, "epoch.mjd", epochMjd))
      continue;
    const double jplEpoch = epochMjd + 2400000.5;
    std::string source = "JPL SBDB, epoch " + CalendarText(jplEpoch) + ", orbit " + Trim(Text(t, row, "orbit_id"));
    const auto newer = mpc.find(DesignationKey(fullName));
    if (newer != mpc.end() && newer->second.epochJd >= jplEpoch) {
      const MpcOrbit& o = newer->second;
      c.perihelionJd = o.perihelionJd;
      c.q = o.q;
      c.e = o.e;
      c.peri = o.peri;
      c.node = o.node;
      c.incl = o.incl;
      source = "MPC, epoch " + CalendarText(o.epochJd) + (o.reference.empty() ? "" : ", " + o.reference);
    }
    // The lists give no magnitude slope: the conventional n = 4 (brightness
    // falling as the fourth power of the distance from the Sun).
    c.slope = 4.0;
    std::string line;
    if (!FormatCometLine(c, line)) continue;
    const bool numbered = !c.name.empty() && c.name[0] >= '0' && c.name[0] <= '9';
    candidates.push_back({numbered, std::fabs(c.perihelionJd - kDataEpochJd), line, fullName + ": " + source});
  }
  std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    if (a.numbered != b.numbered) return a.numbered;
    return a.distance < b.distance;
  });
  std::vector<std::string> lines;
  for (const Candidate& c : candidates) {
    if (static_cast<int>(lines.size()) >= limit) break;
    lines.push_back(c.line);
    sources.push_back(c.source);
  }
  return lines;
}

// Asteroid name: number and name without the provisional designation
// ("1 Ceres"), or the provisional designation alone ("1927 LA").
std::string AsteroidName(const std::string& fullName) {
  std::string s = Trim(fullName);
  const size_t open = s.find('(');
  if (open != std::string::npos && open > 0) {
    std::string head = Trim(s.substr(0, open));
    // "12345" alone is less useful than "12345 (1993 FX)".
    if (head.find(' ') != std::string::npos) return head;
    return s;
  }
  if (!s.empty() && s.front() == '(' && s.back() == ')') return s.substr(1, s.size() - 2);
  return s;
}

bool IsUnusual(const std::string& cls) {
  return cls == "TNO" || cls == "CEN" || cls == "AMO" || cls == "APO" || cls == "ATE" || cls == "IEO" ||
         cls == "PAA" || cls == "HYA";
}

void AsteroidLines(const Table& t, std::vector<std::string>& bright, std::vector<std::string>& unusual,
                   int unusualLimit, int totalLimit) {
  struct Candidate {
    double h;
    std::string line;
  };
  std::vector<Candidate> main, odd;
  for (const Json& row : *t.rows) {
    AsteroidElementsLine a;
    a.name = Utf8ToCp1252(AsteroidName(Text(t, row, "full_name")));
    double mjd;
    if (a.name.empty() || !Number(t, row, "epoch_mjd", mjd) || !Number(t, row, "e", a.e) ||
        !Number(t, row, "a", a.a) || !Number(t, row, "i", a.incl) || !Number(t, row, "om", a.node) ||
        !Number(t, row, "w", a.peri) || !Number(t, row, "ma", a.meanAnomaly) || !Number(t, row, "H", a.h))
      continue;
    if (a.e >= 1.0 || a.a <= 0.0) continue;
    a.epochJd = mjd + 2400000.5;
    // The usual slope parameter where the list gives none.
    if (!Number(t, row, "G", a.g)) a.g = 0.15;
    std::string line;
    if (!FormatAsteroidLine(a, line)) continue;
    (IsUnusual(Text(t, row, "class")) ? odd : main).push_back({a.h, line});
  }
  auto byBrightness = [](const Candidate& x, const Candidate& y) { return x.h < y.h; };
  std::stable_sort(main.begin(), main.end(), byBrightness);
  std::stable_sort(odd.begin(), odd.end(), byBrightness);
  for (const Candidate& c : odd) {
    if (static_cast<int>(unusual.size()) >= unusualLimit) break;
    unusual.push_back(c.line);
  }
  for (const Candidate& c : main) {
    if (static_cast<int>(bright.size() + unusual.size()) >= totalLimit) break;
    bright.push_back(c.line);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_elements <kstars data folder> <output folder>\n");
    return 2;
  }
  const std::string source = argv[1], out = argv[2];
  Json cometDoc, asteroidDoc;
  Table comets, asteroids;
  std::map<std::string, MpcOrbit> mpcComets;
  if (!LoadTable(source + "/comets.dat", cometDoc, comets) || !LoadTable(source + "/asteroids.dat", asteroidDoc, asteroids) ||
      !LoadMpcComets(source + "/cometels.json.gz", mpcComets)) {
    std::fprintf(stderr, "make_elements: cannot read the kstars-data element lists in %s\n", source.c_str());
    return 1;
  }
  // The program reads at most 999 comets and 999 asteroids from its files.
  std::vector<std::string> cometSources;
  const std::vector<std::string> cometLines = CometLines(comets, mpcComets, 999, cometSources);
  std::vector<std::string> bright, unusual;
  AsteroidLines(asteroids, bright, unusual, 300, 999);
  std::vector<std::string> readme = {
      "Comet and asteroid orbital elements",
      "",
      "cometes.dat, asteroides.dat and asteroides2.dat are generated from the",
      "element lists of the Debian package kstars-data (KStars, GPL-2+):",
      "comets.dat and asteroids.dat, output of the NASA/JPL Small-Body Database",
      "(SBDB) query service, and cometels.json.gz, the Minor Planet Center's",
      "comet list. Elements are osculating, J2000 ecliptic and equinox.",
      "",
      "cometes.dat: comets with a total-magnitude parameter (M1, from JPL's list),",
      "numbered periodic comets first. Each comet's orbit is the more recent of",
      "its two solutions: JPL's, whose osculation epoch is often that of an old",
      "apparition, or the MPC's, osculating at a 2022 epoch (the MPC's is taken",
      "when the epochs are equal). The lists give no magnitude slope; the",
      "conventional n = 4 is written for every comet.",
      "asteroides.dat: main-belt and other ordinary asteroids, brightest first.",
      "asteroides2.dat: near-Earth objects, centaurs and trans-Neptunian objects.",
      "Slope parameter G: the list's value, else the usual 0.15.",
      "",
      "Source of each comet's orbit in cometes.dat (osculation epoch; the JPL",
      "orbit solution or the MPC's reference):",
  };
  for (const std::string& line : cometSources) readme.push_back("  " + Utf8ToCp1252(line));
  if (cometLines.empty() || bright.empty() || unusual.empty() || !WriteFile(out + "/cometes.dat", cometLines) ||
      !WriteFile(out + "/asteroides.dat", bright) || !WriteFile(out + "/asteroides2.dat", unusual) ||
      !WriteFile(out + "/README-elements.txt", readme)) {
    std::fprintf(stderr, "make_elements: cannot write the element files into %s\n", out.c_str());
    return 1;
  }
  std::printf("make_elements: %zu comets, %zu + %zu asteroids\n", cometLines.size(), bright.size(), unusual.size());
  return 0;
}
