// Fuzz target: arbitrary bytes as the installed version files (update,
// 3D objects, textures, help) and as the program's and the planet library's
// version texts, compared with a version page offering every component.
// The input is cut at 0x01 bytes into those six parts; a part that is not
// there leaves its file missing.
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "ProgramUpdate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  static const std::string folder = [] {
    const std::string f = FuzzScratchFolder() + "/install";
    for (const char* sub : {"/update", "/Objets", "/Textures"}) fs::create_directories(f + sub);
    return f;
  }();
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0x01) parts.emplace_back();
    else parts.back() += static_cast<char>(data[i]);
  }
  const char* files[] = {"/update/version.txt", "/Objets/version.txt", "/Textures/version.txt", "/versionaide.txt"};
  for (size_t i = 0; i < 4; ++i) {
    const std::string path = folder + files[i];
    std::error_code ignored;
    fs::remove(path, ignored);
    if (i >= parts.size()) continue;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) continue;
    std::fwrite(parts[i].data(), 1, parts[i].size(), f);
    std::fclose(f);
  }
  const std::string program = parts.size() > 4 ? parts[4] : "2.0.0 R7";
  const std::string library = parts.size() > 5 ? parts[5] : "1.0.0 R1";
  const std::array<float, kComponentCount> installed = InstalledVersions(folder, program, library);
  VersionPage page;
  for (int c = 0; c < kComponentCount; ++c) {
    page.url[c] = "http://127.0.0.1/package" + std::to_string(c);
    page.version[c] = c % 2 ? "2.0081" : "1.002";
  }
  const std::string list = BuildUpdateList(page, installed);
  // Only components offered as newer stay to be fetched, and each is listed.
  for (int c = 0; c < kComponentCount; ++c) {
    const float offered = c % 2 ? 2.0081f : 1.002f;
    if (!page.url[c].empty() && !(offered - installed[c] > 0.00001f)) __builtin_trap();
  }
  if (list.size() > 4096) __builtin_trap();
  return 0;
}
