// libFuzzer target: arbitrary bytes as the optics file, read, each record
// chosen, written back and read again. Built in a fuzz build only.
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzScratch.h"
#include "Optics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzScratchFolder() + "/oculaires.ini";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  OpticsLists lists;
  ReadOpticsFile(path, lists);
  for (int tab = 0; tab < 3; ++tab) {
    const int count = OpticsCount(lists, tab);
    if (count < 0 || count > kOpticsCapacity) __builtin_trap();
    for (int i = -1; i <= count; ++i) (void)ChooseOptics(lists, tab, i);
  }
  for (const auto& d : lists.m_eyepieceDescriptions)
    if (d[kOpticsDescriptionSize - 1] != '\0') __builtin_trap();
  if (WriteOpticsFile(path, lists)) {
    OpticsLists again;
    ReadOpticsFile(path, again);
    for (int tab = 0; tab < 3; ++tab)
      if (OpticsCount(again, tab) != OpticsCount(lists, tab)) __builtin_trap();
  }
  return 0;
}
