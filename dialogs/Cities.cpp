#include "Cities.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::vector<CityRecord> g_cities(kCityCapacity);
int g_cityCount = 0;
bool g_citiesTruncated = false;

namespace {

constexpr const char* kCitiesFile = "villes.dat";

// The usual leading-integer conversion: blanks, a sign, digits; stops at the
// first other character. The field is at most a few bytes wide, so no overflow.
int FieldInt(const char* field, int width) {
  int i = 0;
  while (i < width && (field[i] == ' ' || field[i] == '\t')) ++i;
  bool negative = false;
  if (i < width && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
  long value = 0;
  while (i < width && field[i] >= '0' && field[i] <= '9' && value < 100000000) value = value * 10 + (field[i++] - '0');
  return static_cast<int>(negative ? -value : value);
}

bool FieldHasMinus(const char* field, int width) { return std::memchr(field, '-', width) != nullptr; }

// Writes `text` at the start of a field of `width` bytes, zero-padded; the
// callers keep every value within its field.
void PutField(std::string& out, const std::string& text, size_t width) {
  std::string field = text.substr(0, width);
  field.resize(width, '\0');
  out += field;
}

unsigned char FoldCase(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<unsigned char>(c - 16);  // š œ ž
  if (c == 0xFF) return 0x9F;                                                          // ÿ
  return c;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes.clear();
  char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

}  // namespace

double CityRecord::Latitude() const {
  const double value = latitudeDegrees + latitudeMinutes / 60.0 + latitudeSeconds / 3600.0;
  return north ? value : -value;
}

double CityRecord::Longitude() const {
  const double value = longitudeDegrees + longitudeMinutes / 60.0 + longitudeSeconds / 3600.0;
  return west ? value : -value;
}

void CityRecord::SetName(const std::string& text) {
  std::memset(name, 0, sizeof name);
  std::memcpy(name, text.data(), std::min(text.size(), sizeof name - 1));
}

int DecodeCities(const std::string& bytes, CityRecord* table, int capacity, bool& truncated) {
  truncated = false;
  const bool layout11 = bytes.compare(0, 3, "1.1") == 0;
  const size_t recordSize = layout11 ? kCityRecordSize : kOldCityRecordSize;
  size_t offset = layout11 ? 3 : 0;
  int count = 0;
  while (offset + recordSize <= bytes.size()) {
    if (count == capacity) {
      truncated = true;
      break;
    }
    const char* p = bytes.data() + offset;
    CityRecord& city = table[count];
    city = CityRecord();
    // The name runs to its first zero byte, at most 19 characters; only
    // trailing blanks are padding. Digits, accents and punctuation are the name's.
    size_t length = 0;
    while (length < 19 && p[length] != '\0') ++length;
    while (length > 0 && p[length - 1] == ' ') --length;
    std::memcpy(city.name, p, length);
    size_t at = 20;
    auto next = [&](int width) {
      const int value = FieldInt(p + at, width);
      at += width;
      return value;
    };
    city.west = FieldHasMinus(p + at, 5) ? 0 : 1;
    city.longitudeDegrees = std::abs(next(5));
    city.longitudeMinutes = next(3);
    city.longitudeSeconds = layout11 ? next(3) : 0;
    city.north = FieldHasMinus(p + at, 4) ? 0 : 1;
    city.latitudeDegrees = std::abs(next(4));
    city.latitudeMinutes = next(2);
    city.latitudeSeconds = layout11 ? next(3) : 0;
    city.altitude = next(6);
    offset += recordSize;
    ++count;
  }
  return count;
}

std::string EncodeCities(const CityRecord* table, int count) {
  std::string out = "1.1";
  out.reserve(3 + static_cast<size_t>(count) * kCityRecordSize);
  auto digits = [](int value, int low, int high) { return std::to_string(std::clamp(value, low, high)); };
  for (int i = 0; i < count; ++i) {
    const CityRecord& city = table[i];
    std::string name(city.name, strnlen(city.name, 19));
    PutField(out, name, 20);
    PutField(out, (city.west ? " " : "-") + digits(std::abs(city.longitudeDegrees), 0, 999), 5);
    PutField(out, digits(city.longitudeMinutes, 0, 99), 3);
    PutField(out, " " + digits(city.longitudeSeconds, 0, 99), 3);
    PutField(out, (city.north ? " " : "-") + digits(std::abs(city.latitudeDegrees), 0, 99), 4);
    PutField(out, digits(city.latitudeMinutes, 0, 99), 2);
    PutField(out, " " + digits(city.latitudeSeconds, 0, 99), 3);
    PutField(out, " " + digits(city.altitude, -9999, 99999), 6);
    PutField(out, "0", 30);
  }
  return out;
}

bool ReadCitiesFile(const std::string& path, CityRecord* table, int capacity, int& count, bool& truncated) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  count = DecodeCities(bytes, table, capacity, truncated);
  return true;
}

bool WriteCitiesFile(const std::string& path, const CityRecord* table, int count) {
  const std::string bytes = EncodeCities(table, count);
  const std::string temporary = path + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool ok = written == bytes.size() && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool LoadCities() {
  int count = 0;
  bool truncated = false;
  if (!ReadCitiesFile(kCitiesFile, g_cities.data(), kCityCapacity, count, truncated)) return false;
  g_cityCount = count;
  g_citiesTruncated = truncated;
  return true;
}

bool SaveCities() {
  if (g_citiesTruncated) return false;
  return WriteCitiesFile(kCitiesFile, g_cities.data(), g_cityCount);
}

bool CityNamesEqual(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (FoldCase(static_cast<unsigned char>(*a)) != FoldCase(static_cast<unsigned char>(*b))) return false;
    if (*a == '\0') return true;
  }
}

int FindCity(const char* name) {
  for (int i = 0; i < g_cityCount; ++i) {
    char stored[20];
    std::memcpy(stored, g_cities[i].name, 19);
    stored[19] = '\0';
    if (CityNamesEqual(stored, name)) return i;
  }
  return -1;
}

std::string CityNameUpper(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(FoldCase(static_cast<unsigned char>(c)));
  return upper;
}
