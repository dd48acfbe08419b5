// Deep-sky zones from Stellarium's object catalogue (Qt data stream, big
// endian, gzip) and its common-name list.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include "Generator.h"

namespace gen {
namespace {

class StreamReader {
 public:
  explicit StreamReader(const std::string& d) : m_d(d) {}
  bool ok() const { return m_ok; }
  bool atEnd() const { return m_pos >= m_d.size(); }
  uint32_t U32() {
    if (m_d.size() - m_pos < 4 || m_pos > m_d.size()) {
      m_ok = false;
      m_pos = m_d.size();
      return 0;
    }
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(m_d[m_pos++]);
    return v;
  }
  double F64() {
    uint64_t hi = U32(), lo = U32();
    uint64_t bits = hi << 32 | lo;
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
  }
  // Text reduced to single bytes (code points above 255 become '?').
  std::string Str() {
    uint32_t n = U32();
    if (n == 0xFFFFFFFFu) return std::string();
    if (n > m_d.size() - m_pos || (n & 1)) {
      m_ok = false;
      m_pos = m_d.size();
      return std::string();
    }
    std::string s;
    for (uint32_t i = 0; i < n; i += 2) {
      unsigned c = static_cast<unsigned char>(m_d[m_pos + i]) << 8 | static_cast<unsigned char>(m_d[m_pos + i + 1]);
      s += c < 256 ? static_cast<char>(c) : '?';
    }
    m_pos += n;
    return s;
  }

 private:
  const std::string& m_d;
  size_t m_pos = 0;
  bool m_ok = true;
};

struct Dso {
  uint32_t id = 0;
  double ra = 0, dec = 0, bmag = 99, vmag = 99, major = 0, minor = 0;
  uint32_t type = 36;
  int32_t pa = 0;
  std::string morph;
  uint32_t ngc = 0, ic = 0, m = 0, c = 0, pgc = 0, ugc = 0;
};

const char* TypeCode(const Dso& o) {
  switch (o.type) {
    case 0: case 1: case 2: case 3: return " Gx";
    case 5: case 6: case 8: case 9: return " Oc";
    case 7: return " Gb";
    case 11: case 26: case 27: return " Pl";
    case 10: case 13: case 14: case 15: case 17: case 20: return "Neb";
    case 12: case 18: case 19: case 23: return " Nb";
    case 16:
      // A cluster with nebulosity: a nebula named in the morphology makes it
      // cluster + nebula; a cluster class alone keeps it an open cluster.
      return (o.morph.find("EN") != std::string::npos || o.morph.find("RN") != std::string::npos) ? "C+N" : " Oc";
    default: return "Unk";
  }
}

std::string Designation(const char* cat, uint32_t n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s %u", cat, n);
  return buf;
}

}  // namespace

bool WriteDeepSkyFiles(const std::string& stRoot, const std::string& installDir,
                       const ConstellationFinder& constellations, std::string& report) {
  const std::string dir = stRoot + "/nebulae/default";
  std::string data;
  if (!ReadGzipFile(dir + "/catalog.dat", data)) {
    report += "cannot read nebulae/default/catalog.dat\n";
    return false;
  }
  StreamReader r(data);
  std::string version = r.Str();
  r.Str();  // edition
  if (version.rfind("3.", 0) != 0) {
    report += "unexpected deep-sky catalogue version " + version + "\n";
    return false;
  }
  std::vector<Dso> all;
  while (r.ok() && !r.atEnd()) {
    Dso o;
    o.id = r.U32();
    o.ra = r.F64();
    o.dec = r.F64();
    o.bmag = r.F64();
    o.vmag = r.F64();
    o.type = r.U32();
    o.morph = r.Str();
    o.major = r.F64();
    o.minor = r.F64();
    o.pa = static_cast<int32_t>(r.U32());
    for (int k = 0; k < 6; ++k) r.F64();
    uint32_t ids[14];
    for (auto& v : ids) v = r.U32();
    o.ngc = ids[0];
    o.ic = ids[1];
    o.m = ids[2];
    o.c = ids[3];
    o.pgc = ids[12];
    o.ugc = ids[13];
    r.Str();
    r.U32();
    r.U32();
    for (int k = 0; k < 7; ++k) r.Str();
    for (int k = 0; k < 5; ++k) r.U32();
    if (!r.ok()) break;
    all.push_back(o);
  }
  if (!r.ok() || all.empty()) {
    report += "deep-sky catalogue truncated\n";
    return false;
  }

  // Common names: the first name given for each designation.
  std::map<std::string, std::string> names;
  {
    std::string text;
    if (ReadFile(dir + "/names.dat", text)) {
      std::istringstream in(text);
      std::string line;
      while (std::getline(in, line)) {
        if (line.size() < 21 || line[0] == '#') continue;
        std::string prefix(Trim(std::string_view(line).substr(0, 5)));
        std::string number(Trim(std::string_view(line).substr(5, 15)));
        size_t a = line.find("_(\"", 20), b = line.find("\")", a == std::string::npos ? 0 : a);
        if (a == std::string::npos || b == std::string::npos) continue;
        std::string key = (prefix.empty() ? std::string("#") : prefix) + " " + number;
        names.emplace(key, line.substr(a + 3, b - a - 3));
      }
    }
  }

  // The objects of the Messier, Caldwell, NGC and IC catalogues.
  std::vector<std::string> zones(51);
  size_t count = 0, maxZone = 0;
  for (const Dso& o : all) {
    if (!o.m && !o.c && !o.ngc && !o.ic) continue;
    std::vector<std::string> ids;
    if (o.m) ids.push_back(Designation("M", o.m));
    if (o.ngc) ids.push_back(Designation("NGC", o.ngc));
    if (o.ic) ids.push_back(Designation("IC", o.ic));
    if (o.c) ids.push_back(Designation("C", o.c));
    if (o.ugc) ids.push_back(Designation("UGC", o.ugc));
    if (o.pgc) ids.push_back(Designation("PGC", o.pgc));
    std::string other;
    for (size_t i = 1; i < ids.size(); ++i) {
      std::string next = other.empty() ? ids[i] : other + ";" + ids[i];
      if (next.size() > 19) break;
      other = next;
    }
    std::string common;
    const std::pair<const char*, uint32_t> keys[] = {{"#", o.id}, {"M", o.m}, {"NGC", o.ngc}, {"IC", o.ic},
                                                     {"C", o.c},  {"UGC", o.ugc}, {"PGC", o.pgc}};
    for (auto& [cat, n] : keys) {
      if (!n) continue;
      auto it = names.find(Designation(cat, n));
      if (it != names.end()) {
        common = it->second;
        break;
      }
    }
    double mag = o.vmag < 90 ? o.vmag : (o.bmag < 90 ? o.bmag : 79.9);
    double large = o.major * 60.0, small = o.minor * 60.0;
    // Surface brightness of the ellipse the sizes describe.
    double sb = 79.9;
    if (mag < 79 && large > 0) {
      double b = small > 0 ? small : large;
      sb = mag + 2.5 * std::log10(kPi / 4.0 * large * b);
    }
    bool round = small <= 0 || small >= large;
    std::string con = constellations.Find(o.ra, o.dec);
    std::string rec(132, '\0');
    PutF32(rec, 0, static_cast<float>(o.ra / kDeg));
    PutF32(rec, 4, static_cast<float>(o.dec / kDeg));
    PutF32(rec, 8, static_cast<float>(mag));
    PutF32(rec, 12, static_cast<float>(sb));
    PutF32(rec, 16, static_cast<float>(large));
    PutF32(rec, 20, static_cast<float>(small > 0 ? small : large));
    rec[24] = static_cast<char>(round || o.pa < 0 || o.pa > 254 ? 255 : o.pa);
    PutText(rec, 26, 18, ids[0], ' ');
    PutText(rec, 44, 19, other, ' ');
    PutText(rec, 63, 4, TypeCode(o), ' ');
    PutText(rec, 67, 4, con, ' ');
    PutText(rec, 71, 51, common.substr(0, 50), ' ');
    PutText(rec, 122, 10, o.morph.substr(0, 10), ' ');
    int z = ZoneOf(o.ra, o.dec);
    zones[z] += rec;
    ++count;
  }
  const std::string out = installDir + "/sac";
  if (!MakeDirectory(out)) return false;
  char name[32];
  for (int z = 1; z <= 50; ++z) {
    std::snprintf(name, sizeof name, "/%02d.dat", z);
    if (!WriteFile(out + name, zones[z])) return false;
    maxZone = std::max(maxZone, zones[z].size() / 132);
  }
  WriteFile(out + "/README",
            "Deep-sky zones 01-50: the Messier, Caldwell, NGC and IC objects of Stellarium's\n"
            "deep-sky catalogue (Debian package stellarium-data, nebulae/default/catalog.dat and\n"
            "names.dat; licence GPL-2+). Magnitude V (B when V is unknown; 79.9 when neither\n"
            "is known); surface brightness from the magnitude and the elliptical size; sizes in\n"
            "arcminutes; position angle 255 for round objects; constellation from the IAU\n"
            "boundaries (constellations_spans.dat).\n");
  char line[128];
  std::snprintf(line, sizeof line, "sac: %zu objects (largest zone %zu)\n", count, maxZone);
  report += line;
  return true;
}

}  // namespace gen
