#pragma once
// A fresh folder of the fuzz run's own for the files a target must write
// (made in $TMPDIR, else /tmp, on first use, removed when the run ends).
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::string& FuzzScratchFolder() {
  // Never destroyed: the removal at exit runs after the static destructors
  // registered later, and must still read the name.
  static const std::string* folder = [] {
    const char* temp = std::getenv("TMPDIR");
    auto* made = new std::string(std::string(temp && *temp ? temp : "/tmp") + "/nvfuzz-XXXXXX");
    if (!::mkdtemp(made->data())) std::abort();
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(*folder, ignored);
    });
    return made;
  }();
  return *folder;
}
