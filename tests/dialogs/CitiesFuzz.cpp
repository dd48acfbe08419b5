// libFuzzer target: arbitrary bytes as the cities file, decoded, encoded
// again and decoded back to the same places. Built in a fuzz build only.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Cities.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<CityRecord> table(kCityCapacity), again(kCityCapacity);
  bool truncated = false;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const int n = DecodeCities(bytes, table.data(), kCityCapacity, truncated);
  if (n < 0 || n > kCityCapacity) __builtin_trap();
  for (int i = 0; i < n; ++i) {
    if (table[i].name[sizeof table[i].name - 1] != '\0') __builtin_trap();
    (void)table[i].Latitude();
    (void)table[i].Longitude();
  }
  const int m = DecodeCities(EncodeCities(table.data(), n), again.data(), kCityCapacity, truncated);
  if (m != n) __builtin_trap();
  for (int i = 0; i < n; ++i)
    if (std::strcmp(table[i].name, again[i].name) != 0) __builtin_trap();
  return 0;
}
