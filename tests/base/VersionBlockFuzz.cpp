// libFuzzer target: arbitrary bytes as a program or library file whose
// version block is read (an ELF image and its section), and every text of
// the block asked for. Built in a fuzz build only.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FileVersionInfo.h"
#include "FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzScratchFolder() + "/program.bin";
  const std::vector<unsigned char> image(data, data + size);
  std::vector<unsigned char> section;
  (void)FindElfSection(image, ".nvversion", section);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  CFileVersionInfo info;
  if (!info.Open(path.c_str())) return 0;
  unsigned char fixed[52];
  (void)info.GetFixedFileInfo(fixed);
  (void)info.GetFileVersionText();
  for (const char* name : {"CompanyName", "FileDescription", "FileVersion", "ProductName", "PrivateBuild", "", "x"})
    (void)info.GetStringValue(0, name);
  (void)info.GetStringValue(info.Translation(), "ProductVersion");
  return 0;
}
