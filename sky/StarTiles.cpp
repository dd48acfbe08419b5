// Sky2000 and Tycho-2 tile files, their loaders, the tile centres and the
// lookup of the tile around a place.
#include <cmath>
#include <cstdio>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include "CatalogueIo.h"
#include "Catalogues.h"
#include "InstallPath.h"
#include "NumberFormat.h"
#include "RegularFile.h"
#include "SkyMath.h"

Sky2000Star* g_sky2000Stars = nullptr;
int g_sky2000StarCount = 0;
Tycho2Star* g_tycho2Stars = nullptr;
int g_tycho2StarCount = 0;
Tycho2Star* g_tycho2Part2Stars = nullptr;
int g_tycho2Part2StarCount = 0;
TileCentre g_sky2000Tiles[kSky2000TileCount + 1];
TileCentre g_tycho2Tiles[kTycho2TileCount + 1];

namespace catalogue_io {

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& data, size_t limit,
                   std::string* problem) {
  auto refuse = [&](const char* why) {
    if (problem) *problem = why;
    return false;
  };
  const int fd = OpenRegularFileDescriptor(path);
  if (fd < 0) return refuse(errno == ENOENT ? "missing" : "not a regular file");
  struct stat st{};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return refuse("unreadable");
  }
  // Larger than the format can hold: nothing of it is read.
  if (static_cast<uint64_t>(st.st_size) > limit) {
    ::close(fd);
    return refuse("larger than the catalogue can hold");
  }
  data.resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  if (done != data.size()) return refuse("unreadable");
  return true;
}

}  // namespace catalogue_io

using namespace catalogue_io;

void DecodeSky2000Record(const unsigned char* p, Sky2000Star& s) {
  s.rightAscension = static_cast<float>(I32(p) * 1.7453292855407199e-07);
  s.declination = static_cast<float>(I32(p + 4) * 1.7453292855407199e-07);
  s.magnitude = static_cast<float>(I16(p + 8) * 0.01);
  s.colorIndex = I16(p + 10);
  s.companionMagnitudeDifference = I16(p + 12);
  CopyChars(s.spectralClass, p + 20, 3);
  CopyChars(s.dmPrefix, p + 23, 2);
  s.dmNumber = I32(p + 28);
  s.hdNumber = I32(p + 32);
  s.saoNumber = I32(p + 36);
  s.azimuth = 0.0f;
  s.altitude = 0.0f;
}

void DecodeTycho2Record(const unsigned char* p, Tycho2Star& s) {
  s.rightAscension = static_cast<float>(I32(p) * 3.4906584289728926e-09);
  s.declination = static_cast<float>(I32(p + 4) * 3.4906584289728926e-09);
  const uint32_t bt = U16(p + 16), vt = U16(p + 18);
  const uint32_t pmRa = U16(p + 8) | (bt >> 12) << 16;
  const uint32_t pmDec = U16(p + 10) | (vt >> 12) << 16;
  s.btMagnitude = static_cast<float>((static_cast<int>(bt & 0xFFF) - 200) * 0.01);
  s.vtMagnitude = static_cast<float>((static_cast<int>(vt & 0xFFF) - 200) * 0.01);
  s.pmRightAscension = static_cast<float>((static_cast<int>(pmRa) - 100000) * 0.1);
  s.pmDeclination = static_cast<float>((static_cast<int>(pmDec) - 100000) * 0.1);
  s.azimuth = 0.0f;
  s.altitude = 0.0f;
}

namespace {

template <typename Star, typename Decode>
bool LoadTile(const CString& installFolder, const char* pattern, int tile, Star* stars, int& count, int limit,
              int recordSize, Decode decode) {
  if (!stars) return false;
  std::vector<unsigned char> data;
  if (!ReadWholeFile(ResolveInstallPath(installFolder, FormatC(pattern, tile)), data,
                     static_cast<size_t>(limit) * recordSize))
    return false;
  if (count < 0) count = 0;
  // Whole records only: a trailing partial record is no star.
  for (size_t off = 0; off + recordSize <= data.size() && count < limit; off += recordSize) {
    decode(data.data() + off, stars[count]);
    stars[count].tile = static_cast<decltype(stars[count].tile)>(tile);
    ++count;
  }
  return true;
}

void FillBands(TileCentre* table, int tileCount, double bandHeight, const int* perBand, int bands) {
  int first = 1;
  for (int hemisphere = 0; hemisphere < 2; ++hemisphere) {
    for (int b = 0; b < bands; ++b) {
      double dec = (b + 0.5) * bandHeight * (hemisphere == 0 ? 1.0 : -1.0);
      for (int k = first; k < first + perBand[b] && k <= tileCount; ++k) {
        table[k].rightAscension = (k - first + 0.5) * kTwoPi / perBand[b];
        table[k].declination = dec;
        table[k].altitude = 0.0;
        table[k].azimuth = 0.0;
      }
      first += perBand[b];
    }
  }
}

int FindTile(const TileCentre* table, int tileCount, double halfBand, double ra, double dec) {
  double best = 1e50;
  int result = 1;
  for (int r = 1; r <= tileCount; ++r) {
    double a = std::fmod(ra - table[r].rightAscension, kTwoPi);
    if (a < 0) a += kTwoPi;
    if (a > kPi) a = kTwoPi - a;
    double d = dec - table[r].declination;
    double s = std::sqrt(d * d + a * a);
    if (s < best && std::fabs(d) <= halfBand) {
      best = s;
      result = r;
    }
  }
  return result;
}

}  // namespace

bool LoadSky2000Tile(CString installFolder, int tile) {
  return LoadTile(installFolder, "\\sky2000\\%03i.dat", tile, g_sky2000Stars, g_sky2000StarCount, kSky2000StarLimit,
                  kSky2000RecordSize, DecodeSky2000Record);
}

bool LoadTycho2Part1Tile(CString installFolder, int tile) {
  return LoadTile(installFolder, "\\tycho2-1\\%03i.dat", tile, g_tycho2Stars, g_tycho2StarCount, kTycho2StarLimit,
                  kTycho2RecordSize, DecodeTycho2Record);
}

bool LoadTycho2Part2Tile(CString installFolder, int tile) {
  return LoadTile(installFolder, "\\tycho2-2\\%03i.dat", tile, g_tycho2Part2Stars, g_tycho2Part2StarCount,
                  kTycho2StarLimit, kTycho2RecordSize, DecodeTycho2Record);
}

void InitTileCentres() {
  static const int kSky2000Bands[] = {24, 22, 19, 15, 9, 3};
  static const int kTycho2Bands[] = {48, 47, 46, 44, 40, 37, 32, 27, 22, 16, 10, 4};
  FillBands(g_sky2000Tiles, kSky2000TileCount, 15.0 * kDegToRad, kSky2000Bands, 6);
  FillBands(g_tycho2Tiles, kTycho2TileCount, 7.5 * kDegToRad, kTycho2Bands, 12);
}

int FindSky2000Tile(double rightAscension, double declination) {
  return FindTile(g_sky2000Tiles, kSky2000TileCount, 0.1308996938995747, rightAscension, declination);
}

int FindTycho2Tile(double rightAscension, double declination) {
  return FindTile(g_tycho2Tiles, kTycho2TileCount, 0.06544984694978735, rightAscension, declination);
}
