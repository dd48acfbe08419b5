#pragma once
// make-catalogues: writes the star tiles, the bright-star zones and the
// deep-sky zones of the install folder from the catalogues of the Debian
// packages stellarium-data and kstars-data. Shared helpers of the generator.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gen {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

// Whole file into memory; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& data);
// Whole gzip file, uncompressed; false on any error.
bool ReadGzipFile(const std::string& path, std::string& data);
// Writes through a temporary file and a rename.
bool WriteFile(const std::string& path, const std::string& data);
bool MakeDirectory(const std::string& path);

// Little-endian field writers into a record buffer.
void PutI32(std::string& rec, size_t off, int32_t v);
void PutU16(std::string& rec, size_t off, uint16_t v);
void PutI16(std::string& rec, size_t off, int16_t v);
void PutF32(std::string& rec, size_t off, float v);
void PutText(std::string& rec, size_t off, size_t size, std::string_view text, char pad);

int32_t ClampI32(double v);
int16_t ClampI16(double v);

// Locale-independent parsing of one number; false when the text is not one.
bool ParseDouble(std::string_view text, double& v);
bool ParseInt(std::string_view text, long& v);
std::vector<std::string_view> Split(std::string_view line, char sep, bool dropEmpty);
std::string_view Trim(std::string_view s);

// IAU constellation (three-letter abbreviation in the usual mixed case) of a
// J2000 place, radians, from the B1875 lookup table of boundary spans.
class ConstellationFinder {
 public:
  bool Load(const std::string& spansPath);
  std::string Find(double ra, double dec) const;
  size_t size() const { return m_rows.size(); }

 private:
  struct Row {
    double raLow, raHigh, decLow;  // hours, hours, degrees (B1875)
    std::string abbr;
  };
  std::vector<Row> m_rows;
};

// Precesses a J2000 place (radians) to the mean equinox of a Julian date.
void PrecessJ2000To(double jd, double& ra, double& dec);

// The 50 zones of the bright-star and deep-sky files: compact cells of five
// declination bands, each band cut in right ascension from 0 so no zone
// straddles right ascension 0. Returns 1..50.
int ZoneOf(double ra, double dec);

// One star of the Stellarium catalogues, decoded.
struct SourceStar {
  double ra = 0, dec = 0;        // J2000 radians
  float vmag = 0, bv = 0;        // V, B-V
  float pmRa = 0, pmDec = 0;     // mas/yr (pmRa includes cos dec)
  int32_t hip = 0;               // 0 = not a Hipparcos star
  uint8_t component = 0;         // component letter index (0 none)
  uint16_t spectral = 0;         // index into the spectral-type list (0 none)
  uint8_t file = 0;              // source file 0..3
};

struct StarSources {
  std::vector<SourceStar> stars;
  std::vector<std::string> spectralTypes;  // index 0 = none
  std::vector<std::string> componentLetters;
};
bool LoadStellariumStars(const std::string& folder, StarSources& out, std::string& error);

struct CrossId {
  int32_t sao = 0, hd = 0, hr = 0;
};

bool WriteStarFiles(const std::string& stellariumRoot, const std::string& installDir, const StarSources& src,
                    const ConstellationFinder& constellations, std::string& report);
// C++ source of the boundary and figure tables.
bool WriteConstellationTables(const std::string& stellariumRoot, const StarSources& stars, const std::string& outPath,
                              std::string& report);
bool WriteDeepSkyFiles(const std::string& stellariumRoot, const std::string& installDir,
                       const ConstellationFinder& constellations, std::string& report);

}  // namespace gen
