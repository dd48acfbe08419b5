// Runs a fuzz target's entry point once over each file named (folders: every
// regular file inside, in name order), with no fuzzing: the regression run of
// the seed corpora and the hostile inputs in an ordinary (sanitizer) build.
// Each input sits in a heap block of exactly its size, so a read past its end
// is caught. Exit status 77 (skipped) when a folder given after --optional is
// absent and nothing else was run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

namespace {

bool RunOne(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::printf("%s (%zu bytes)\n", file.c_str(), bytes.size());
  std::fflush(stdout);
  std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
  if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());
  LLVMFuzzerTestOneInput(exact.get(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  bool optional = false, ok = true;
  int runs = 0, missing = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--optional") == 0) {
      optional = true;
      continue;
    }
    const fs::path path = argv[i];
    std::error_code error;
    if (fs::is_directory(path, error)) {
      std::vector<fs::path> files;
      for (const auto& entry : fs::recursive_directory_iterator(path, error))
        if (entry.is_regular_file(error)) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const fs::path& f : files) ok &= RunOne(f), ++runs;
    } else if (fs::is_regular_file(path, error)) {
      ok &= RunOne(path), ++runs;
    } else if (optional) {
      std::printf("%s is absent: its inputs are skipped\n", path.c_str());
      ++missing;
    } else {
      std::fprintf(stderr, "%s is absent\n", path.c_str());
      ok = false;
    }
  }
  std::printf("%d inputs run\n", runs);
  if (!ok) return 1;
  return runs == 0 && missing > 0 ? 77 : 0;
}
