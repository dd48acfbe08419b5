#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
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
