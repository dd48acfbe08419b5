// The optics file and lists: a full list kept whole, counts out of range,
// descriptions cut, what a choice gives and deleting a record.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "NumberFormat.h"
#include "Optics.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

OpticsLists TenOfEach() {
  OpticsLists lists;
  lists.m_eyepieceCount = lists.m_ccdCount = lists.m_otherFieldCount = 10;
  for (int i = 0; i < 10; ++i) {
    lists.m_eyepieces[i][0] = 4.0f + i * 2.5f;
    lists.m_eyepieces[i][1] = 1000.0f + i;
    lists.m_eyepieces[i][2] = 52.125f;
    SetOpticsDescription(lists.m_eyepieceDescriptions[i], "Pl\xF6ssl " + std::to_string(i));
    lists.m_ccds[i][0] = 0.5f + i * 0.1f;
    lists.m_ccds[i][1] = 0.25f;
    lists.m_ccds[i][2] = static_cast<float>(i % 3);
    SetOpticsDescription(lists.m_ccdDescriptions[i], "Camera " + std::to_string(i));
    lists.m_otherFields[i] = 1.0f / (i + 1);
    SetOpticsDescription(lists.m_otherFieldDescriptions[i], "Finder " + std::to_string(i));
  }
  return lists;
}

TEST(OpticsFile, FullListsAreWrittenWithTenDecimalsAndReadBackWhole) {
  const OpticsLists lists = TenOfEach();
  ASSERT_TRUE(WriteOpticsFile("oculaires.ini", lists));
  const std::string text = ReadText("oculaires.ini");
  EXPECT_EQ(text.rfind("Num=10\r\nNumCCD=10\r\nNumDivers=10\r\n", 0), 0u) << text.substr(0, 60);
  EXPECT_NE(text.find("[Oculaire 1]\r\nFT=4.0000000000\r\nFO=1000.0000000000\r\nCA=52.1250000000\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("[Divers 10]\r\nD=0.1000000015\r\n"), std::string::npos);
  OpticsLists back;
  ReadOpticsFile("oculaires.ini", back);
  ASSERT_EQ(back.m_eyepieceCount, 10);
  ASSERT_EQ(back.m_ccdCount, 10);
  ASSERT_EQ(back.m_otherFieldCount, 10);
  for (int i = 0; i < 10; ++i) {
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(back.m_eyepieces[i][k], lists.m_eyepieces[i][k]);
      EXPECT_EQ(back.m_ccds[i][k], lists.m_ccds[i][k]);
    }
    EXPECT_EQ(back.m_otherFields[i], lists.m_otherFields[i]);
    EXPECT_STREQ(back.m_eyepieceDescriptions[i], lists.m_eyepieceDescriptions[i]);
    EXPECT_STREQ(back.m_ccdDescriptions[i], lists.m_ccdDescriptions[i]);
  }
}

// A count beyond the capacity keeps the first ten records; a negative or
// missing one gives an empty list. A count out of range marks the file as
// not read whole, so that it is not written again without a copy.
TEST(OpticsFile, CountsOutOfRangeOrMissing) {
  struct Case {
    const char* head;
    int eyepieces, ccds, others;
    bool whole;
  } cases[] = {
      {"Num=-1\r\nNumCCD=11\r\n", 0, 10, 0, false},
      {"Num=11\r\n", 10, 0, 0, false},
      {"Num=1\r\nNumCCD=1\r\nNumDivers=1\r\n", 1, 1, 1, true},
      {"NumDivers=1\r\n", 0, 0, 1, true},
      {"", 0, 0, 0, true},
  };
  for (const Case& c : cases) {
    std::ofstream("oculaires.ini", std::ios::binary | std::ios::trunc)
        << c.head << "\r\n[Oculaire 1]\r\nFT=25\r\nFO=1000\r\nCA=52\r\n[CCD 1]\r\nLO=1\r\nLA=1\r\n[Divers 1]\r\nD=2\r\n";
    OpticsLists lists;
    std::string problem;
    EXPECT_EQ(ReadOpticsFile("oculaires.ini", lists, &problem), c.whole) << c.head;
    EXPECT_EQ(problem.empty(), c.whole) << c.head << problem;
    EXPECT_EQ(lists.m_eyepieceCount, c.eyepieces) << c.head;
    EXPECT_EQ(lists.m_ccdCount, c.ccds) << c.head;
    EXPECT_EQ(lists.m_otherFieldCount, c.others) << c.head;
  }
  // Eleven eyepieces: the first ten are kept.
  {
    std::ofstream out("oculaires.ini", std::ios::binary | std::ios::trunc);
    out << "Num=11\r\n";
    for (int i = 1; i <= 11; ++i) out << "[Oculaire " << i << "]\r\nFT=" << i << "\r\nFO=1000\r\nCA=52\r\n";
  }
  OpticsLists eleven;
  EXPECT_FALSE(ReadOpticsFile("oculaires.ini", eleven));
  ASSERT_EQ(eleven.m_eyepieceCount, 10);
  EXPECT_EQ(eleven.m_eyepieces[9][0], 10.0f);
  OpticsLists missing = TenOfEach();
  EXPECT_TRUE(ReadOpticsFile("no-such-file.ini", missing));
  EXPECT_EQ(missing.m_eyepieceCount + missing.m_ccdCount + missing.m_otherFieldCount, 0);
}

TEST(OpticsFile, LongDescriptionsAreCutTo49Characters) {
  const std::string longText(80, 'x');
  std::ofstream("oculaires.ini", std::ios::binary | std::ios::trunc)
      << "Num=1\r\n\r\n[Oculaire 1]\r\nFT=1\r\nFO=1\r\nCA=1\r\nDescription=" << longText << "\r\n";
  OpticsLists lists;
  ReadOpticsFile("oculaires.ini", lists);
  EXPECT_EQ(std::string(lists.m_eyepieceDescriptions[0]), longText.substr(0, 49));
}

TEST(OpticsChoice, EyepiecesGiveFieldAndMagnificationCamerasTheirSize) {
  OpticsLists lists;
  lists.m_eyepieceCount = 2;
  lists.m_eyepieces[0][0] = 25, lists.m_eyepieces[0][1] = 1000, lists.m_eyepieces[0][2] = 52;
  lists.m_eyepieces[1][0] = 25, lists.m_eyepieces[1][1] = 0, lists.m_eyepieces[1][2] = 52;
  lists.m_ccdCount = 1;
  lists.m_ccds[0][0] = 0.8f, lists.m_ccds[0][1] = 0.6f, lists.m_ccds[0][2] = 2;
  lists.m_otherFieldCount = 1;
  lists.m_otherFields[0] = 5;

  const OpticsChoice eyepiece = ChooseOptics(lists, 0, 0);
  EXPECT_FLOAT_EQ(eyepiece.magnification, 40.0f);
  EXPECT_FLOAT_EQ(eyepiece.fieldOfView, 1.3f);
  EXPECT_EQ(FormatC("Field of view : %3.4f \xB0.  Magnification : %5.1f x", eyepiece.fieldOfView,
                    eyepiece.magnification),
            "Field of view : 1.3000 \xB0.  Magnification :  40.0 x");
  EXPECT_EQ(ChooseOptics(lists, 0, 1).fieldOfView, 0.0f);  // a value missing: no field
  const OpticsChoice ccd = ChooseOptics(lists, 1, 0);
  EXPECT_EQ(ccd.fieldOfView + ccd.magnification, 0.0f);
  EXPECT_FLOAT_EQ(ccd.ccdWidth, 0.8f);
  EXPECT_FLOAT_EQ(ccd.ccdHeight, 0.6f);
  EXPECT_FLOAT_EQ(ccd.ccdMountType, 2.0f);
  EXPECT_FLOAT_EQ(ChooseOptics(lists, 2, 0).fieldOfView, 5.0f);
  // An index never picked on this tab chooses nothing.
  for (int index : {-1, 1, 10}) EXPECT_EQ(ChooseOptics(lists, 1, index).ccdWidth, 0.0f) << index;
}

TEST(OpticsChoice, DeletingTheMiddleRecordMovesTheLastUp) {
  OpticsLists lists;
  lists.m_otherFieldCount = 3;
  for (int i = 0; i < 3; ++i) {
    lists.m_otherFields[i] = static_cast<float>(i + 1);
    SetOpticsDescription(lists.m_otherFieldDescriptions[i], std::to_string(i + 1));
  }
  EXPECT_TRUE(DeleteOpticsRecord(lists, 2, 1));
  EXPECT_FALSE(DeleteOpticsRecord(lists, 2, 2));
  ASSERT_EQ(lists.m_otherFieldCount, 2);
  EXPECT_EQ(lists.m_otherFields[1], 3.0f);
  EXPECT_STREQ(lists.m_otherFieldDescriptions[1], "3");
  ASSERT_TRUE(WriteOpticsFile("oculaires.ini", lists));
  const std::string text = ReadText("oculaires.ini");
  EXPECT_NE(text.find("[Divers 2]\r\nD=3.0000000000\r\nDescription=3"), std::string::npos);
  EXPECT_EQ(text.find("[Divers 3]"), std::string::npos);
}

}  // namespace
