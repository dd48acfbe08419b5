// libFuzzer target: arbitrary bytes as a satellites file and as a pair of
// element lines run through every orbit model. Built in a fuzz build only.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzScratch.h"
#include "SkyModel.h"
#include "TwoLineElements.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = FuzzScratchFolder();
  static const bool made = ::mkdir((folder + "/donnees").c_str(), 0700) == 0;
  (void)made;
  FILE* f = std::fopen((folder + "/donnees/satellites.dat").c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  CSkyModel sky;
  sky.m_julianDate = 2453830.0;
  sky.LoadSatellites(folder);
  double x, y, z, ra = 0, dec = 0, alt = 0, az = 0;
  for (int pair = 0; pair < kSatelliteCount; ++pair) {
    const char* lines[2] = {sky.m_tleLines[2 * pair].data(), sky.m_tleLines[2 * pair + 1].data()};
    sky.ComputeSatellitePosition(lines, x, y, z, ra, dec, alt, az);
  }

  // The bytes as two lines of at most 80 characters.
  std::string text(reinterpret_cast<const char*>(data), size);
  const std::string l1 = text.substr(0, 80).c_str();
  const std::string l2 = text.size() > 80 ? text.substr(80, 80).c_str() : std::string();
  SatelliteElements el;
  if (ParseTwoLineElements(l1.c_str(), l2.c_str(), el) >= 0) {
    for (int model = kModelSgp; model <= kModelSdp8; ++model) {
      SatelliteModelState st;
      Vector3d p, v;
      for (double t : {-20000.0, 0.0, 3000.0}) PropagateSatelliteModel(model, t, el, st, p, v);
    }
  }
  return 0;
}
