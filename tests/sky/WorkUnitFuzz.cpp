// libFuzzer target: arbitrary bytes as a volunteer-computing client's state
// file and the work-unit file it names (the input split at its first NUL;
// the unit is stored under the name "wu"). Built in a fuzz build only.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "FuzzScratch.h"
#include "SkyModel.h"

namespace {
void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = [] {
    const std::string f = FuzzScratchFolder() + "/boinc";
    for (const char* sub : {"", "/projects", "/projects/setiathome.berkeley.edu"}) ::mkdir((f + sub).c_str(), 0755);
    return f;
  }();
  const uint8_t* cut = static_cast<const uint8_t*>(std::memchr(data, 0, size));
  const size_t stateSize = cut ? static_cast<size_t>(cut - data) : size;
  WriteFile(folder + "/client_state.xml", data, stateSize);
  WriteFile(folder + "/projects/setiathome.berkeley.edu/wu", cut ? cut + 1 : data, cut ? size - stateSize - 1 : 0);
  CSkyModel sky;
  if (sky.LoadSetiWorkUnit((folder + "/client_state.xml").c_str()) && sky.m_setiWorkUnitName.GetLength() > 256)
    __builtin_trap();
  return 0;
}
