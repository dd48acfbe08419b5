#pragma once
// A fresh folder of the fuzz run's own for the files a target must write
// (made in $TMPDIR, else /tmp, on first use, removed when the run ends).
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::string& FuzzScratchFolder() {
  static const std::string folder = [] {
    const char* temp = std::getenv("TMPDIR");
    std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/nvfuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(FuzzScratchFolder(), ignored);
    });
    return pattern;
  }();
  return folder;
}
