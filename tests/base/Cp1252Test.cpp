#include <gtest/gtest.h>

#include "Cp1252.h"

TEST(Cp1252, EveryByteRoundTripsThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Cp1252, KnownCharacters) {
  EXPECT_EQ(Cp1252ToUtf8("\xB0"), "\xC2\xB0");           // degree sign
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");       // euro
  EXPECT_EQ(Cp1252ToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");  // été
  EXPECT_EQ(Utf8ToCp1252("\xE2\x80\x9C" "a" "\xE2\x80\x9D"), "\x93" "a" "\x94");
}

TEST(Cp1252, UnmappableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");          // CJK character
  EXPECT_EQ(Utf8ToCp1252("a\xFF" "b"), "a?b");           // invalid lead byte
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");                // truncated sequence
  EXPECT_EQ(Utf8ToCp1252("\xC3" "b"), "?b");             // missing continuation
}
