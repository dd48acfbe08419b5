// Fuzz target: arbitrary bytes as INDI's driver list (the system's
// drivers.xml), read for the telescope chooser.
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzScratch.h"
#include "IndiDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzScratchFolder() + "/drivers.xml";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const IndiDriverEntry& e : ReadIndiTelescopeDrivers(path)) {
    // Every entry is a piece of the list: a label without quotes, a plain
    // driver name.
    if (e.driver.empty() || e.label.find('"') != std::string::npos) __builtin_trap();
    if (e.driver.find_first_of(" \t\r\n<") != std::string::npos) __builtin_trap();
    if (text.find(e.label) == std::string::npos || text.find(e.driver) == std::string::npos) __builtin_trap();
  }
  return 0;
}
