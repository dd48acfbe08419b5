#pragma once
// Reader of the rich-text subset the program writes (information texts and
// the events calendar): header words, font and colour tables, font, size,
// plain, paragraph, tab, underline, bold and italic, escaped characters and
// code-page-1252 bytes. No Qt: the rich-text control turns its result into a
// document. Anything else is skipped: unknown words, their parameters and
// "{\*...}" groups. Malformed input never fails; it yields what it can.
#include <string>
#include <string_view>
#include <vector>

struct RtfCharFormat {
  int font = 0;         // index in the font table
  int halfPoints = 24;  // \fsN
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool operator==(const RtfCharFormat&) const = default;
};

// A piece of text in one character format; text is UTF-8, tabs are '\t'.
struct RtfRun {
  std::string text;
  RtfCharFormat format;
};

struct RtfParagraph {
  std::vector<RtfRun> runs;
  std::string Text() const;  // the runs' texts joined
};

struct RtfDocument {
  // Font names by index (\fN of the font table); missing entries are empty.
  std::vector<std::string> fonts;
  int defaultFont = 0;  // \deffN
  // At least one paragraph; \par starts the next one.
  std::vector<RtfParagraph> paragraphs;
  // Control words the reader does not know, in order of appearance (without
  // those inside skipped groups).
  std::vector<std::string> unknownWords;
  // The whole text, paragraphs joined by '\n'.
  std::string PlainText() const;
  std::string FontName(int index) const;
};

// Reads a code-page-1252 RTF text. Bytes 0x80-0xFF, raw or as \'hh, are code
// page 1252 characters.
RtfDocument ReadRtf(std::string_view text);

// Escapes a code-page-1252 text for insertion into an RTF text: "\", "{" and
// "}" get a backslash; every other byte is kept as it is.
std::string EscapeRtfText(std::string_view text);
