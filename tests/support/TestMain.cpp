// The main of every test program: the tests run inside a fresh temporary
// folder of their own. TMPDIR and GoogleTest's TempDir() point into it, and so
// do the per-user runtime and configuration folders (lock files, the settings
// store), so a test can neither touch the user's files nor leave anything in
// the system's temporary folder. The tests also start in it, so a file made
// by a relative name (a log opened in the current folder) lands there too.
// The folder is removed when the tests end, whatever they left in it.
#include <gtest/gtest.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void RemoveTree(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  // A test may have taken the rights of a folder away to see a failure.
  for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(folder, ignored);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char* base = std::getenv("TMPDIR");
  std::string folder = std::string(base && *base ? base : "/tmp") + "/nvtest-XXXXXX";
  if (!::mkdtemp(folder.data())) {
    std::perror("cannot make the tests' temporary folder");
    return 1;
  }
  const std::string runtime = folder + "/run";
  ::mkdir(runtime.c_str(), 0700);
  ::setenv("TMPDIR", folder.c_str(), 1);
  ::setenv("TEST_TMPDIR", folder.c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
  // No shader cache: tests write nothing outside their folder, and the cache's
  // writer thread, still running at exit, crashes LeakSanitizer's scan.
  ::setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
  if (::chdir(folder.c_str()) != 0) {
    std::perror("cannot enter the tests' temporary folder");
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  RemoveTree(folder);
#if defined(__SANITIZE_ADDRESS__)
  // Leaks are looked for now, while the toolkit's and the GL driver's threads
  // still wait idle: at exit they are torn down, and LeakSanitizer's scan of a
  // thread being torn down can crash ("Tracer caught signal 11").
  __lsan_do_leak_check();
#endif
  return result;
}
