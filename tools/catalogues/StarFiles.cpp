// Star tiles (Sky2000 layout and the two Tycho-2 halves) and the bright-star
// zones, from the decoded Stellarium stars and their cross-identifications.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <unordered_map>

#include "Generator.h"

namespace gen {
namespace {

constexpr int kSky2000Tiles = 184;
constexpr int kTycho2Tiles = 746;
constexpr int kBrightZones = 50;
// Stars brighter than this go to the first Tycho-2 half, the rest to the second.
constexpr float kTychoHalfSplit = 10.0f;

int64_t Key(int32_t hip, int comp) { return static_cast<int64_t>(hip) * 64 + comp; }

struct Designation {
  std::string bayer;  // three letters, blank padded; empty when none
  int flamsteed = 0;
  std::string constellation;
};

// Band layout of a tiled catalogue: tiles per band from the equator.
int TileOf(double ra, double dec, double bandDeg, const int* perBand, int bands, int perHemisphere) {
  double d = std::fabs(dec) / kDeg;
  int band = std::min(static_cast<int>(d / bandDeg), bands - 1);
  int first = 1;
  for (int b = 0; b < band; ++b) first += perBand[b];
  double r = std::fmod(ra, 2 * kPi);
  if (r < 0) r += 2 * kPi;
  int k = std::min(static_cast<int>(r / (2 * kPi) * perBand[band]), perBand[band] - 1);
  return first + k + (dec < 0 ? perHemisphere : 0);
}

int Sky2000TileOf(double ra, double dec) {
  static const int n[] = {24, 22, 19, 15, 9, 3};
  return TileOf(ra, dec, 15.0, n, 6, 92);
}
int Tycho2TileOf(double ra, double dec) {
  static const int n[] = {48, 47, 46, 44, 40, 37, 32, 27, 22, 16, 10, 4};
  return TileOf(ra, dec, 7.5, n, 12, 373);
}

std::string GreekAbbreviation(std::string_view utf8) {
  static const char* kNames[] = {"Alp", "Bet", "Gam", "Del", "Eps", "Zet", "Eta", "The", "Iot", "Kap", "Lam", "Mu ",
                                 "Nu ", "Xi ", "Omi", "Pi ", "Rho", "Sig", "Tau", "Ups", "Phi", "Khi", "Psi", "Ome"};
  if (utf8.size() < 2) return std::string();
  unsigned c0 = static_cast<unsigned char>(utf8[0]), c1 = static_cast<unsigned char>(utf8[1]);
  unsigned cp = ((c0 & 0x1F) << 6) | (c1 & 0x3F);
  if ((c0 & 0xE0) != 0xC0 || cp < 0x3B1 || cp > 0x3C9) return std::string();
  int index = static_cast<int>(cp - 0x3B1);
  if (cp == 0x3C2) return std::string();  // final sigma is no letter of its own
  if (cp > 0x3C2) --index;
  return kNames[index];
}

// name.fab: "   HIP|designation" lines; keeps the first Greek letter and the
// first Flamsteed number of every star.
void LoadDesignations(const std::string& path, std::unordered_map<int32_t, Designation>& out) {
  std::string data;
  if (!ReadFile(path, data)) return;
  std::istringstream in(data);
  std::string line;
  while (std::getline(in, line)) {
    size_t bar = line.find('|');
    long hip;
    if (bar == std::string::npos || !ParseInt(std::string_view(line).substr(0, bar), hip) || hip <= 0) continue;
    std::string_view des = Trim(std::string_view(line).substr(bar + 1));
    auto parts = Split(des, '_', true);
    if (parts.size() < 2) continue;
    std::string_view first = parts[0], con = parts[1];
    if (con.size() != 3) continue;
    Designation& d = out[static_cast<int32_t>(hip)];
    if (d.constellation.empty()) d.constellation = std::string(con);
    long num;
    if (ParseInt(first, num) && num > 0 && num < 256) {
      if (d.flamsteed == 0) d.flamsteed = static_cast<int>(num);
    } else if (d.bayer.empty()) {
      d.bayer = GreekAbbreviation(first);
    }
  }
}

void LoadProperMotions(const std::string& path, std::unordered_map<int32_t, std::pair<float, float>>& out) {
  std::string data;
  if (!ReadFile(path, data)) return;
  std::istringstream in(data);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    auto f = Split(line, ' ', true);
    if (f.size() < 3) f = Split(line, '\t', true);
    long hip;
    double a, b;
    if (f.size() >= 3 && ParseInt(f[0], hip) && ParseDouble(f[1], a) && ParseDouble(f[2], b))
      out[static_cast<int32_t>(hip)] = {static_cast<float>(a), static_cast<float>(b)};
  }
}

std::string SpectralOf(const StarSources& src, const SourceStar& s) {
  if (s.spectral == 0 || s.spectral >= src.spectralTypes.size()) return std::string();
  return src.spectralTypes[s.spectral];
}

bool WriteReadme(const std::string& dir, const std::string& text) { return WriteFile(dir + "/README", text); }

const char* kStarLicence =
    "Source: the star catalogues of Stellarium (Debian package stellarium-data,\n"
    "/usr/share/stellarium/stars/default: stars_0..3 catalogues, cross-id.dat,\n"
    "name.fab, hip_pm.dat, stars_hip_sp_0v0_4.cat), derived from the ESA\n"
    "Hipparcos and Tycho-2 catalogues. Licence: GPL-2+ (stellarium-data);\n"
    "Hipparcos and Tycho-2 data courtesy of ESA.\n";

}  // namespace

bool WriteStarFiles(const std::string& stRoot, const std::string& installDir, const StarSources& src,
                    const ConstellationFinder& constellations, std::string& report) {
  const std::string starDir = stRoot + "/stars/default";
  // Component letter -> index, for the cross-identification rows.
  std::unordered_map<std::string, int> compIndex;
  for (size_t i = 0; i < src.componentLetters.size(); ++i) compIndex[src.componentLetters[i]] = static_cast<int>(i);

  std::unordered_map<int64_t, CrossId> cross;
  {
    std::string data;
    if (!ReadFile(starDir + "/cross-id.dat", data)) {
      report += "cannot read cross-id.dat\n";
      return false;
    }
    std::istringstream in(data);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      if (line.back() == '\r') line.pop_back();
      auto f = Split(line, '\t', false);
      long hip, v;
      if (f.size() < 5 || !ParseInt(f[0], hip)) continue;
      auto it = compIndex.find(std::string(Trim(f[1])));
      int comp = it == compIndex.end() ? 0 : it->second;
      CrossId c;
      if (ParseInt(f[2], v)) c.sao = static_cast<int32_t>(v);
      if (ParseInt(f[3], v)) c.hd = static_cast<int32_t>(v);
      if (ParseInt(f[4], v)) c.hr = static_cast<int32_t>(v);
      cross[Key(static_cast<int32_t>(hip), comp)] = c;
    }
  }
  auto crossOf = [&](const SourceStar& s) -> CrossId {
    if (s.hip <= 0) return CrossId{};
    auto it = cross.find(Key(s.hip, s.component));
    if (it == cross.end()) it = cross.find(Key(s.hip, 0));
    return it == cross.end() ? CrossId{} : it->second;
  };
  std::unordered_map<int32_t, Designation> designations;
  LoadDesignations(starDir + "/name.fab", designations);
  std::unordered_map<int32_t, std::pair<float, float>> hipPm;
  LoadProperMotions(starDir + "/hip_pm.dat", hipPm);

  // Brightest first inside every tile and zone, so a full array keeps the bright stars.
  std::vector<uint32_t> order(src.stars.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return src.stars[a].vmag < src.stars[b].vmag; });

  // ---- Sky2000 tiles: the stars of the three Hipparcos-era files -----------
  std::vector<std::string> sky(kSky2000Tiles + 1);
  std::vector<std::string> ty1(kTycho2Tiles + 1), ty2(kTycho2Tiles + 1);
  size_t skyCount = 0, ty1Count = 0, ty2Count = 0;
  size_t skyMax = 0;
  for (uint32_t idx : order) {
    const SourceStar& s = src.stars[idx];
    const double raDeg = s.ra / kDeg, decDeg = s.dec / kDeg;
    if (s.file <= 2) {
      std::string rec(40, '\0');
      CrossId c = crossOf(s);
      PutI32(rec, 0, ClampI32(raDeg * 1e5));
      PutI32(rec, 4, ClampI32(decDeg * 1e5));
      PutI16(rec, 8, ClampI16(s.vmag * 100.0));
      PutI16(rec, 10, ClampI16(s.bv * 100.0));
      PutI16(rec, 12, 0);  // no companion data in the source
      PutText(rec, 20, 3, SpectralOf(src, s), ' ');
      PutText(rec, 23, 2, "", ' ');
      PutI32(rec, 28, 0);  // no Durchmusterung numbers in the source
      PutI32(rec, 32, c.hd);
      PutI32(rec, 36, c.sao);
      sky[Sky2000TileOf(s.ra, s.dec)] += rec;
      ++skyCount;
    }
    // ---- Tycho-2 tiles: every star, split by magnitude ---------------------
    float pmRa = s.pmRa, pmDec = s.pmDec;
    if (s.hip > 0) {
      auto it = hipPm.find(s.hip);
      if (it != hipPm.end()) {
        pmRa = it->second.first;
        pmDec = it->second.second;
      }
    }
    // Standard relations between Johnson and Tycho photometry (ESA 1997):
    // V = VT - 0.090 (BT - VT), B - V = 0.850 (BT - VT).
    double btvt = s.bv / 0.850;
    double vt = s.vmag + 0.090 * btvt, bt = vt + btvt;
    auto magCode = [](double m) { return static_cast<uint32_t>(std::clamp(std::lround(m * 100.0) + 200, 0L, 4095L)); };
    auto pmCode = [](double pm) {
      return static_cast<uint32_t>(std::clamp(std::lround(pm * 10.0) + 100000, 0L, 0xFFFFFL));
    };
    uint32_t pa = pmCode(pmRa), pd = pmCode(pmDec);
    std::string rec(20, '\0');
    PutI32(rec, 0, ClampI32(raDeg / 2e-7));
    PutI32(rec, 4, ClampI32(decDeg / 2e-7));
    PutU16(rec, 8, static_cast<uint16_t>(pa & 0xFFFF));
    PutU16(rec, 10, static_cast<uint16_t>(pd & 0xFFFF));
    PutU16(rec, 16, static_cast<uint16_t>(magCode(bt) | ((pa >> 16) << 12)));
    PutU16(rec, 18, static_cast<uint16_t>(magCode(vt) | ((pd >> 16) << 12)));
    int t = Tycho2TileOf(s.ra, s.dec);
    if (s.vmag < kTychoHalfSplit) {
      ty1[t] += rec;
      ++ty1Count;
    } else {
      ty2[t] += rec;
      ++ty2Count;
    }
  }
  const std::string skyDir = installDir + "/sky2000", ty1Dir = installDir + "/tycho2-1",
                    ty2Dir = installDir + "/tycho2-2", bscDir = installDir + "/bsc5";
  for (auto& d : {skyDir, ty1Dir, ty2Dir, bscDir})
    if (!MakeDirectory(d)) {
      report += "cannot create " + d + "\n";
      return false;
    }
  char name[64];
  for (int t = 1; t <= kSky2000Tiles; ++t) {
    std::snprintf(name, sizeof name, "/%03d.dat", t);
    if (!WriteFile(skyDir + name, sky[t])) return false;
    skyMax = std::max(skyMax, sky[t].size() / 40);
  }
  size_t tyMax1 = 0, tyMax2 = 0;
  for (int t = 1; t <= kTycho2Tiles; ++t) {
    std::snprintf(name, sizeof name, "/%03d.dat", t);
    if (!WriteFile(ty1Dir + name, ty1[t]) || !WriteFile(ty2Dir + name, ty2[t])) return false;
    tyMax1 = std::max(tyMax1, ty1[t].size() / 20);
    tyMax2 = std::max(tyMax2, ty2[t].size() / 20);
  }

  // ---- Bright-star zones: the Hipparcos stars with an HR number ------------
  std::unordered_map<int32_t, uint32_t> byHr;  // HR -> chosen star
  for (uint32_t idx : order) {                 // brightest component first
    const SourceStar& s = src.stars[idx];
    if (s.file > 2 || s.hip <= 0) continue;
    CrossId c = crossOf(s);
    if (c.hr <= 0) continue;
    byHr.emplace(c.hr, idx);
  }
  std::vector<std::pair<int32_t, uint32_t>> bright(byHr.begin(), byHr.end());
  std::sort(bright.begin(), bright.end());
  std::vector<std::string> zones(kBrightZones + 1);
  for (auto& [hr, idx] : bright) {
    const SourceStar& s = src.stars[idx];
    CrossId c = crossOf(s);
    Designation des;
    auto it = designations.find(s.hip);
    if (it != designations.end()) des = it->second;
    std::string con = des.constellation.empty() ? constellations.Find(s.ra, s.dec) : des.constellation;
    std::string rec(52, '\0');
    PutI32(rec, 0, c.hd);
    PutI32(rec, 4, hr);
    PutI32(rec, 8, ClampI32(s.ra / kDeg * 1e5));
    PutI32(rec, 12, ClampI32(s.dec / kDeg * 1e5));
    PutI16(rec, 20, ClampI16(s.vmag * 100.0));
    PutI16(rec, 22, ClampI16(s.bv * 100.0));
    PutText(rec, 24, 3, des.bayer, ' ');
    rec[27] = static_cast<char>(des.flamsteed);
    PutText(rec, 28, 4, con, '\0');
    // The class letter sits in the third place, after the two-character
    // prefix column of the bright-star catalogue's spectral field.
    std::string sp = SpectralOf(src, s);
    PutText(rec, 32, 20, sp.empty() ? std::string() : "  " + sp, '\0');
    zones[ZoneOf(s.ra, s.dec)] += rec;
  }
  size_t brightMax = 0;
  for (int z = 1; z <= kBrightZones; ++z) {
    std::snprintf(name, sizeof name, "/%02d.dat", z);
    if (!WriteFile(bscDir + name, zones[z])) return false;
    brightMax = std::max(brightMax, zones[z].size() / 52);
  }
  WriteReadme(skyDir, std::string("Star tiles 001-184: J2000 place, V, B-V, spectral class, HD and SAO numbers.\n") +
                          kStarLicence + "No Durchmusterung numbers or companion data in the source: written as none.\n");
  WriteReadme(ty1Dir, std::string("Star tiles 001-746, stars brighter than V 10.0: J2000 place, proper motion, BT and VT\n"
                                  "(from V and B-V by VT = V + 0.090 (BT-VT), BT-VT = (B-V)/0.850).\n") +
                          kStarLicence);
  WriteReadme(ty2Dir, std::string("Star tiles 001-746, stars of V 10.0 and fainter; same layout as tycho2-1.\n") +
                          kStarLicence);
  WriteReadme(bscDir, std::string("Bright-star zones 01-50: the Hipparcos stars that carry a Bright Star\n"
                                  "Catalogue (HR) number, with HD number, Bayer letter, Flamsteed number,\n"
                                  "constellation and spectral class.\n") +
                          kStarLicence);
  char line[256];
  std::snprintf(line, sizeof line,
                "sky2000: %zu stars (largest tile %zu); tycho2-1: %zu (largest %zu); tycho2-2: %zu (largest %zu); "
                "bsc5: %zu stars (largest zone %zu)\n",
                skyCount, skyMax, ty1Count, tyMax1, ty2Count, tyMax2, bright.size(), brightMax);
  report += line;
  return true;
}

}  // namespace gen
