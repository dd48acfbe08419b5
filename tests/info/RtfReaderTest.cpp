// The reader of the program's rich-text subset: formats, escapes, code-page
// bytes, skipped words and groups, and malformed input.
#include <gtest/gtest.h>

#include "RtfReader.h"

namespace {

const char kHeader[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss MS Sans Serif;}"
    "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fswiss Arial;}}{\\colortbl\\red0\\green0\\blue0;}";

RtfCharFormat Format(int font, int halfPoints, bool bold = false, bool italic = false, bool underline = false) {
  RtfCharFormat f;
  f.font = font;
  f.halfPoints = halfPoints;
  f.bold = bold;
  f.italic = italic;
  f.underline = underline;
  return f;
}

TEST(RtfReader, HeaderAndFontTable) {
  const RtfDocument doc = ReadRtf(std::string(kHeader) + "\\f2\\fs26 Mars\\par\\par}");
  ASSERT_EQ(doc.fonts.size(), 3u);
  EXPECT_EQ(doc.fonts[0], "MS Sans Serif");
  EXPECT_EQ(doc.fonts[1], "Symbol");
  EXPECT_EQ(doc.fonts[2], "Arial");
  EXPECT_EQ(doc.defaultFont, 0);
  EXPECT_TRUE(doc.unknownWords.empty());
  ASSERT_EQ(doc.paragraphs.size(), 3u);
  ASSERT_EQ(doc.paragraphs[0].runs.size(), 1u);
  EXPECT_EQ(doc.paragraphs[0].runs[0].text, "Mars");
  EXPECT_EQ(doc.paragraphs[0].runs[0].format, Format(2, 26));
  EXPECT_EQ(doc.PlainText(), "Mars\n\n");
}

// Every control word of the subset gives its run.
TEST(RtfReader, RunsOfEveryControlWord) {
  const std::string text = std::string(kHeader) +
                           "\\f2\\fs26 Name\\par\\plain\\f2\\fs15 ___\\par"
                           "\\par\\par\\plain\\f2\\fs24\\ul Local information :"
                           "\\plain\\par\\par\\f2\\fs18    RA  =  5 h\\tab x\ty"
                           "\\par \\b bold\\b0  \\i it\\i0  \\ul u\\ul0  n"
                           "\\par\\plain plain"
                           "\\par a\\\\b\\{c\\}d\\'e9"
                           "\\par\\par}";
  const RtfDocument doc = ReadRtf(text);
  EXPECT_TRUE(doc.unknownWords.empty());
  struct Expected {
    size_t paragraph;
    size_t run;
    std::string text;
    RtfCharFormat format;
  } cases[] = {
      {0, 0, "Name", Format(2, 26)},
      {1, 0, "___", Format(2, 15)},
      {4, 0, "Local information :", Format(2, 24, false, false, true)},
      // "\par    RA": the blank after the word is its delimiter, three remain.
      {6, 0, "   RA  =  5 h\tx\ty", Format(2, 18)},
      {7, 0, "bold", Format(2, 18, true)},
      {7, 1, " ", Format(2, 18)},
      {7, 2, "it", Format(2, 18, false, true)},
      {7, 3, " ", Format(2, 18)},
      {7, 4, "u", Format(2, 18, false, false, true)},
      {7, 5, " n", Format(2, 18)},
      // \plain: font 0 at 12 points.
      {8, 0, "plain", Format(0, 24)},
      {9, 0, "a\\b{c}d\xC3\xA9", Format(0, 24)},
  };
  ASSERT_EQ(doc.paragraphs.size(), 12u);
  for (const Expected& e : cases) {
    ASSERT_LT(e.run, doc.paragraphs[e.paragraph].runs.size()) << e.text;
    const RtfRun& run = doc.paragraphs[e.paragraph].runs[e.run];
    EXPECT_EQ(run.text, e.text);
    EXPECT_EQ(run.format, e.format) << e.text;
  }
  EXPECT_TRUE(doc.paragraphs[2].runs.empty());
  EXPECT_TRUE(doc.paragraphs[5].runs.empty());
}

TEST(RtfReader, CodePageBytes) {
  struct Case {
    std::string rtf;
    std::string text;
  } cases[] = {
      {"{\\rtf1 12\xB0 caf\xE9 5\x80}", "12\xC2\xB0 caf\xC3\xA9 5\xE2\x82\xAC"},
      {"{\\rtf1 12\\'b0 caf\\'E9 5\\'80}", "12\xC2\xB0 caf\xC3\xA9 5\xE2\x82\xAC"},
      {"{\\rtf1 \\'zz\\'4}", "zz4"},  // a broken escape drops only itself
  };
  for (const Case& c : cases) EXPECT_EQ(ReadRtf(c.rtf).PlainText(), c.text) << c.rtf;
}

TEST(RtfReader, SkipsUnknownWordsAndStarredGroups) {
  const RtfDocument doc =
      ReadRtf("{\\rtf1\\ansi{\\*\\generator Writer \\b x;}\\lang1036 A\\foo-12 B{\\info{\\title T}}C}");
  EXPECT_EQ(doc.PlainText(), "ABTC");
  const std::vector<std::string> unknown{"lang", "foo", "info", "title"};
  EXPECT_EQ(doc.unknownWords, unknown);
}

TEST(RtfReader, EscapedInsertedTextReadsAsTyped) {
  const std::vector<std::string> notes = {"a } b", "C:\\notes\\x", "{{}", "plain text", "trailing \\"};
  for (const std::string& note : notes) {
    const std::string rtf = std::string(kHeader) + "\\plain\\f2\\fs18 " + EscapeRtfText(note) + "\\par\\par}";
    const RtfDocument doc = ReadRtf(rtf);
    EXPECT_EQ(doc.paragraphs[0].Text(), note);
    EXPECT_TRUE(doc.unknownWords.empty()) << note;
  }
  EXPECT_EQ(EscapeRtfText("Halley 1P \xE9"), "Halley 1P \xE9");
}

TEST(RtfReader, MalformedInputYieldsWhatItCan) {
  const char* inputs[] = {"", "}", "}}}{", "{\\", "\\'", "{\\rtf1\\fs999999999999999999 x",
                          "{\\f-5 a", "{\\fonttbl{\\f99999999 n;}}", "{\\*", "\\\\\\", "{{{{{{{{{{"};
  for (const char* in : inputs) {
    const RtfDocument doc = ReadRtf(in);
    EXPECT_FALSE(doc.paragraphs.empty()) << in;
  }
  EXPECT_EQ(ReadRtf("{\\rtf1\\fs999999999999999999 x").paragraphs[0].runs[0].text, "x");
}

}  // namespace
