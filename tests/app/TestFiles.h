#pragma once
// Scratch folders and whole-file helpers for the settings tests.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = ::testing::TempDir() + "nvsettings-XXXXXX";
    const char* made = ::mkdtemp(pattern.data());
    path_ = made ? made : "";
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Lines joined with CR LF, each line ended.
inline std::string CrLf(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

inline std::string Fixture(const char* name) { return std::string(NUVARINE_TEST_DATA) + "/" + name; }
