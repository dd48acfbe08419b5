#pragma once
// Stellarium's location list (data/base_locations.bin.gz, a gzip-compressed
// Qt data stream) turned into the records of the cities file.
#include <string>
#include <vector>

#include "Cities.h"

namespace cities {

struct Location {
  std::u32string name;
  char role = 0;  // C capital, R regional capital, O observatory, N town, others: sites off Earth
  int population = 0;
  double latitude = 0.0;   // degrees, north positive
  double longitude = 0.0;  // degrees, east positive
  int altitude = 0;        // metres; -9999 unknown
  std::string planet;
};

// Parses the decompressed stream; false with a message on any malformed field.
bool ParseLocations(const std::string& stream, std::vector<Location>& out, std::string& error);
bool ReadLocationsFile(const std::string& gzPath, std::vector<Location>& out, std::string& error);

// A name in code page 1252: characters missing from it become their base
// Latin letter; false when a character has none (another script).
bool NameToCp1252(const std::u32string& name, std::string& out);

// Capitals, regional capitals, observatories and towns of at least
// `minimumPopulation` on Earth, names cut to 19 characters and unique
// ignoring case (the more important place keeps a shared name), sorted by name.
std::vector<CityRecord> ChoosePlaces(const std::vector<Location>& all, int minimumPopulation);
CityRecord ToCityRecord(const std::string& name, const Location& place);

}  // namespace cities
