// Media search, registry-store strings, bounded copies and the timer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "MediaSearch.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder made the current directory for the test, removed after.
class MediaFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = fs::current_path();
    char pattern[] = "/tmp/nv_media_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    fs::current_path(folder);
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(folder);
  }
  static void Touch(const fs::path& p) {
    fs::create_directories(p.parent_path().empty() ? "." : p.parent_path());
    std::ofstream(p) << "x";
  }
  fs::path previous, folder;
};

}  // namespace

TEST_F(MediaFolder, FindsTheFullPathThenTheBareNameElseReportsNotFound) {
  Touch(folder / "textures" / "Lens.tga");
  Touch(folder / "halo.tga");
  char out[300];
  ASSERT_EQ(FindMediaFile("Textures\\Lens.tga", out, sizeof(out)), S_OK);
  EXPECT_EQ(std::string(out), (folder / "textures" / "Lens.tga").string());
  // Only the bare name exists in the current directory.
  ASSERT_EQ(FindMediaFile("Textures\\halo.tga", out, sizeof(out)), S_OK);
  EXPECT_EQ(std::string(out), "halo.tga");
  // Missing: file not found, and the given name stays printable.
  EXPECT_EQ(FindMediaFile("Textures\\stars\\etoile3.tga", out, sizeof(out)), static_cast<HRESULT>(0x80070002));
  EXPECT_EQ(std::string(out), "Textures\\stars\\etoile3.tga");
  // A folder of that name is not a file.
  fs::create_directories(folder / "Textures" / "dir.tga");
  EXPECT_EQ(FindMediaFile("Textures\\dir.tga", out, sizeof(out)), static_cast<HRESULT>(0x80070002));
  // A missing name longer than the buffer is cut and terminated.
  char small[8];
  EXPECT_EQ(FindMediaFile("/a/b", small, sizeof(small)), static_cast<HRESULT>(0x80070002));
  EXPECT_EQ(std::string(small), "/a/b");
}

TEST_F(MediaFolder, ArgumentAndLengthFailures) {
  Touch(folder / "textures" / "Lens.tga");
  char out[300] = "unchanged";
  EXPECT_EQ(FindMediaFile(nullptr, out, sizeof(out)), E_INVALIDARG);
  EXPECT_EQ(FindMediaFile("Lens.tga", nullptr, 10), E_INVALIDARG);
  EXPECT_EQ(FindMediaFile("Lens.tga", out, 0), E_INVALIDARG);
  // The full path does not fit.
  const int tooShort = static_cast<int>((folder / "textures" / "Lens.tga").string().size());
  EXPECT_EQ(FindMediaFile("Textures\\Lens.tga", out, tooShort), E_FAIL);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(FindMediaFile("Textures\\Lens.tga", out, tooShort + 1), S_OK);
  // No SDK media folder here.
  EXPECT_EQ(GetSdkMediaPath(out, sizeof(out)), E_FAIL);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(GetSdkMediaPath(nullptr, 10), E_INVALIDARG);
}

TEST_F(MediaFolder, RegistryStringsAreAlwaysTerminated) {
  SetRegistryStorePath((folder / "registry.ini").string());
  CRegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2\\Dates"), ERROR_SUCCESS);
  EXPECT_EQ(WriteRegistryString(key, "Comets", "2026-12-10"), S_OK);
  EXPECT_EQ(WriteRegistryString(key, "Comets", nullptr), E_INVALIDARG);
  struct Case {
    const char* value;
    int length;
    const char* fallback;
    const char* expected;
    HRESULT result;
  };
  const Case cases[] = {
      {"Comets", 32, "none", "2026-12-10", S_OK},
      {"Comets", 11, "none", "2026-12-10", S_OK},          // exactly fills with its terminator
      {"Comets", 10, "none", "none", E_FAIL},              // does not fit: the default
      {"Missing", 32, "1900-01-01", "1900-01-01", E_FAIL},
      {"Missing", 5, "1900-01-01", "1900", E_FAIL},        // the default is cut and terminated
      {"Missing", 1, "abc", "", E_FAIL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " " << c.length);
    char out[40];
    std::memset(out, 'Z', sizeof(out));
    EXPECT_EQ(ReadRegistryString(key, c.value, out, c.length, c.fallback), c.result);
    EXPECT_EQ(std::string(out), c.expected);
  }
  char out[4];
  EXPECT_EQ(ReadRegistryString(key, "Comets", nullptr, 4, "x"), E_INVALIDARG);
  CRegKey closed;
  EXPECT_EQ(ReadRegistryString(closed, "Comets", out, 4, "dft"), E_FAIL);
  EXPECT_EQ(std::string(out), "dft");
  SetRegistryStorePath("");
}

TEST(CopyStringBounded, CopiesAndTerminates) {
  char out[6];
  EXPECT_EQ(CopyStringBounded("abc", out, 6), S_OK);
  EXPECT_EQ(std::string(out), "abc");
  EXPECT_EQ(CopyStringBounded("abcdefgh", out, 6), S_OK);
  EXPECT_EQ(std::string(out), "abcde");
  EXPECT_EQ(CopyStringBounded(nullptr, out, 6), E_INVALIDARG);
  EXPECT_EQ(CopyStringBounded("a", nullptr, 6), E_INVALIDARG);
  EXPECT_EQ(CopyStringBounded("a", out, 0), E_INVALIDARG);
}

namespace {
double g_fakeSeconds = 0.0;
double FakeClock() { return g_fakeSeconds; }
}  // namespace

TEST(Timer, CommandsFollowTheClock) {
  SetTimerClock(FakeClock);
  g_fakeSeconds = 100.0;
  EXPECT_EQ(ApplyTimerCommand(TIMER_RESET), 0.0);
  g_fakeSeconds = 100.5;
  EXPECT_DOUBLE_EQ(ApplyTimerCommand(TIMER_ELAPSED_TIME), 0.5);  // since the reset
  g_fakeSeconds = 100.75;
  EXPECT_DOUBLE_EQ(ApplyTimerCommand(TIMER_ELAPSED_TIME), 0.25);  // since the previous call
  EXPECT_DOUBLE_EQ(ApplyTimerCommand(TIMER_APP_TIME), 0.75);
  EXPECT_DOUBLE_EQ(ApplyTimerCommand(TIMER_ABSOLUTE_TIME), 100.75);
  // Stopped, the timer's time stands still (the absolute time does not) and advances by steps.
  g_fakeSeconds = 101.0;
  ApplyTimerCommand(TIMER_STOP);
  g_fakeSeconds = 105.0;
  EXPECT_DOUBLE_EQ(ApplyTimerCommand(TIMER_APP_TIME), 1.0);
  EXPECT_DOUBLE_EQ(ApplyTimerCommand(TIMER_ABSOLUTE_TIME), 105.0);
  ApplyTimerCommand(TIMER_ADVANCE);
  EXPECT_NEAR(ApplyTimerCommand(TIMER_APP_TIME), 1.1, 1e-9);
  EXPECT_NEAR(ApplyTimerCommand(TIMER_ELAPSED_TIME), 0.1, 1e-9);  // the step is the elapsed time
  // Started again: the stopped span no longer counts.
  ApplyTimerCommand(TIMER_START);
  g_fakeSeconds = 106.0;
  EXPECT_NEAR(ApplyTimerCommand(TIMER_APP_TIME), 1.0 + (106.0 - 105.0) + 0.1, 1e-9);
  EXPECT_DOUBLE_EQ(ApplyTimerCommand(static_cast<TimerCommand>(9)), -1.0);
  SetTimerClock(nullptr);
  // The real clock is monotonic, in seconds.
  const double a = ApplyTimerCommand(TIMER_ABSOLUTE_TIME);
  const double b = ApplyTimerCommand(TIMER_ABSOLUTE_TIME);
  EXPECT_GE(b, a);
  EXPECT_LT(b - a, 1.0);
}
