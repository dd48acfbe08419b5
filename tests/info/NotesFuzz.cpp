// libFuzzer target: arbitrary bytes as the notes file, every kind of note
// read as text and as rich text, and one saved back. Built in a fuzz build
// only.
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzScratch.h"
#include "Notes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = FuzzScratchFolder();
  const CString install(folder.c_str());
  FILE* f = std::fopen(NotesFilePath(install).c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  for (int category = NOTE_DEEP_SKY; category <= NOTE_SETI; ++category)
    for (int number : {0, 1, 2}) {
      CString text, rtf;
      AppendObjectNote(install, category, number, text, false);
      AppendObjectNote(install, category, number, rtf, true);
    }
  // The stored form read back from arbitrary text, both ways.
  const CString stored(std::string(reinterpret_cast<const char*>(data), size).c_str());
  (void)DecodeNote(stored, false);
  (void)DecodeNote(stored, true);
  (void)SaveObjectNote(install, NOTE_PLANETS, 3, CString("a note\r\nof two lines"));
  return 0;
}
