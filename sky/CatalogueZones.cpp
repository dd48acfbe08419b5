// Bright-star and deep-sky zone files, read once at start-up into their
// process-wide arrays, with one summary row per zone.
#include <cmath>

#include "CatalogueIo.h"
#include "Catalogues.h"
#include "InstallPath.h"
#include "NumberFormat.h"

BrightStar* g_brightStars = nullptr;
int g_brightStarCount = 0;
DeepSkyObject* g_deepSkyObjects = nullptr;
int g_deepSkyCount = 0;
BrightStarZone g_brightStarZones[kZoneCount + 1];
DeepSkyZone g_deepSkyZones[kZoneCount + 1];

using namespace catalogue_io;

void DecodeBrightStarRecord(const unsigned char* p, BrightStar& s) {
  s.hdNumber = I32(p);
  s.bscNumber = I32(p + 4);
  s.rightAscension = static_cast<float>(I32(p + 8) * 1.7453292855407199e-07);
  s.declination = static_cast<float>(I32(p + 12) * 1.7453292855407199e-07);
  s.magnitude = static_cast<float>(I16(p + 20) * 0.01);
  s.colorIndex = I16(p + 22);
  CopyChars(s.bayer, p + 24, 3);
  s.flamsteed = p[27];
  CopyChars(s.constellation, p + 28, 4);
  CopyChars(s.spectralType, p + 32, 20);
  s.azimuth = 0.0f;
  s.altitude = 0.0f;
}

void DecodeDeepSkyRecord(const unsigned char* p, DeepSkyObject& o) {
  constexpr double kDeg = 0.017453292519943295;
  constexpr double kArcmin = 0.00029088821611367166;
  o.rightAscension = static_cast<float>(F32(p) * kDeg);
  o.declination = static_cast<float>(F32(p + 4) * kDeg);
  o.magnitude = F32(p + 8);
  o.surfaceBrightness = F32(p + 12);
  o.largeSize = static_cast<float>(F32(p + 16) * kArcmin);
  o.smallSize = static_cast<float>(F32(p + 20) * kArcmin);
  o.positionAngle = p[24];
  // Name: trailing blanks removed; the field's 18th character never kept.
  CopyChars(o.name, p + 26, 17);
  if (o.name[16] == ' ') {
    int i = 15;
    while (i > 0 && o.name[i] == ' ') --i;
    o.name[i + 1] = '\0';
  }
  CopyChars(o.otherName, p + 44, 18);
  CopyChars(o.objectType, p + 63, 3);
  CopyChars(o.constellation, p + 67, 3);
  CopyChars(o.description, p + 71, 50);
  CopyChars(o.objectClass, p + 122, 10);
  o.azimuth = 0.0;
  o.altitude = 0.0;
}

namespace {

// The ranges the formats allow. A record outside them (a place off the sky,
// a value that is not a number) means the file is damaged or is not a zone
// file at all: it is refused whole rather than drawn as stars.
bool Plausible(const DeepSkyObject& o) {
  constexpr double kSlack = 1e-3;
  constexpr double kLargestSize = 6.2831853071795865;  // a whole turn, in radians
  auto magnitude = [](float m) { return std::isfinite(m) && m >= -30.0f && m <= 100.0f; };
  return o.rightAscension >= -kSlack && o.rightAscension <= 6.2831853071795865 + kSlack &&
         o.declination >= -1.5707963267948966 - kSlack && o.declination <= 1.5707963267948966 + kSlack &&
         o.largeSize >= 0.0f && o.largeSize <= kLargestSize && o.smallSize >= 0.0f &&
         o.smallSize <= kLargestSize && magnitude(o.magnitude) && magnitude(o.surfaceBrightness);
}
bool Plausible(const BrightStar& s) {
  constexpr double kSlack = 1e-6;
  return s.rightAscension >= -kSlack && s.rightAscension <= 6.2831853071795865 + kSlack &&
         s.declination >= -1.5707963267948966 - kSlack && s.declination <= 1.5707963267948966 + kSlack &&
         s.magnitude >= -5.0f && s.magnitude <= 30.0f;
}

struct Extremes {
  double minRa = 1e50, maxRa = 1e-50, minDec = 1e50, maxDec = -1e50;
  void Add(double ra, double dec) {
    if (ra < minRa) minRa = ra;
    if (ra > maxRa) maxRa = ra;
    if (dec < minDec) minDec = dec;
    if (dec > maxDec) maxDec = dec;
  }
};

// Appends the whole records of one zone file, up to the array's capacity.
// A file larger than the whole catalogue, or holding a record outside the
// format's ranges, is refused and adds nothing; `problem` then says why. An
// empty or cut-short file is read (nothing, or its whole records) and named
// in `problem` too.
template <typename Record, typename Decode>
bool LoadZone(const CString& installFolder, const char* pattern, int zone, Record* records, int& count,
              int capacity, int recordSize, Decode decode, Extremes& extremes, std::string* problem) {
  if (!records) return false;
  std::vector<unsigned char> data;
  if (!ReadWholeFile(ResolveInstallPath(installFolder, FormatC(pattern, zone)), data,
                     static_cast<size_t>(capacity) * recordSize, problem))
    return false;
  if (count < 0) count = 0;
  const int first = count;
  Extremes found;
  for (size_t off = 0; off + recordSize <= data.size() && count < capacity; off += recordSize) {
    decode(data.data() + off, records[count]);
    if (!Plausible(records[count])) {
      count = first;
      if (problem) *problem = FormatC("record %d holds values outside the catalogue's ranges",
                                      static_cast<int>(off / recordSize) + 1);
      return false;
    }
    found.Add(records[count].rightAscension, records[count].declination);
    ++count;
  }
  extremes = found;
  if (problem) {
    if (data.empty())
      *problem = "empty";
    else if (data.size() % recordSize != 0)
      *problem = "cut short";
  }
  return true;
}

}  // namespace

bool LoadBrightStarZone(CString installFolder, int zone, std::string* problem) {
  if (zone < 1 || zone > kZoneCount) return false;
  Extremes e;
  if (!LoadZone(installFolder, "\\bsc5\\%02i.dat", zone, g_brightStars, g_brightStarCount, kBrightStarCapacity,
                kBrightStarRecordSize, DecodeBrightStarRecord, e, problem))
    return false;
  BrightStarZone& row = g_brightStarZones[zone];
  row.rightAscension = (e.minRa + e.maxRa) / 2.0;
  row.declination = (e.minDec + e.maxDec) / 2.0;
  row.endIndex = g_brightStarCount;
  return true;
}

bool LoadDeepSkyZone(CString installFolder, int zone, std::string* problem) {
  if (zone < 1 || zone > kZoneCount) return false;
  Extremes e;
  if (!LoadZone(installFolder, "\\sac\\%02i.dat", zone, g_deepSkyObjects, g_deepSkyCount, kDeepSkyCapacity,
                kDeepSkyRecordSize, DecodeDeepSkyRecord, e, problem))
    return false;
  DeepSkyZone& row = g_deepSkyZones[zone];
  row.rightAscension = (e.minRa + e.maxRa) / 2.0;
  row.declination = (e.minDec + e.maxDec) / 2.0;
  row.endIndex = g_deepSkyCount;
  return true;
}
