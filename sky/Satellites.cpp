// The satellite slots of the sky model: built-in element sets, the satellites
// file, and the topocentric place of a satellite at the view's instant.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "InstallPath.h"
#include "RegularFile.h"
#include "SkyModel.h"
#include "TwoLineElements.h"

const SatelliteSlot kSatelliteSlots[kSatelliteCount] = {
    {0, "ISS", 2, 12, 2451138.0},     {1, "HUBBLE", 3, 11, 2448006.0},  {2, "NOAA-10", 9, 49, 2446691.0},
    {3, "NOAA-11", 10, 50, 2447429.0}, {4, "NOAA-12", 11, 51, 2448391.0}, {5, "NOAA-14", 12, 52, 2449717.0},
    {6, "NOAA-15", 13, 53, 2450947.0}, {7, "NOAA-16", 14, 54, 2451809.0}, {8, "NOAA-17", 15, 55, 2452450.0},
    {9, "NOAA-18", 16, 56, 2453511.0},
};

// Element sets of March and September 2006. Pairs 10 to 21 are kept as they
// were distributed (ephemeris types 4 and 5, pair 21 numbered "0"), though
// nothing computes them.
const char* const kBuiltInTleLines[2 * kTlePairCount] = {
    "1 25544U 98067A   06089.97916667  .00012862  00000-0  89515-4 0  6374",
    "2 25544 051.6426 229.9709 0009163 062.8241 072.5020 15.74755905420837",
    "1 20580U 90037B   06088.65326496  .00000507  00000-0  26798-4 0  5766",
    "2 20580 028.4664 208.3459 0003542 065.5931 294.5026 14.99990689673144",
    "1 16969U 86073A   06088.57823777 -.00000047  00000-0 -69823-6 0  1497",
    "2 16969 098.7645 100.0310 0012834 026.7568 333.4277 14.27288707 15808",
    "1 19531U 88089A   06088.79938492  .00000112  00000-0  81016-4 0 00585",
    "2 19531 098.8269 178.0787 0011383 211.4658 148.5860 14.14794004903316",
    "1 21263U 91032A   06088.78947661  .00000103  00000-0  62427-4 0 05488",
    "2 21263 098.7270 082.4198 0012341 322.8061 037.2244 14.25485893772933",
    "1 23455U 94089A   06088.81575459 -.00000157  00000-0 -58831-4 0 00596",
    "2 23455 099.0467 146.2096 0008480 274.6637 085.3561 14.13645005579850",
    "1 25338U 98030A   06088.58654529  .00000062  00000-0  45241-4 0 04552",
    "2 25338 098.5179 093.2679 0009620 245.8022 114.2153 14.24569309409382",
    "1 26536U 00055A   06088.58788298  .00000306  00000-0  19084-3 0 08183",
    "2 26536 099.0580 054.3034 0010450 348.7138 011.3783 14.12327951284347",
    "1 27453U 02032A   06088.82992753 -.00000017  00000-0  11493-4 0 08399",
    "2 27453 098.6266 162.5685 0010884 308.1131 051.9074 14.23761562195481",
    "1 28654U 05018A   06089.28053422 -.00000096  00000-0 -29405-4 0  4208",
    "2 28654 098.7812 034.2711 0015288 084.6087 275.6835 14.10941401 44253",
    "1 26997U 01055A   06255.25000000 +.00000000 +00000-9 +00000-9 4 00004",
    "2 26997 066.0483 006.2035 0007707 260.3474 340.0425 12.80930893000006",
    "1 27386U 02009A   06255.25000000 +.00000000 +00000-9 +00000-9 4 00007",
    "2 27386 098.5412 321.1362 0000942 103.5201 247.8862 14.32257786000004",
    "1 26463U 00045A   06255.25000000 +.00000000 +00000-9 +00000-9 5 00001",
    "2 26463 096.5064 175.9653 6763887 028.3957 266.0712 00.42040229000005",
    "1 26410U 00041A   06255.25000000 +.00000000 +00000-9 +00000-9 5 00009",
    "2 26410 094.0622 172.6630 6836833 033.3711 262.2404 00.42037303000000",
    "1 26411U 00041B   06255.25000000 +.00000000 +00000-9 +00000-9 5 00000",
    "2 26411 094.0620 172.6620 6837433 033.3724 251.6600 00.42037220000007",
    "1 26464U 00045B   06255.25000000 +.00000000 +00000-9 +00000-9 5 00002",
    "2 26464 092.0575 170.0867 6742458 026.7691 268.3802 00.42041678000009",
    "1 29107U 06016A   06255.25000000 +.00000000 +00000-9 +00000-9 4 00002",
    "2 29107 098.2102 197.0648 0001283 083.8238 340.2064 14.57116183000000",
    "1 28368U 04025C   06255.25000000 +.00000000 +00000-9 +00000-9 4 00008",
    "2 28368 098.0418 325.2325 0001583 089.2522 142.7641 14.69606120000006",
    "1 20436U 90005A   06255.25000000 +.00000000 +00000-9 +00000-9 4 00009",
    "2 20436 098.7164 328.8887 0000630 096.6642 110.9458 14.20034084000002",
    "1 25260U 98017A   06255.25000000 +.00000000 +00000-9 +00000-9 4 00000",
    "2 25260 098.7289 328.7646 0001122 088.4357 217.9109 14.20023492000003",
    "1 27421U 02021A   06255.25000000 +.00000000 +00000-9 +00000-9 4 00001",
    "2 27421 098.7171 327.9041 0001666 091.7855 323.8787 14.20028117000005",
    "0 27421U 02021A   06255.25000000 +.00000000 +00000-9 +00000-9 4 00001",
    "2 27421 095.7171 327.9041 0001666 091.7855 323.8787 14.20028117000005",
};

namespace {

// Largest satellites file we read: the whole public catalogue is a few MB.
constexpr long kMaxSatelliteFileBytes = 64L * 1024 * 1024;

// Copies one line of `text` starting at `start` (up to, not including, the
// line feed) into `out`, without its carriage return and cut to the buffer.
// Returns the offset after the line feed, or npos when there is no line.
size_t CopyLine(const std::string& text, size_t start, CSkyModel::TleLineBuffer& out) {
  if (start >= text.size()) return std::string::npos;
  size_t end = text.find('\n', start);
  const size_t next = end == std::string::npos ? text.size() : end + 1;
  if (end == std::string::npos) end = text.size();
  while (end > start && (text[end - 1] == '\r' || text[end - 1] == '\n')) --end;
  const size_t n = std::min(end - start, out.size() - 1);
  std::memcpy(out.data(), text.data() + start, n);
  out[n] = '\0';
  return next;
}

// True when the line [start, end) is the name `name` as a whole: the same
// text (trailing blanks and line ends aside), or the name followed by a
// blank and a parenthesis ("ISS (ZARYA)").
bool IsNameLine(const std::string& text, size_t start, size_t end, const char* name) {
  while (end > start && (text[end - 1] == '\r' || text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  const size_t n = std::strlen(name);
  if (end - start < n || text.compare(start, n, name) != 0) return false;
  if (end - start == n) return true;
  return end - start > n + 1 && text[start + n] == ' ' && text[start + n + 1] == '(';
}

}  // namespace

std::array<CSkyModel::TleLineBuffer, 2 * kTlePairCount> CSkyModel::BuiltInTleLineBuffers() {
  std::array<TleLineBuffer, 2 * kTlePairCount> lines{};
  for (int i = 0; i < 2 * kTlePairCount; ++i) {
    const size_t n = std::min(std::strlen(kBuiltInTleLines[i]), lines[i].size() - 1);
    std::memcpy(lines[i].data(), kBuiltInTleLines[i], n);
    lines[i][n] = '\0';
  }
  return lines;
}

void CSkyModel::ExtractTwoLineElements(int position, const char* text, int slot) {
  if (position < 0 || text == nullptr) return;
  int pair = -1;
  for (const SatelliteSlot& s : kSatelliteSlots) {
    if (s.orbitSlot == slot) pair = s.pair;
  }
  if (pair < 0) return;
  const std::string all(text);
  if (static_cast<size_t>(position) >= all.size()) return;
  const size_t nameEnd = all.find('\n', static_cast<size_t>(position));
  if (nameEnd == std::string::npos) return;
  TleLineBuffer line1{};
  TleLineBuffer line2{};
  const size_t second = CopyLine(all, nameEnd + 1, line1);
  if (second == std::string::npos || CopyLine(all, second, line2) == std::string::npos) return;
  // Keep the current pair when the file's pair is not an element set.
  SatelliteElements parsed;
  if (ParseTwoLineElements(line1.data(), line2.data(), parsed) < 0) return;
  m_tleLines[2 * pair] = line1;
  m_tleLines[2 * pair + 1] = line2;
}

bool CSkyModel::LoadSatellites(CString folder) {
  const std::string path = ResolveInstallPath(folder, "\\donnees\\satellites.dat");
  // Only a regular file: a named pipe in its place would block the start.
  FILE* file = OpenRegularFile(path);
  if (!file) return false;
  std::string text;
  bool complete = false;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long length = std::ftell(file);
    if (length > 0 && length <= kMaxSatelliteFileBytes && std::fseek(file, 0, SEEK_SET) == 0) {
      text.resize(static_cast<size_t>(length));
      complete = std::fread(text.data(), 1, text.size(), file) == text.size();
    }
  }
  std::fclose(file);
  if (!complete) return false;
  // A NUL byte would end the text for the line copies: stop the text there.
  text.resize(std::strlen(text.c_str()));

  for (const SatelliteSlot& s : kSatelliteSlots) {
    size_t start = 0;
    int found = -1;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      if (IsNameLine(text, start, end, s.name)) {
        found = static_cast<int>(start);
        break;
      }
      start = end + 1;
    }
    ExtractTwoLineElements(found, text.c_str(), s.orbitSlot);
  }
  return true;
}

bool CSkyModel::ComputeSatellitePosition(const char* lines[2], double& x, double& y, double& z,
                                         double& rightAscension, double& declination, double& altitude,
                                         double& azimuth) {
  x = y = z = 0.0;
  if (lines == nullptr || lines[0] == nullptr || lines[1] == nullptr) return false;
  double rhoSinPhi = 0.0, rhoCosPhi = 0.0;
  GeodeticToGeocentric(m_observerLatitude, m_observerElevation, rhoSinPhi, rhoCosPhi);
  Vector3d observer;
  ComputeObserverPosition(m_julianDate, -m_observerLongitude, rhoCosPhi, rhoSinPhi, observer);

  SatelliteElements elements;
  if (ParseTwoLineElements(lines[0], lines[1], elements) < 0) return false;
  SatelliteModelState state;
  Vector3d position, velocity;
  const double minutes = (m_julianDate - elements.epoch) * kSatMinutesPerDay;
  if (!PropagateSatelliteModel(ChooseSatelliteModel(lines[0], elements), minutes, elements, state, position, velocity)) {
    return false;
  }
  double range = 0.0, ra = 0.0, dec = 0.0;
  ComputeRangeRaDec(position, observer, range, ra, dec);
  x = position.x;
  y = position.y;
  z = position.z;
  rightAscension = ra;
  declination = dec;
  EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, ra, dec);
  return true;
}

bool CSkyModel::SatelliteElementsOutOfDate(int body, double* epoch) const {
  for (const SatelliteSlot& s : kSatelliteSlots) {
    if (s.body != body) continue;
    if (!m_computeSatellitePositions || !(m_julianDate > s.startDate) || !(m_julianDate < kSatelliteEndDate))
      return false;
    SatelliteElements elements;
    if (ParseTwoLineElements(m_tleLines[2 * s.pair].data(), m_tleLines[2 * s.pair + 1].data(), elements) < 0)
      return false;
    if (epoch) *epoch = elements.epoch;
    return std::fabs(m_julianDate - elements.epoch) > kElementSetValidityDays;
  }
  return false;
}
