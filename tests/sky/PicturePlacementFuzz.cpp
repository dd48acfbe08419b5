// libFuzzer target: arbitrary bytes as the deep-sky picture placement file
// ("\Textures\CP\CP.ini"), read and written back. Built in a fuzz build only.
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "FuzzScratch.h"
#include "SkyModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = [] {
    const std::string f = FuzzScratchFolder() + "/pictures";
    for (const char* sub : {"", "/Textures", "/Textures/CP"}) ::mkdir((f + sub).c_str(), 0755);
    return f;
  }();
  FILE* f = std::fopen((folder + "/Textures/CP/CP.ini").c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  CSkyModel sky;
  sky.m_installFolder = folder.c_str();
  if (!sky.LoadDeepSkyPictures()) return 0;
  int count = 0;
  while (count <= kDeepSkyPictureLimit && g_deepSkyPictures[count].objectNumber >= 0) ++count;
  if (count > kDeepSkyPictureLimit) __builtin_trap();
  (void)sky.SaveDeepSkyPictures();
  return 0;
}
