#include "Gps.h"

#include <cmath>
#include <string>
#include <vector>

#include "NumberFormat.h"

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A number field: empty reads as 0 (as receivers leave unknown fields empty);
// anything but a plain decimal number makes the field unusable.
bool NumberField(const std::string& field, double& value) {
  value = 0.0;
  if (field.empty()) return true;
  for (char c : field)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-')) return false;
  value = AtofC(field.c_str());
  return std::isfinite(value);
}

// Latitude ddmm.mmm and longitude dddmm.mmm without sign (the hemisphere
// letters carry it), minutes below 60, a hemisphere letter each, and an
// elevation between -1 km and 100 km.
bool PhysicalFix(double latitudeField, double longitudeField, const std::string& northSouth,
                 const std::string& eastWest, double elevation) {
  auto minutesValid = [](double field) {
    return field >= 0.0 && field - 100.0 * std::floor(field / 100.0) < 60.0;
  };
  if (!minutesValid(latitudeField) || !minutesValid(longitudeField)) return false;
  if (northSouth != "N" && northSouth != "S") return false;
  if (eastWest != "E" && eastWest != "W") return false;
  return elevation >= -1000.0 && elevation <= 100000.0;
}

}  // namespace

double DegreesMinutesToDegrees(double x) {
  const double whole = std::floor(x);
  return whole + (x - whole) * 100.0 / 60.0;
}

bool NmeaChecksumValid(const char* sentence, int length) {
  if (!sentence || length < 4 || sentence[0] != '$') return false;
  int star = -1;
  for (int i = 1; i < length; ++i)
    if (sentence[i] == '*') {
      star = i;
      break;
    }
  if (star < 0 || star + 2 >= length) return false;
  const int high = HexValue(sentence[star + 1]), low = HexValue(sentence[star + 2]);
  if (high < 0 || low < 0) return false;
  unsigned char sum = 0;
  for (int i = 1; i < star; ++i) {
    if (sentence[i] == '\0') return false;
    sum ^= static_cast<unsigned char>(sentence[i]);
  }
  return sum == high * 16 + low;
}

GpsPollResult GpsReceiverReader::CheckGiveUp() {
  if (m_reads > 10 && m_readsWithGa == 0) {
    m_reads = 0;
    m_readsWithGa = 0;
    return GpsPollResult::GaveUp;
  }
  return GpsPollResult::Nothing;
}

GpsPollResult GpsReceiverReader::Poll(CSerialPort& port, GpsPlace& place) {
  const int waiting = port.BytesWaiting();
  if (waiting <= 200) return CheckGiveUp();
  std::vector<char> buffer(kMaxRead + 1, '\0');
  const int got = port.Read(waiting < kMaxRead ? waiting : kMaxRead, buffer.data());
  return Parse(buffer.data(), got, place);
}

GpsPollResult GpsReceiverReader::Parse(const char* text, int length, GpsPlace& place) {
  ++m_reads;
  const std::string data(text, length > 0 ? static_cast<size_t>(length) : 0);
  if (data.find("GA") == std::string::npos) return CheckGiveUp();
  ++m_readsWithGa;

  for (size_t start = data.find('$'); start != std::string::npos;) {
    const size_t next = data.find('$', start + 1);
    if (next == std::string::npos) break;  // the last sentence of a read may be cut: wait for more
    const std::string sentence = data.substr(start, next - start);
    start = next;
    if (sentence.compare(0, 7, "$GPGGA,") != 0 && sentence.compare(0, 7, "$GNGGA,") != 0) continue;
    if (!NmeaChecksumValid(sentence.data(), static_cast<int>(sentence.size()))) continue;

    // time, latitude, N/S, longitude, E/W, quality, satellites, dilution, altitude
    std::vector<std::string> fields;
    const std::string body = sentence.substr(7, sentence.find('*') - 7);
    size_t from = 0;
    for (size_t comma; (comma = body.find(',', from)) != std::string::npos; from = comma + 1)
      fields.push_back(body.substr(from, comma - from));
    fields.push_back(body.substr(from));
    if (fields.size() < 9) continue;

    double latitudeField, longitudeField, quality, altitude;
    if (!NumberField(fields[1], latitudeField) || !NumberField(fields[3], longitudeField) ||
        !NumberField(fields[5], quality) || !NumberField(fields[8], altitude))
      continue;
    // No fix: the receiver leaves the position empty or reports quality 0.
    if (fields[5].empty() || quality == 0.0 || fields[1].empty() || fields[3].empty()) return GpsPollResult::NoFix;

    const double latitude = DegreesMinutesToDegrees(latitudeField * 0.01);
    const double longitude = DegreesMinutesToDegrees(longitudeField * 0.01);
    if (!(latitude > -90.0 && latitude < 90.0 && longitude > -180.0 && longitude < 180.0))
      return GpsPollResult::NoFix;
    // A place no receiver on the ground can report (a sign inside the
    // magnitude, 60 minutes or more, no hemisphere, an elevation deeper than
    // any dry land or above the stratosphere's balloons) is not taken: it
    // would be saved as the observing place.
    if (!PhysicalFix(latitudeField, longitudeField, fields[2], fields[4], altitude)) return GpsPollResult::NoFix;
    place.westLongitude = longitude * kDegToRad;
    if (fields[4].find('E') != std::string::npos) place.westLongitude = -place.westLongitude;
    place.latitude = latitude * kDegToRad;
    if (fields[2].find('S') != std::string::npos) place.latitude = -place.latitude;
    place.elevation = altitude;
    return GpsPollResult::Fix;
  }
  return CheckGiveUp();
}

namespace {
// The speeds a Linux serial line can be set to, in the order of the lists.
const int kGpsRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr int kGpsRateCount = sizeof kGpsRates / sizeof kGpsRates[0];
}  // namespace

int GpsSpeedIndexFromBaudRate(int baudRate) {
  for (int i = 0; i < kGpsRateCount; ++i)
    if (kGpsRates[i] == baudRate) return i;
  return 3;
}

int GpsBaudRateFromSpeedIndex(int index) { return index >= 0 && index < kGpsRateCount ? kGpsRates[index] : 9600; }

int GpsPortNumberFromText(const CString& text, int previous) {
  int port = previous;
  for (int n = 1; n <= 20; ++n)
    if (text.find(std::to_string(n)) != std::string::npos) port = n;
  return port;
}

int GpsParityCodeFromText(const CString& text, int previous) {
  int code = previous;
  if (text.find('N') != std::string::npos) code = 1;
  if (text.find('E') != std::string::npos) code = 2;
  if (text.find('O') != std::string::npos) code = 3;
  return code;
}
