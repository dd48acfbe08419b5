// Data files are opened only when they are regular files, and the
// temporaries a killed save or download left are recognised by their exact
// names only.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "RegularFile.h"

namespace {

namespace fs = std::filesystem;

class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = ::testing::TempDir() + "nvregXXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Make(const std::string& name, const std::string& text = "x") {
    std::ofstream(dir + "/" + name, std::ios::binary) << text;
    return dir + "/" + name;
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
  }
  std::string dir;
};

}  // namespace

// Nobody writes to the pipe: an open that waited for a writer would hang.
TEST_F(ScratchDir, OnlyRegularFilesOpen) {
  const std::string file = Make("plain.dat", "abc");
  ASSERT_EQ(mkfifo((dir + "/pipe.dat").c_str(), 0644), 0);
  fs::create_directory(dir + "/folder.dat");
  fs::create_symlink(file, dir + "/link.dat");

  std::FILE* f = OpenRegularFile(file);
  ASSERT_NE(f, nullptr);
  char text[4] = {};
  EXPECT_EQ(std::fread(text, 1, 3, f), 3u);
  EXPECT_STREQ(text, "abc");
  std::fclose(f);
  f = OpenRegularFile(dir + "/link.dat");  // a link to a regular file is one
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(RegularFileSize(file), 3);

  struct Refused {
    const char* name;
    int error;
  } refused[] = {{"pipe.dat", EINVAL}, {"folder.dat", EISDIR}, {"missing.dat", ENOENT}};
  for (const Refused& r : refused) {
    errno = 0;
    EXPECT_EQ(OpenRegularFile(dir + "/" + r.name), nullptr) << r.name;
    EXPECT_EQ(errno, r.error) << r.name;
    EXPECT_EQ(OpenRegularFileDescriptor(dir + "/" + r.name), -1) << r.name;
    EXPECT_EQ(RegularFileSize(dir + "/" + r.name), -1) << r.name;
  }
}

TEST_F(ScratchDir, LeftTemporariesGoAndNothingElse) {
  const std::string target = Make("cometes2.dat");
  const std::string ini = Make("nuvarine.ini");
  for (const char* name : {"cometes2.dat.part-a1B2c3", "cometes2.dat.part-ZZZZZZ", "nuvarine.ini.Xy12Ab",
                           "nuvarine.ini.000000"})
    Make(name);
  // Look-alikes that are not ours, or not files.
  const std::set<std::string> kept = {"cometes2.dat",          "nuvarine.ini",          "cometes2.dat.part-a1B2c",
                                      "cometes2.dat.part-a1B2c3d", "cometes2.dat.part-a1-2c3", "cometes.dat.part-a1B2c3",
                                      "xcometes2.dat.part-a1B2c3", "nuvarine.ini.backup",   "nuvarine.ini.bak",
                                      "nuvarine.ini.Folder",    "nuvarine.ini.Link12",   "asteroides.dat.part-a1B2c3"};
  for (const std::string& name : kept)
    if (!fs::exists(dir + "/" + name)) Make(name);
  fs::remove(dir + "/nuvarine.ini.Folder");
  fs::create_directory(dir + "/nuvarine.ini.Folder");
  fs::remove(dir + "/nuvarine.ini.Link12");
  fs::create_symlink(target, dir + "/nuvarine.ini.Link12");

  EXPECT_EQ(RemoveLeftTemporaries(target, ".part-"), 2);
  EXPECT_EQ(RemoveLeftTemporaries(ini, "."), 2);
  EXPECT_EQ(Names(), kept);
  EXPECT_TRUE(fs::exists(target)) << "a link's target stays";
  EXPECT_EQ(RemoveLeftTemporaries(dir + "/missing/x.dat", ".part-"), 0);
}
