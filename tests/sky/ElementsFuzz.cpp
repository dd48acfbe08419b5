// libFuzzer target: arbitrary bytes as comet and asteroid element files.
// Built in a fuzz build only.
#include <cstdint>
#include <vector>

#include "SkyModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<CometRecord> comets(kMaxCometRecords);
  static std::vector<AsteroidRecord> asteroids(kMaxAsteroidFileRecords);
  const char* text = reinterpret_cast<const char*>(data);
  const int c = ParseCometText(text, size, comets.data(), kMaxCometRecords);
  const int a = ParseAsteroidText(text, size, asteroids.data(), kMaxAsteroidFileRecords);
  if (c < 0 || c > kMaxCometRecords || a < 0 || a > kMaxAsteroidFileRecords) __builtin_trap();
  for (int i = 0; i < c; ++i)
    if (comets[i].name[sizeof(comets[i].name) - 1] != '\0' && comets[i].name[39] != '\0') __builtin_trap();
  return 0;
}
