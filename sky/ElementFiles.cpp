// Comet and asteroid element files of the install folder: fixed-column text
// lines read into the process-wide comet and asteroid arrays.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "InstallPath.h"
#include "NumberFormat.h"
#include "RegularFile.h"
#include "SkyModel.h"

CometRecord* g_comets = nullptr;
int g_cometCount = 0;
int g_cometFile2Count = 0;
AsteroidRecord* g_asteroids = nullptr;
int g_asteroidCount = 0;
int g_displayedCometIndices[kMaxDisplayedObjects];
int g_displayedCometCount = 0;
int g_displayedAsteroidIndices[kMaxDisplayedObjects];
int g_displayedAsteroidCount = 0;

namespace {

// The most of an element file that is read: far more than the 999 records
// the arrays take, however long their lines; what lies beyond could never
// be used, so a huge file costs no more than this.
constexpr size_t kElementFileReadLimit = 4u << 20;

// The file (at most kElementFileReadLimit bytes of it), or false when it is
// missing, not a regular file (a named pipe would block) or cannot be read.
bool ReadWholeFile(const CString& installFolder, const char* designedPath, std::string& out) {
  const std::string path = ResolveInstallPath(installFolder, designedPath);
  FILE* f = OpenRegularFile(path);
  if (f == nullptr) return false;
  out.clear();
  char buffer[65536];
  size_t n;
  while (out.size() < kElementFileReadLimit &&
         (n = std::fread(buffer, 1, std::min(sizeof(buffer), kElementFileReadLimit - out.size()), f)) > 0)
    out.append(buffer, n);
  // A line cut by the limit is no record.
  if (out.size() >= kElementFileReadLimit) out.erase(out.find_last_of('\n') + 1);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// One line of the data: [begin, end) without its line feed.
struct Line {
  const char* begin;
  size_t length;
};

// A numeric field of `width` characters at `column` of the line, never
// reaching past the line's end; blanks inside are removed when asked.
// Converted like atof: leading blanks skipped, stops at the first character
// that cannot continue the number, a blank field gives 0.
double Field(const Line& line, size_t column, size_t width, bool removeBlanks = false) {
  char buffer[32] = {0};
  size_t k = 0;
  for (size_t i = 0; i < width && column + i < line.length && k + 1 < sizeof(buffer); ++i) {
    const char c = line.begin[column + i];
    if (removeBlanks && c == ' ') continue;
    buffer[k++] = c;
  }
  return AtofC(buffer);
}

template <typename Visit>
void ForEachLine(const char* data, size_t size, Visit visit) {
  size_t pos = 0;
  while (pos < size) {
    const void* nl = std::memchr(data + pos, '\n', size - pos);
    const size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - data) : size;
    if (!visit(Line{data + pos, end - pos})) return;
    pos = end + 1;
  }
}

// Copies at most `capacity - 1` characters, blanks and line-end characters
// trimmed on the right, and terminates.
void CopyName(char* target, size_t capacity, const char* source, size_t length) {
  size_t n = length < capacity - 1 ? length : capacity - 1;
  while (n > 0 && (source[n - 1] == ' ' || source[n - 1] == '\r' || source[n - 1] == '\t')) --n;
  std::memcpy(target, source, n);
  target[n] = '\0';
}

constexpr size_t kCometElementsEnd = 110;    // through the inclination field
constexpr size_t kAsteroidElementsEnd = 80;  // through the mean anomaly, after the bar

// A numeric field that holds one plain decimal number and blanks around it
// (a blank field when `optional`), converted into `value`.
bool StrictField(const Line& line, size_t column, size_t width, bool optional, double& value) {
  size_t begin = column, end = std::min(column + width, line.length);
  value = 0.0;
  while (begin < end && line.begin[begin] == ' ') ++begin;
  while (end > begin && line.begin[end - 1] == ' ') --end;
  if (begin == end) return optional;
  size_t i = begin, digits = 0;
  if (line.begin[i] == '+' || line.begin[i] == '-') ++i;
  while (i < end && std::isdigit(static_cast<unsigned char>(line.begin[i]))) ++i, ++digits;
  if (i < end && line.begin[i] == '.') {
    ++i;
    while (i < end && std::isdigit(static_cast<unsigned char>(line.begin[i]))) ++i, ++digits;
  }
  if (i != end || digits == 0) return false;
  value = Field(line, begin, end - begin);
  return true;
}

}  // namespace

bool CometLineValid(const char* text, size_t length) {
  Line line{text, length};
  while (line.length > 0 && (line.begin[line.length - 1] == '\r' || line.begin[line.length - 1] == ' ')) --line.length;
  if (line.length < kCometElementsEnd || line.length > 160) return false;
  // The name: printable text, not blank.
  bool named = false;
  for (size_t i = 0; i < 45; ++i) {
    const unsigned char c = static_cast<unsigned char>(line.begin[i]);
    if (c < 0x20 || c == 0x7F) return false;
    if (i < 39 && c != ' ') named = true;
  }
  if (!named) return false;
  // Blanks between the fields, and nothing but printable text after them.
  for (size_t column : {59, 70, 80, 90, 100, 110, 116})
    if (column < line.length && line.begin[column] != ' ') return false;
  for (size_t i = 45; i < line.length; ++i) {
    const unsigned char c = static_cast<unsigned char>(line.begin[i]);
    if (c < 0x20 || c >= 0x7F) return false;
  }
  double date, q, e, peri, node, incl, h, slope;
  if (!StrictField(line, 45, 14, false, date) || !StrictField(line, 60, 10, false, q) ||
      !StrictField(line, 71, 9, false, e) || !StrictField(line, 81, 9, false, peri) ||
      !StrictField(line, 91, 9, false, node) || !StrictField(line, 101, 9, false, incl) ||
      !StrictField(line, 111, 5, true, h) || !StrictField(line, 117, 5, true, slope))
    return false;
  // The date is YYYYMMDD.ddd of a real month and day.
  const long whole = static_cast<long>(date);
  const long month = whole / 100 % 100, day = whole % 100;
  if (date < 10000101.0 || date >= 100000000.0 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  // The orbit: a perihelion outside the Sun and inside the comet cloud, an
  // eccentricity of a bound or an interstellar orbit, angles in range.
  if (!(q > 0.0 && q < 1000.0) || !(e >= 0.0 && e < 100.0)) return false;
  if (!(peri >= 0.0 && peri <= 360.0) || !(node >= 0.0 && node <= 360.0) || !(incl >= 0.0 && incl <= 180.0))
    return false;
  return h > -50.0 && h < 50.0 && slope > -100.0 && slope < 100.0;
}

bool SameCometName(const char* a, const char* b) {
  auto trim = [](const char*& s, size_t& n) {
    n = std::strlen(s);
    while (n > 0 && std::isspace(static_cast<unsigned char>(*s))) ++s, --n;
    while (n > 0 && std::isspace(static_cast<unsigned char>(s[n - 1]))) --n;
  };
  size_t na, nb;
  trim(a, na);
  trim(b, nb);
  if (na != nb) return false;
  for (size_t i = 0; i < na; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

int ParseCometText(const char* data, size_t size, CometRecord* target, int capacity) {
  int count = 0;
  ForEachLine(data, size, [&](const Line& line) {
    if (count >= capacity) return false;
    // A line that is not a comet's elements (an error page, a compressed
    // body, a cut line) is skipped.
    if (!CometLineValid(line.begin, line.length)) return true;
    CometRecord r{};
    CopyName(r.name, sizeof(r.name), line.begin, 39);
    r.perihelionTime = JulianDayFromPackedDate(Field(line, 45, 14));
    r.perihelionDistance = Field(line, 60, 10);
    r.eccentricity = Field(line, 71, 9);
    r.argumentOfPerihelion = Field(line, 81, 9) * kDegToRad;
    r.ascendingNode = Field(line, 91, 9) * kDegToRad;
    r.inclination = Field(line, 101, 9) * kDegToRad;
    r.absoluteMagnitude = static_cast<float>(Field(line, 111, 5));
    r.magnitudeSlope = static_cast<float>(Field(line, 117, 5));
    target[count++] = r;
    return true;
  });
  return count;
}

int ParseAsteroidText(const char* data, size_t size, AsteroidRecord* target, int capacity) {
  int count = 0;
  ForEachLine(data, size, [&](const Line& whole) {
    if (count >= capacity) return false;
    Line line = whole;
    while (line.length > 0 && *line.begin == ' ') ++line.begin, --line.length;
    const void* bar = std::memchr(line.begin, '|', line.length);
    if (bar == nullptr) return true;
    const size_t nameLength = static_cast<size_t>(static_cast<const char*>(bar) - line.begin);
    const Line fields{line.begin + nameLength + 1, line.length - nameLength - 1};
    if (fields.length < kAsteroidElementsEnd) return true;
    AsteroidRecord r{};
    // Longer names are cut to the record's 20 characters.
    CopyName(r.name, sizeof(r.name), line.begin, nameLength);
    r.epoch = JulianDayFromPackedDate(Field(fields, 0, 14, true));
    r.eccentricity = Field(fields, 15, 10);
    r.semiMajorAxis = Field(fields, 26, 8);
    r.inclination = Field(fields, 35, 8) * kDegToRad;
    r.ascendingNode = Field(fields, 44, 9) * kDegToRad;
    r.argumentOfPerihelion = Field(fields, 54, 9) * kDegToRad;
    r.meanAnomaly = Field(fields, 70, 10) * kDegToRad;
    r.absoluteMagnitude = static_cast<float>(Field(fields, 81, 5));
    r.slope = static_cast<float>(Field(fields, 87, 5));
    target[count++] = r;
    return true;
  });
  return count;
}

bool ReadCometFile(CometRecord* target, CString installFolder) {
  std::string data;
  if (!ReadWholeFile(installFolder, "\\donnees\\cometes2.dat", data)) {
    g_cometFile2Count = 0;
    return false;
  }
  g_cometFile2Count = ParseCometText(data.data(), data.size(), target, kMaxCometRecords);
  return true;
}

bool CSkyModel::LoadComets(CString installFolder) {
  std::string data;
  if (!ReadWholeFile(installFolder, "\\donnees\\cometes.dat", data) || data.empty()) return false;
  std::vector<CometRecord> work(kMaxCometRecords);
  int count = ParseCometText(data.data(), data.size(), work.data(), kMaxCometRecords);

  std::vector<CometRecord> second(kMaxCometRecords);
  if (ReadCometFile(second.data(), installFolder)) {
    for (int j = 0; j < g_cometFile2Count; ++j) {
      int match = -1;
      for (int i = 0; i < count && match < 0; ++i)
        if (SameCometName(work[i].name, second[j].name)) match = i;
      if (match >= 0) {
        // The known comet keeps its name and takes the new elements.
        char name[sizeof(CometRecord::name)];
        std::memcpy(name, work[match].name, sizeof(name));
        work[match] = second[j];
        std::memcpy(work[match].name, name, sizeof(name));
      } else if (count < kMaxCometRecords) {
        work[count++] = second[j];
      }
    }
  }
  for (int i = 0; i < count; ++i) work[i].displaySize = 500.0f;

  CometRecord* records = new CometRecord[count + 10]();
  for (int i = 0; i < count; ++i) records[i] = work[i];
  delete[] g_comets;
  g_comets = records;
  g_cometCount = count;
  return true;
}

namespace {

struct BuiltInAsteroid {
  const char* name;
  double epoch, e, a, i, node, peri, m;
  float h;
};

// Absolute magnitudes from the JPL small-body database.
const BuiltInAsteroid kBuiltInAsteroids[kBuiltInAsteroidCount] = {
    {"433 Eros", 2451171.0, 0.222885, 1.458261, 0.18902165381181624, 5.31332123565034, 3.1173881482704555,
     3.6373260957626963, 10.31f},
    {"951 Gaspra", 2448559.0, 0.1738752, 2.2096348, 0.07151621174932093, 4.4234600550662, 2.2522757713861803,
     4.900347082910218, 11.49f},
    {"243 Ida", 2449228.0, 0.043109, 2.863731, 0.019846313457352723, 5.665095365809403, 1.9725205235089758,
     2.296765069230849, 9.99f},
};

}  // namespace

bool CSkyModel::LoadAsteroids(CString installFolder) {
  std::string first, second;
  if (!ReadWholeFile(installFolder, "\\donnees\\asteroides.dat", first) || first.empty()) return false;
  if (!ReadWholeFile(installFolder, "\\donnees\\asteroides2.dat", second) || second.empty()) return false;
  std::vector<AsteroidRecord> work(kMaxAsteroidFileRecords + kBuiltInAsteroidCount);
  int count = ParseAsteroidText(first.data(), first.size(), work.data(), kMaxAsteroidFileRecords);
  count += ParseAsteroidText(second.data(), second.size(), work.data() + count, kMaxAsteroidFileRecords - count);
  for (const BuiltInAsteroid& b : kBuiltInAsteroids) {
    AsteroidRecord r{};
    std::snprintf(r.name, sizeof(r.name), "%s", b.name);
    r.epoch = b.epoch;
    r.eccentricity = b.e;
    r.semiMajorAxis = b.a;
    r.inclination = b.i;
    r.ascendingNode = b.node;
    r.argumentOfPerihelion = b.peri;
    r.meanAnomaly = b.m;
    r.absoluteMagnitude = b.h;
    r.slope = 0.0f;
    work[count++] = r;
  }
  for (int i = 0; i < count; ++i) work[i].displaySize = 500.0f;

  AsteroidRecord* records = new AsteroidRecord[count + 10]();
  for (int i = 0; i < count; ++i) records[i] = work[i];
  delete[] g_asteroids;
  g_asteroids = records;
  g_asteroidCount = count;
  return true;
}
