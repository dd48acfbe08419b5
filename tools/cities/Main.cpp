// make-cities: the cities file "villes.dat" and the Earth map of the time and
// place dialog, from stellarium-data.
//
//   make-cities <stellarium-data root> <install folder> <stamp file>
//
// The cities file holds the user's own places once the program has run, so
// an existing one is never replaced. The Earth map is stellarium-data's colour
// map, scaled to the dialog's 512 x 256 pixels (180 degrees west at the left).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "Cities.h"
#include "Image.h"
#include "Locations.h"

namespace {

// Towns from this size on, besides every capital, regional capital and
// observatory: a list of a few thousand names that a combo box still scrolls.
constexpr int kMinimumPopulation = 150000;

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make-cities <stellarium-data root> <install folder> <stamp file>\n");
    return 2;
  }
  const std::string root = argv[1];
  const std::string install = argv[2];
  std::filesystem::create_directories(install);

  const std::string citiesPath = install + "/villes.dat";
  if (std::filesystem::exists(citiesPath)) {
    std::printf("make-cities: %s exists and holds the user's places; left as it is\n", citiesPath.c_str());
  } else {
    std::vector<cities::Location> all;
    std::string error;
    if (!cities::ReadLocationsFile(root + "/data/base_locations.bin.gz", all, error)) {
      std::fprintf(stderr, "make-cities: %s\n", error.c_str());
      return 1;
    }
    const std::vector<CityRecord> chosen = cities::ChoosePlaces(all, kMinimumPopulation);
    if (static_cast<int>(chosen.size()) > kCityCapacity) {
      std::fprintf(stderr, "make-cities: %zu places exceed the table's %d\n", chosen.size(), kCityCapacity);
      return 1;
    }
    if (!WriteCitiesFile(citiesPath, chosen.data(), static_cast<int>(chosen.size()))) {
      std::fprintf(stderr, "make-cities: cannot write %s\n", citiesPath.c_str());
      return 1;
    }
    std::printf("make-cities: %zu places of %zu written to %s\n", chosen.size(), all.size(), citiesPath.c_str());
  }

  pictures::RgbImage map;
  std::string error;
  if (!pictures::ReadPng(root + "/textures/earth_cmap.png", map, error)) {
    std::fprintf(stderr, "make-cities: %s\n", error.c_str());
    return 1;
  }
  pictures::ShrinkTo(map, 512);
  if (map.width != 512 || map.height != 256) {
    std::fprintf(stderr, "make-cities: the Earth map is %d x %d, not 512 x 256\n", map.width, map.height);
    return 1;
  }
  if (!pictures::WriteJpeg(install + "/earthmap.jpg", map, 90, error)) {
    std::fprintf(stderr, "make-cities: %s\n", error.c_str());
    return 1;
  }

  const std::string readme =
      "villes.dat, earthmap.jpg\r\n"
      "\r\n"
      "villes.dat: the named places of the time and place dialog, chosen from Stellarium's\r\n"
      "location list (data/base_locations.bin.gz of the Debian package stellarium-data):\r\n"
      "every capital, regional capital and observatory, and every town of at least " +
      std::to_string(kMinimumPopulation) +
      " inhabitants. Names are in code page 1252 (letters it lacks are written\r\n"
      "without their accents), cut to 19 characters and unique ignoring case; an unknown\r\n"
      "altitude is written as 0. The program adds, changes and deletes places in this file.\r\n"
      "\r\n"
      "earthmap.jpg: Stellarium's Earth colour map (textures/earth_cmap.png) scaled to\r\n"
      "512 x 256 pixels.\r\n"
      "\r\n"
      "Source: Stellarium, https://stellarium.org, GNU General Public License version 2 or\r\n"
      "later (see /usr/share/doc/stellarium-data/copyright for the data's own terms).\r\n";
  if (!WriteText(install + "/README.villes.txt", readme) || !WriteText(argv[3], "cities\n")) {
    std::fprintf(stderr, "make-cities: cannot write the README or the stamp\n");
    return 1;
  }
  return 0;
}
