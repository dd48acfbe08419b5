#pragma once
// The cities file "villes.dat": the user's named places and the places the
// install folder ships with. A byte stream: the layout mark "1.1", then one
// 76-byte record per city (the older layout has no mark and 40-byte records
// without seconds). Number fields are decimal text padded with zero bytes.
#include <cstdint>
#include <string>
#include <vector>

struct CityRecord {
  char name[20] = {};  // at most 19 characters, then zero bytes
  int longitudeDegrees = 0;
  int longitudeMinutes = 0;
  int longitudeSeconds = 0;
  int latitudeDegrees = 0;
  int latitudeMinutes = 0;
  int latitudeSeconds = 0;
  int altitude = 0;  // metres
  uint8_t west = 0;   // 1: longitude counts positive (west)
  uint8_t north = 0;  // 1: latitude counts positive (north)

  // Signed degrees: north and west positive.
  double Latitude() const;
  double Longitude() const;
  void SetName(const std::string& text);
};

// Room for several times the shipped file: a larger file is read up to this
// many records and is then never rewritten, so none of its places is lost.
constexpr int kCityCapacity = 20000;
constexpr int kCityRecordSize = 76;
constexpr int kOldCityRecordSize = 40;

extern std::vector<CityRecord> g_cities;  // kCityCapacity entries
extern int g_cityCount;
// Set when the last read stopped at the capacity: the file holds more places
// than the table and must not be replaced by it.
extern bool g_citiesTruncated;

// Decodes a whole file into `table` (at most `capacity` records); a trailing
// partial record is ignored. `truncated`: whole records were left unread.
int DecodeCities(const std::string& bytes, CityRecord* table, int capacity, bool& truncated);
// Always the 1.1 layout.
std::string EncodeCities(const CityRecord* table, int count);

// Reads "villes.dat" of the current folder into g_cities; false (table kept)
// when the file cannot be read.
bool LoadCities();
// Replaces "villes.dat" through a temporary file and a rename, so a failed or
// interrupted save leaves the old file whole; false when nothing was saved,
// and always false after a truncated read.
bool SaveCities();
// Same, on any path (tests, the generator).
bool WriteCitiesFile(const std::string& path, const CityRecord* table, int count);
bool ReadCitiesFile(const std::string& path, CityRecord* table, int capacity, int& count, bool& truncated);

// Index of the first city named `name`, ignoring case (code page 1252 letters), or -1.
int FindCity(const char* name);
bool CityNamesEqual(const char* a, const char* b);
// Upper case of a code-page-1252 text.
std::string CityNameUpper(const std::string& text);
