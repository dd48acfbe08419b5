// libFuzzer target: arbitrary bytes as the endpoints file, then the survey
// tile addresses built from what it set. Built in a fuzz build only.
#include <cstdint>
#include <cstdio>
#include <string>

#include "Endpoints.h"
#include "FuzzScratch.h"
#include "SurveyTiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzScratchFolder() + "/endpoints.ini";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  Endpoints endpoints;
  if (!LoadEndpoints(path, endpoints)) __builtin_trap();
  for (int server = 1; server <= 3; ++server)
    (void)DssTileUrl(endpoints.surveyHost[server - 1], server, 150.0, -12.0, 1, server == 3 ? 3 : 1);
  return 0;
}
