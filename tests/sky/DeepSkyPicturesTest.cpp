// The deep-sky picture list and its file: empty without a file, the end
// mark, the 500-picture limit and a save/load round trip.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "SkyModel.h"

namespace {

namespace fs = std::filesystem;

class DeepSkyPicturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("nv_pictures_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder);
    fs::create_directories(folder / "Textures" / "CP");
    model.m_installFolder = folder.string();
    for (DeepSkyPicture& p : g_deepSkyPictures) p = DeepSkyPicture{CString("stale.jpg"), 7, 2.0f, 1.0f, 1.0f, 1.0f};
  }
  void TearDown() override { fs::remove_all(folder); }

  // Sections "Object number i" for the given indices, object number = 100 + i
  // unless a number is given.
  void WriteFile(int first, int last, int gapAt = -1, int negativeAt = -1) {
    std::ofstream out(folder / "Textures" / "CP" / "CP.ini", std::ios::binary);
    for (int i = first; i <= last; ++i) {
      if (i == gapAt) continue;
      out << "[Object number " << i << "]\r\nFile=p" << i << ".jpg\r\nScale=1.5\r\nNumber="
          << (i == negativeAt ? -5 : 100 + i) << "\r\nAD translation=0.25\r\nDe translation=-0.5\r\nRotation=30\r\n";
    }
  }
  int Count() const {
    int n = 0;
    while (n <= kDeepSkyPictureLimit && g_deepSkyPictures[n].objectNumber != -1) ++n;
    return n;
  }

  fs::path folder;
  CSkyModel model;
};

TEST_F(DeepSkyPicturesTest, MissingFileGivesAnEmptyList) {
  EXPECT_TRUE(model.LoadDeepSkyPictures());
  EXPECT_EQ(g_deepSkyPictures[0].objectNumber, -1);
}

TEST_F(DeepSkyPicturesTest, ListEndsAtAGapOrANegativeNumber) {
  struct Case {
    int gapAt, negativeAt, expected;
  } cases[] = {{4, -1, 4}, {-1, 2, 2}, {-1, 0, 0}};
  for (const Case& c : cases) {
    WriteFile(0, 9, c.gapAt, c.negativeAt);
    model.LoadDeepSkyPictures();
    EXPECT_EQ(Count(), c.expected) << c.gapAt << " " << c.negativeAt;
  }
  WriteFile(0, 9, 4);
  model.LoadDeepSkyPictures();
  const DeepSkyPicture& p = g_deepSkyPictures[3];
  EXPECT_EQ(p.fileName, "p3.jpg");
  EXPECT_EQ(p.objectNumber, 103);
  EXPECT_FLOAT_EQ(p.scale, 1.5f);
  EXPECT_FLOAT_EQ(p.raOffset, 0.25f);
  EXPECT_FLOAT_EQ(p.decOffset, -0.5f);
  EXPECT_FLOAT_EQ(p.rotation, 30.0f);
}

TEST_F(DeepSkyPicturesTest, AtMostFiveHundredPictures) {
  WriteFile(0, 599);
  model.LoadDeepSkyPictures();
  EXPECT_EQ(Count(), kDeepSkyPictureLimit);
  EXPECT_EQ(g_deepSkyPictures[499].objectNumber, 599);
  EXPECT_EQ(g_deepSkyPictures[kDeepSkyPictureLimit].objectNumber, -1);

  // Saving writes the 500 pictures and no more.
  ASSERT_TRUE(model.SaveDeepSkyPictures());
  for (DeepSkyPicture& p : g_deepSkyPictures) p.objectNumber = 1;
  model.LoadDeepSkyPictures();
  EXPECT_EQ(Count(), kDeepSkyPictureLimit);
}

TEST_F(DeepSkyPicturesTest, SaveAndLoadGiveTheSameList) {
  const DeepSkyPicture pictures[] = {
      {CString("m42.jpg"), 1879, 2.345678f, -1.25f, 0.125f, -37.5f},
      {CString("n7000 north america.jpg"), 0, 0.1f, 1e-3f, -2.75f, 359.9f},
      {CString("m31.jpg"), 10999, 12.5f, 0.0f, 0.0f, 0.0f},
  };
  for (int i = 0; i < 3; ++i) g_deepSkyPictures[i] = pictures[i];
  g_deepSkyPictures[3].objectNumber = -1;
  ASSERT_TRUE(model.SaveDeepSkyPictures());
  for (DeepSkyPicture& p : g_deepSkyPictures) p = DeepSkyPicture{CString(), 5, 0, 0, 0, 0};
  ASSERT_TRUE(model.LoadDeepSkyPictures());
  ASSERT_EQ(Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const DeepSkyPicture& p = g_deepSkyPictures[i];
    EXPECT_EQ(p.fileName, pictures[i].fileName);
    EXPECT_EQ(p.objectNumber, pictures[i].objectNumber);
    EXPECT_FLOAT_EQ(p.scale, pictures[i].scale);
    EXPECT_FLOAT_EQ(p.raOffset, pictures[i].raOffset);
    EXPECT_FLOAT_EQ(p.decOffset, pictures[i].decOffset);
    EXPECT_FLOAT_EQ(p.rotation, pictures[i].rotation);
  }
  // The file holds one section per picture and no comment section.
  std::ifstream in(folder / "Textures" / "CP" / "CP.ini", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("[Object number 2]"), std::string::npos);
  EXPECT_EQ(text.find("[Object number 3]"), std::string::npos);
  EXPECT_EQ(text.find("Deep Sky"), std::string::npos);
  EXPECT_NE(text.find("Scale=2.3456780910"), std::string::npos);  // "%.10f" of the float
}

}  // namespace
