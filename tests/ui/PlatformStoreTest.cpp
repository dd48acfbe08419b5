#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "Registry.h"
#include "Sync.h"

namespace {

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "/" + name + std::to_string(getpid());
}

}  // namespace

TEST(RegistryStore, KeysAndValuesSurviveAndMatchWithoutCase) {
  std::string path = TempPath("registry");
  std::remove(path.c_str());
  SetRegistryStorePath(path);
  CRegKey missing;
  EXPECT_EQ(missing.Open(HKEY_CURRENT_USER, "Software\\Nuvarine2"), ERROR_FILE_NOT_FOUND);

  CRegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2"), ERROR_SUCCESS);
  EXPECT_EQ(key.SetStringValue("ChargementNuages", "2454000.5"), ERROR_SUCCESS);
  EXPECT_EQ(key.SetDWORDValue("Count", 42), ERROR_SUCCESS);

  CRegKey again;
  ASSERT_EQ(again.Open(HKEY_CURRENT_USER, "software\\NUVARINE2"), ERROR_SUCCESS);
  std::string value;
  EXPECT_EQ(again.QueryStringValue("chargementnuages", value), ERROR_SUCCESS);
  EXPECT_EQ(value, "2454000.5");
  DWORD count = 0;
  EXPECT_EQ(again.QueryDWORDValue("Count", count), ERROR_SUCCESS);
  EXPECT_EQ(count, 42u);
  EXPECT_EQ(again.QueryStringValue("ActualisationPO", value), ERROR_FILE_NOT_FOUND);

  // A buffer too small gets a terminated prefix and the size it needs.
  char small[5];
  unsigned long chars = sizeof(small);
  EXPECT_EQ(again.QueryStringValue("ChargementNuages", small, &chars), ERROR_MORE_DATA);
  EXPECT_STREQ(small, "2454");
  EXPECT_EQ(chars, 10u);

  // A line break cannot split the stored line.
  EXPECT_EQ(key.SetStringValue("Text", "a\r\nb=c"), ERROR_SUCCESS);
  EXPECT_EQ(again.QueryStringValue("Text", value), ERROR_SUCCESS);
  EXPECT_EQ(value, "a  b=c");
  SetRegistryStorePath("");
  std::remove(path.c_str());
}

// A store that is there but cannot be read is never replaced, and a save
// leaves no temporary file behind.
TEST(RegistryStore, UnreadableStoreIsNeverReplaced) {
  const std::string folder = TempPath("unreadable");
  mkdir(folder.c_str(), 0700);
  const std::string path = folder + "/registry.ini", target = folder + "/elsewhere.txt";
  { std::ofstream(target) << "not the store\n"; }
  struct Case {
    const char* what;
    bool link;
  } cases[] = {{"a link", true}, {"a folder", false}};
  for (const Case& c : cases) {
    std::remove(path.c_str());
    ::rmdir(path.c_str());
    ASSERT_EQ(c.link ? ::symlink(target.c_str(), path.c_str()) : ::mkdir(path.c_str(), 0700), 0) << c.what;
    SetRegistryStorePath(path);
    CRegKey key;
    EXPECT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2"), ERROR_WRITE_FAULT) << c.what;
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0) << c.what;
    EXPECT_EQ(c.link ? S_ISLNK(st.st_mode) : S_ISDIR(st.st_mode), true) << c.what;
    // And the start can say why nothing will be kept.
    const std::string problem = GetRegistryStoreProblem();
    EXPECT_NE(problem.find(path + " is not a file (" + c.what + ")"), std::string::npos) << problem;
  }
  std::ifstream in(target);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "not the store\n");
  ::rmdir(path.c_str());
  // A save writes the store alone, readable by its owner only.
  SetRegistryStorePath(path);
  CRegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2"), ERROR_SUCCESS);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  int entries = 0;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(d)) entries += e->d_name[0] != '.';
    ::closedir(d);
  }
  EXPECT_EQ(entries, 2);  // the store and the other file
  SetRegistryStorePath("");
  std::remove(path.c_str());
  std::remove(target.c_str());
  ::rmdir(folder.c_str());
}

// Why a store cannot be kept, told once at start: its folder cannot be made
// or written (a read-only home, a file where the folder should be), or the
// store cannot be read; none when it can be kept.
TEST(RegistryStore, AnUnusableStoreSaysWhy) {
  const std::string folder = TempPath("unusable");
  mkdir(folder.c_str(), 0700);
  const std::string blocker = folder + "/config";
  { std::ofstream(blocker) << "a file where a folder should be\n"; }
  const std::string inside = blocker + "/Nuvarine2/registry.ini";
  SetRegistryStorePath(inside);
  std::string problem = GetRegistryStoreProblem();
  EXPECT_NE(problem.find(inside + " cannot be reached ("), std::string::npos) << problem;
  CRegKey key;
  EXPECT_NE(key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2"), ERROR_SUCCESS);

  const std::string missingFolder = folder + "/absent/registry.ini";
  SetRegistryStorePath(missingFolder);
  problem = GetRegistryStoreProblem();
  EXPECT_NE(problem.find("the folder " + folder + "/absent of the settings store cannot be written"), std::string::npos)
      << problem;

  const std::string store = folder + "/registry.ini";
  SetRegistryStorePath(store);
  EXPECT_EQ(GetRegistryStoreProblem(), "");
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2"), ERROR_SUCCESS);
  EXPECT_EQ(GetRegistryStoreProblem(), "");
  if (::geteuid() != 0) {  // permissions bind every user but the superuser
    ASSERT_EQ(::chmod(store.c_str(), 0), 0);
    problem = GetRegistryStoreProblem();
    EXPECT_NE(problem.find(store + " cannot be read ("), std::string::npos) << problem;
    ::chmod(store.c_str(), 0600);
    ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);
    problem = GetRegistryStoreProblem();
    EXPECT_NE(problem.find("the folder " + folder + " of the settings store cannot be written ("),
              std::string::npos)
        << problem;
    ::chmod(folder.c_str(), 0700);
  }
  SetRegistryStorePath("");
  std::remove(store.c_str());
  std::remove(blocker.c_str());
  ::rmdir(folder.c_str());
}

// With neither HOME nor XDG_CONFIG_HOME, the store goes to the private
// per-user folder in TMPDIR, and only when that folder is really private.
TEST(RegistryStore, WithoutHomeOnlyAPrivateFolderHoldsTheStore) {
  const char* saved[3] = {std::getenv("HOME"), std::getenv("XDG_CONFIG_HOME"), std::getenv("TMPDIR")};
  const std::string keep[3] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "", saved[2] ? saved[2] : ""};
  const std::string temp = TempPath("tmpdir");
  mkdir(temp.c_str(), 0700);
  const std::string folder = temp + "/nuvarine-" + std::to_string(getuid());
  const std::string victim = temp + "/victim";
  ::unsetenv("HOME");
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("TMPDIR", temp.c_str(), 1);
  struct Case {
    const char* what;
    void (*plant)(const std::string& folder, const std::string& victim);
    const char* reason;
  } cases[] = {
      {"a link to another folder",
       [](const std::string& f, const std::string& v) { ASSERT_EQ(::symlink(v.c_str(), f.c_str()), 0); },
       "not a folder"},
      {"a folder others can write",
       [](const std::string& f, const std::string&) {
         ASSERT_EQ(::mkdir(f.c_str(), 0700), 0);
         ASSERT_EQ(::chmod(f.c_str(), 0777), 0);
       },
       "others can write in it"},
  };
  mkdir(victim.c_str(), 0700);
  for (const Case& c : cases) {
    ::unlink(folder.c_str());
    ::rmdir(folder.c_str());
    c.plant(folder, victim);
    SetRegistryStorePath("");
    EXPECT_EQ(GetRegistryStorePath(), "") << c.what;
    const std::string problem = GetRegistryStoreProblem();
    EXPECT_NE(problem.find(folder), std::string::npos) << c.what << ": " << problem;
    EXPECT_NE(problem.find(c.reason), std::string::npos) << c.what << ": " << problem;
    CRegKey key;
    EXPECT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2"), ERROR_WRITE_FAULT) << c.what;
    EXPECT_NE(::access((victim + "/registry.ini").c_str(), F_OK), 0) << c.what;
  }
  ::unlink(folder.c_str());
  ::rmdir(folder.c_str());
  SetRegistryStorePath("");
  EXPECT_EQ(GetRegistryStorePath(), folder + "/registry.ini");
  EXPECT_EQ(GetRegistryStoreProblem(), "");
  CRegKey key;
  EXPECT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2"), ERROR_SUCCESS);
  struct stat st {};
  ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  std::remove((folder + "/registry.ini").c_str());
  ::rmdir(folder.c_str());
  ::rmdir(victim.c_str());
  ::rmdir(temp.c_str());
  const char* names[3] = {"HOME", "XDG_CONFIG_HOME", "TMPDIR"};
  for (int i = 0; i < 3; ++i)
    if (saved[i]) ::setenv(names[i], keep[i].c_str(), 1);
    else ::unsetenv(names[i]);
  SetRegistryStorePath("");
}

TEST(SingleInstance, OnlyOneOwnerAtATime) {
  std::string runtime = TempPath("runtime");
  mkdir(runtime.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  auto* first = new CMutex(TRUE, "UITESTLOCK", nullptr);
  EXPECT_TRUE(first->Lock(0));
  CMutex second(TRUE, "UITESTLOCK", nullptr);
  EXPECT_FALSE(second.Lock(0));
  EXPECT_FALSE(second.Lock(30));
  delete first;  // the owner ends: the lock is free again
  EXPECT_TRUE(second.Lock(0));
  CMutex other(TRUE, "OTHERNAME", nullptr);
  EXPECT_TRUE(other.Lock(0));
}
