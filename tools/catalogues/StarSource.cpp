// Decoding of the Stellarium star catalogues (geodesic zones, tangent-plane
// offsets) into plain J2000 places, magnitudes, colours and proper motions.
#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>

#include "Generator.h"

namespace gen {
namespace {

struct V3 {
  double x, y, z;
};
V3 Add(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 Scale(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Norm(V3 a) { return Scale(a, 1.0 / std::sqrt(Dot(a, a))); }

struct Face {
  V3 c[3];
};
struct ZoneFrame {
  V3 centre, axis0, axis1;
};

// Zones of one level of the icosahedral grid, in file order.
void BuildFaces(int level, std::vector<Face>& out) {
  const double b = 0.525731112119133606, a = 0.850650808352039932;
  const V3 v[12] = {{a, -b, 0}, {a, b, 0},  {-a, b, 0},  {-a, -b, 0}, {0, a, -b}, {0, a, b},
                    {0, -a, b}, {0, -a, -b}, {-b, 0, a}, {b, 0, a},   {b, 0, -a}, {-b, 0, -a}};
  static const int f[20][3] = {{1, 0, 10}, {0, 1, 9},  {0, 9, 6},  {9, 8, 6},  {0, 7, 10}, {6, 7, 0},  {7, 6, 3},
                               {6, 8, 3},  {11, 10, 7}, {7, 3, 11}, {3, 2, 11}, {2, 3, 8},  {10, 11, 4}, {2, 4, 11},
                               {5, 4, 2},  {2, 8, 5},  {4, 1, 10}, {4, 5, 1},  {5, 9, 1},  {8, 9, 5}};
  struct Rec {
    static void Go(const Face& fc, int lev, std::vector<Face>& out) {
      if (lev == 0) {
        out.push_back(fc);
        return;
      }
      V3 m0 = Norm(Add(fc.c[1], fc.c[2])), m1 = Norm(Add(fc.c[2], fc.c[0])), m2 = Norm(Add(fc.c[0], fc.c[1]));
      Go({{fc.c[0], m2, m1}}, lev - 1, out);
      Go({{m2, fc.c[1], m0}}, lev - 1, out);
      Go({{m1, m0, fc.c[2]}}, lev - 1, out);
      Go({{m0, m1, m2}}, lev - 1, out);
    }
  };
  out.clear();
  for (auto& t : f) Rec::Go({{v[t[0]], v[t[1]], v[t[2]]}}, level, out);
}

ZoneFrame FrameOf(const Face& f) {
  ZoneFrame z;
  z.centre = Norm(Add(Add(f.c[0], f.c[1]), f.c[2]));
  z.axis0 = Norm(Cross({0, 0, 1}, z.centre));
  z.axis1 = Cross(z.centre, z.axis0);
  return z;
}

uint32_t U32(const std::string& d, size_t off) {
  return static_cast<uint32_t>(static_cast<unsigned char>(d[off])) |
         static_cast<uint32_t>(static_cast<unsigned char>(d[off + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(d[off + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(d[off + 3])) << 24;
}
int32_t I32(const std::string& d, size_t off) { return static_cast<int32_t>(U32(d, off)); }

int64_t SignExtend(uint64_t v, int bits) {
  uint64_t sign = uint64_t{1} << (bits - 1);
  return static_cast<int64_t>((v ^ sign)) - static_cast<int64_t>(sign);
}

bool LoadLines(const std::string& path, std::vector<std::string>& lines) {
  std::string data;
  if (!ReadFile(path, data)) return false;
  std::istringstream in(data);
  std::string line;
  lines.clear();
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return true;
}

bool DecodeFile(const std::string& path, int fileIndex, std::vector<SourceStar>& out, std::string& error) {
  std::string d;
  if (!ReadFile(path, d) || d.size() < 32) {
    error = "cannot read " + path;
    return false;
  }
  if (U32(d, 0) != 0x835F040Au) {
    error = "bad magic in " + path;
    return false;
  }
  int type = I32(d, 4), level = I32(d, 16);
  double magMin = I32(d, 20), magRange = I32(d, 24), magSteps = I32(d, 28);
  if (level < 0 || level > 7 || (type != 0 && type != 1) || magSteps <= 0) {
    error = "unsupported layout in " + path;
    return false;
  }
  std::vector<Face> faces;
  BuildFaces(level, faces);
  const size_t zones = faces.size();
  const size_t recSize = type == 0 ? 28 : 10;
  size_t pos = 32 + 4 * zones;
  if (d.size() < pos) {
    error = "short zone table in " + path;
    return false;
  }
  // Scale: farthest gnomonic corner coordinate over all zones / largest offset.
  double m = 0;
  std::vector<ZoneFrame> frames(zones);
  for (size_t z = 0; z < zones; ++z) {
    frames[z] = FrameOf(faces[z]);
    for (const V3& p : faces[z].c) {
      double t = Dot(p, frames[z].centre);
      m = std::max({m, std::fabs(Dot(p, frames[z].axis0)) / t, std::fabs(Dot(p, frames[z].axis1)) / t});
    }
  }
  const double scale = m / (type == 0 ? 2147483647.0 : 524287.0);
  for (size_t z = 0; z < zones; ++z) {
    int32_t count = I32(d, 32 + 4 * z);
    if (count < 0 || d.size() - pos < static_cast<size_t>(count) * recSize) {
      error = "zone counts exceed the data in " + path;
      return false;
    }
    const ZoneFrame& fr = frames[z];
    for (int32_t i = 0; i < count; ++i, pos += recSize) {
      SourceStar s;
      s.file = static_cast<uint8_t>(fileIndex);
      double x0, x1;
      int kbv, km;
      if (type == 0) {
        uint32_t id = U32(d, pos);
        s.hip = static_cast<int32_t>(id & 0xFFFFFF);
        s.component = static_cast<uint8_t>(id >> 24);
        x0 = I32(d, pos + 4);
        x1 = I32(d, pos + 8);
        kbv = static_cast<unsigned char>(d[pos + 12]);
        km = static_cast<unsigned char>(d[pos + 13]);
        s.spectral = static_cast<uint16_t>(static_cast<unsigned char>(d[pos + 14]) |
                                           static_cast<unsigned char>(d[pos + 15]) << 8);
        s.pmRa = static_cast<float>(I32(d, pos + 16) * 0.1);
        s.pmDec = static_cast<float>(I32(d, pos + 20) * 0.1);
      } else {
        uint64_t lo = 0;
        for (int b = 0; b < 8; ++b) lo |= static_cast<uint64_t>(static_cast<unsigned char>(d[pos + b])) << (8 * b);
        uint64_t hi = static_cast<unsigned char>(d[pos + 8]) | static_cast<uint64_t>(static_cast<unsigned char>(d[pos + 9])) << 8;
        auto bits = [&](int from, int width) -> uint64_t {
          uint64_t v = 0;
          for (int k = 0; k < width; ++k) {
            int bit = from + k;
            uint64_t b = bit < 64 ? (lo >> bit) & 1 : (hi >> (bit - 64)) & 1;
            v |= b << k;
          }
          return v;
        };
        x0 = static_cast<double>(SignExtend(bits(0, 20), 20));
        x1 = static_cast<double>(SignExtend(bits(20, 20), 20));
        s.pmRa = static_cast<float>(SignExtend(bits(40, 14), 14) * 0.1);
        s.pmDec = static_cast<float>(SignExtend(bits(54, 14), 14) * 0.1);
        kbv = static_cast<int>(bits(68, 7));
        km = static_cast<int>(bits(75, 5));
      }
      V3 v = Add(fr.centre, Add(Scale(fr.axis0, x0 * scale), Scale(fr.axis1, x1 * scale)));
      s.ra = std::atan2(v.y, v.x);
      if (s.ra < 0) s.ra += 2 * kPi;
      s.dec = std::asin(v.z / std::sqrt(Dot(v, v)));
      s.vmag = static_cast<float>((magMin + km * magRange / magSteps) / 1000.0);
      s.bv = static_cast<float>(-0.5 + kbv * 4.0 / 127.0);
      out.push_back(s);
    }
  }
  return true;
}

}  // namespace

bool LoadStellariumStars(const std::string& folder, StarSources& out, std::string& error) {
  static const char* kFiles[] = {"stars_0_0v0_8.cat", "stars_1_0v0_8.cat", "stars_2_0v0_8.cat",
                                 "stars_3_1v0_4.cat"};
  out.stars.clear();
  out.stars.reserve(610000);
  for (int i = 0; i < 4; ++i)
    if (!DecodeFile(folder + "/" + kFiles[i], i, out.stars, error)) return false;
  if (!LoadLines(folder + "/stars_hip_sp_0v0_4.cat", out.spectralTypes) ||
      !LoadLines(folder + "/stars_hip_cids_0v0_0.cat", out.componentLetters)) {
    error = "cannot read the spectral-type or component lists";
    return false;
  }
  return true;
}

}  // namespace gen
