#include "IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TestFiles.h"

namespace {

// Loads `text` as a file and returns the object ready for getters.
void LoadText(CIniFile& ini, const ScratchFolder& dir, const std::string& text) {
  const std::string path = dir.File("in.ini");
  WriteBytes(path, text);
  ASSERT_TRUE(ini.Load(path.c_str()));
}

TEST(IniFile, GettersFollowTheMissingMarkers) {
  ScratchFolder dir;
  CIniFile ini;
  LoadText(ini, dir,
           CrLf({"[S]", "t=True", "lower=true", "upper=TRUE", "false=False", "int=  -42xyz", "nodigits=abc",
                 "empty=", "minint=-2147483648", "upF=1F", "lowf=1f", "dbl=  2.5e1rest", "comma=1,75",
                 "big=99999999999", "inf=inf", "hex=0x10", "name=Some text"}));

  struct Case {
    const char* key;
    bool b;
    long i;
    double d;
  };
  const Case cases[] = {
      {"t", true, 0, 0.0},  // no upper-case F: a number without digits
      {"lower", false, 0, 0.0},
      {"upper", false, 0, 0.0},
      {"false", false, kIniMissingInt, kIniMissingDouble},
      {"int", false, -42, -42.0},
      {"nodigits", false, 0, 0.0},
      {"empty", false, 0, 0.0},
      {"minint", false, -2147483647L - 1, -2147483648.0},
      {"upF", false, kIniMissingInt, kIniMissingDouble},
      {"lowf", false, 1, 1.0},
      {"dbl", false, 2, 25.0},
      {"comma", false, 1, 1.0},
      {"big", false, 2147483647L, 99999999999.0},
      {"inf", false, 0, 0.0},
      {"hex", false, 0, 0.0},
      {"missing", false, kIniMissingInt, kIniMissingDouble},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(ini.GetBool(c.key, "S"), c.b);
    EXPECT_EQ(ini.GetInt(c.key, "S"), c.i);
    EXPECT_EQ(ini.GetDouble(c.key, "S"), c.d);
  }
  EXPECT_EQ(ini.GetValue("name", "S"), "Some text");
  EXPECT_EQ(ini.GetString("NAME", "s"), "Some text");  // names ignore case
  EXPECT_EQ(ini.GetValue("missing", "S"), "");
  EXPECT_EQ(ini.GetValue("name", "Other"), "");
  ini.Close();
}

TEST(IniFile, MissingFileLoadsEmptyAndReportsFailure) {
  ScratchFolder dir;
  CIniFile ini;
  EXPECT_FALSE(ini.Load(dir.File("absent.ini").c_str()));
  EXPECT_EQ(ini.GetInt("k", "S"), kIniMissingInt);
  EXPECT_FALSE(ini.GetBool("k", "S"));
  // The engine is still there: it can be filled and saved.
  ini.SetInt("k", 3, "", "S");
  EXPECT_EQ(ini.GetInt("k", "S"), 3);
  ini.Close();
}

TEST(IniFile, WritesCrLfWithoutBlanksAndSpacesSections) {
  ScratchFolder dir;
  CIniFile ini;
  ASSERT_TRUE(ini.Create());
  EXPECT_TRUE(ini.SetSectionComment("Empty", "; never written"));
  ini.SetInt("Count", 5, "comment ignored", "First");
  ini.SetDouble("Tenth", "", "First", 0.1);
  ini.SetBool("Yes", true, "", "Second");
  ini.SetString("Name", "a b", "", "Second");
  ini.SetInt("Count", -7, "", "First");  // replaced in place
  ini.SetBool("no", false, "", "first");  // same section whatever the case
  ini.SetDouble("Neg", "", "Second", -1234.5);
  const std::string path = dir.File("out.ini");
  EXPECT_TRUE(ini.Save(path.c_str()));
  EXPECT_EQ(ReadBytes(path), CrLf({"[First]", "Count=-7", "Tenth=0.1000000000", "no=False", "", "", "[Second]",
                                   "Yes=True", "Name=a b", "Neg=-1234.5000000000"}));
}

TEST(IniFile, SaveAfterLoadKeepsForeignSectionsAndKeys) {
  ScratchFolder dir;
  const std::string path = dir.File("foreign.ini");
  WriteBytes(path, "; a comment\n[Mine]\nkey = old\nother=1\n[Theirs]\nx=y\n");
  CIniFile ini;
  ASSERT_TRUE(ini.Load(path.c_str()));
  ini.SetString("KEY", "new", "", "mine");
  ini.SetInt("added", 2, "", "Mine");
  EXPECT_TRUE(ini.Save(path.c_str()));

  CIniFile again;
  ASSERT_TRUE(again.Load(path.c_str()));
  EXPECT_EQ(again.GetValue("key", "Mine"), "new");
  EXPECT_EQ(again.GetInt("other", "Mine"), 1);
  EXPECT_EQ(again.GetInt("added", "Mine"), 2);
  EXPECT_EQ(again.GetValue("x", "Theirs"), "y");
  again.Close();
  const std::string text = ReadBytes(path);
  EXPECT_NE(text.find("[Mine]\r\nkey=new\r\nother=1\r\nadded=2\r\n\r\n\r\n[Theirs]\r\nx=y\r\n"), std::string::npos)
      << text;
}

TEST(IniFile, SaveReportsFailureAndLeavesNoTemporaryFile) {
  ScratchFolder dir;
  CIniFile ini;
  ini.Create();
  ini.SetInt("k", 1, "", "S");
  // A folder that does not exist.
  EXPECT_FALSE(ini.Save(dir.File("no/such/folder/x.ini").c_str()));

  // A path that is a folder cannot be replaced by a file.
  const std::string folder = dir.File("folder.ini");
  std::filesystem::create_directory(folder);
  ini.Create();
  ini.SetInt("k", 1, "", "S");
  EXPECT_FALSE(ini.Save(folder.c_str()));
  size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);  // only the folder: no temporary file left behind
}

TEST(IniFile, SaveReplacesALongerFileWhole) {
  ScratchFolder dir;
  const std::string path = dir.File("s.ini");
  WriteBytes(path, std::string(5000, 'x'));
  CIniFile ini;
  ini.Create();
  ini.SetInt("k", 1, "", "S");
  EXPECT_TRUE(ini.Save(path.c_str()));
  EXPECT_EQ(ReadBytes(path), CrLf({"[S]", "k=1"}));
}

TEST(IniFile, ValuesAreSingleLinesOfAtMost999Characters) {
  CIniFile ini;
  ini.Create();
  const std::string longText(1500, 'a');
  ini.SetString("k", longText.c_str(), "", "S");
  EXPECT_EQ(ini.GetValue("k", "S").size(), 999u);
  // A line break cannot smuggle a key into the file.
  ini.SetString("proxy", "host\r\nPlanetarium=True", "", "S");
  EXPECT_EQ(ini.GetValue("proxy", "S"), "host");
  EXPECT_EQ(ini.GetValue("Planetarium", "S"), "");
  ini.Close();
}

}  // namespace

// The copy kept before an unread file is written over costs no time however
// large the file (a 1 GiB settings file held the exit for most of a minute):
// the copy holds the old bytes after the save, and the next copy takes the
// next free name.
TEST(IniFile, CopyBesideAHugeFileIsImmediateAndKeepsTheOldBytes) {
  ScratchFolder dir;
  const std::string path = dir.File("nuvarine.ini");
  WriteBytes(path, "[Old]\r\nkept=1\r\n");
  ASSERT_EQ(truncate(path.c_str(), 1ll << 30), 0);  // sparse: no disk is used
  std::string copy, problem;
  ASSERT_TRUE(KeepCopyBeside(path.c_str(), copy, problem)) << problem;
  EXPECT_EQ(copy, path + ".bak");
  EXPECT_EQ(std::filesystem::file_size(copy), 1ull << 30);

  CIniFile ini;
  ini.Create();
  ini.SetInt("k", 1, "", "New");
  ASSERT_TRUE(ini.Save(path.c_str()));
  EXPECT_EQ(ReadBytes(path), "[New]\r\nk=1\r\n");
  EXPECT_EQ(std::filesystem::file_size(copy), 1ull << 30);
  std::ifstream old(copy, std::ios::binary);
  std::string head(15, '\0');
  old.read(head.data(), 15);
  EXPECT_EQ(head, "[Old]\r\nkept=1\r\n");

  ASSERT_TRUE(KeepCopyBeside(path.c_str(), copy, problem)) << problem;
  EXPECT_EQ(copy, path + ".bak2");
  EXPECT_EQ(ReadBytes(copy), "[New]\r\nk=1\r\n");
}
