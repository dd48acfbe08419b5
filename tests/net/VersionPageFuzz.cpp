// libFuzzer target: arbitrary text as the maker's version page, compared
// with installed versions, and as a version text. Built in a fuzz build only.
#include <cstdint>
#include <string>

#include "ProgramUpdate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string block(reinterpret_cast<const char*>(data), size);
  VersionPage page = ParseVersionPage(block);
  for (float installed : {0.0f, 1.001f, 2.007f, 1e30f}) {
    std::array<float, kComponentCount> versions;
    versions.fill(installed);
    VersionPage copy = page;
    (void)BuildUpdateList(copy, versions);
  }
  (void)VersionNumberFromText(block.substr(0, 64));
  for (const std::string& v : page.version) (void)VersionNumberFromText(v);
  return 0;
}
