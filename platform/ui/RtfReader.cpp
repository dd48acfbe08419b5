#include "RtfReader.h"

#include <array>
#include <cstdint>

#include "Cp1252.h"

namespace {

enum class Destination { Text, FontTable, Skip };

struct GroupState {
  RtfCharFormat format;
  Destination destination = Destination::Text;
  bool groupStart = true;  // nothing read yet in this group (for "{\*")
  int fontEntry = -1;      // font-table entry being named
};

bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Words of the subset with no effect on the text (header, font family and
// character-set words, colour-table entries).
constexpr std::array<std::string_view, 17> kIgnoredWords = {
    "rtf",   "ansi",   "ansicpg", "deftab",  "fnil",  "froman", "fswiss", "fmodern", "fscript",
    "fdecor", "ftech", "fcharset", "fprq",   "red",   "green",  "blue",   "cf"};

class Reader {
 public:
  explicit Reader(std::string_view text) : m_text(text) {
    m_doc.paragraphs.emplace_back();
    m_stack.emplace_back();
  }

  RtfDocument Run() {
    while (m_pos < m_text.size()) Step();
    Flush();
    return std::move(m_doc);
  }

 private:
  GroupState& State() { return m_stack.back(); }

  void Step() {
    const unsigned char c = static_cast<unsigned char>(m_text[m_pos]);
    if (c == '{') {
      ++m_pos;
      GroupState next = State();
      next.groupStart = true;
      m_stack.push_back(next);
      return;
    }
    if (c == '}') {
      ++m_pos;
      if (m_stack.size() > 1) {
        if (State().destination == Destination::FontTable) EndFontName();
        m_stack.pop_back();
      }
      return;
    }
    if (c == '\\') {
      ReadControl();
      return;
    }
    ++m_pos;
    State().groupStart = false;
    if (c == '\r' || c == '\n' || c == 0) return;
    AddByte(static_cast<char>(c));
  }

  void ReadControl() {
    ++m_pos;  // the backslash
    if (m_pos >= m_text.size()) return;
    const unsigned char c = static_cast<unsigned char>(m_text[m_pos]);
    if (!IsLetter(c)) {
      ++m_pos;
      ReadSymbol(c);
      return;
    }
    const size_t start = m_pos;
    while (m_pos < m_text.size() && IsLetter(static_cast<unsigned char>(m_text[m_pos])) && m_pos - start < 32) ++m_pos;
    std::string word(m_text.substr(start, m_pos - start));
    // Skip whatever letters remain of an over-long word.
    while (m_pos < m_text.size() && IsLetter(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
    bool hasParameter = false;
    bool negative = false;
    int64_t parameter = 0;
    if (m_pos < m_text.size() && m_text[m_pos] == '-' && m_pos + 1 < m_text.size() &&
        IsDigit(static_cast<unsigned char>(m_text[m_pos + 1]))) {
      negative = true;
      ++m_pos;
    }
    while (m_pos < m_text.size() && IsDigit(static_cast<unsigned char>(m_text[m_pos]))) {
      hasParameter = true;
      if (parameter < 100000000) parameter = parameter * 10 + (m_text[m_pos] - '0');
      ++m_pos;
    }
    if (negative) parameter = -parameter;
    // One blank ends the word and belongs to it.
    if (m_pos < m_text.size() && m_text[m_pos] == ' ') ++m_pos;
    Word(word, hasParameter, static_cast<int>(parameter));
    State().groupStart = false;
  }

  void ReadSymbol(unsigned char c) {
    const bool atStart = State().groupStart;
    State().groupStart = false;
    switch (c) {
      case '\\':
      case '{':
      case '}':
        AddByte(static_cast<char>(c));
        return;
      case '\'': {
        if (m_pos + 1 < m_text.size()) {
          const int hi = HexValue(static_cast<unsigned char>(m_text[m_pos]));
          const int lo = HexValue(static_cast<unsigned char>(m_text[m_pos + 1]));
          if (hi >= 0 && lo >= 0) {
            m_pos += 2;
            AddByte(static_cast<char>(hi * 16 + lo));
          }
        }
        return;
      }
      case '*':
        if (atStart) State().destination = Destination::Skip;
        return;
      case '~':
        AddByte('\xA0');
        return;
      case '_':
        AddByte('-');
        return;
      case '\t':
        AddByte('\t');
        return;
      case '\r':
      case '\n':
        if (State().destination == Destination::Text) NewParagraph();
        return;
      default:
        return;  // optional hyphen and unknown symbols
    }
  }

  void Word(const std::string& word, bool hasParameter, int parameter) {
    GroupState& s = State();
    if (s.destination == Destination::Skip) return;
    RtfCharFormat& f = s.format;
    const bool on = !hasParameter || parameter != 0;
    if (word == "par") {
      if (s.destination == Destination::Text) NewParagraph();
    } else if (word == "tab") {
      AddByte('\t');
    } else if (word == "plain") {
      f = RtfCharFormat{};
      f.font = m_doc.defaultFont;
    } else if (word == "pard") {
      // Paragraph defaults: nothing of them is kept.
    } else if (word == "f") {
      if (s.destination == Destination::FontTable) {
        EndFontName();
        s.fontEntry = parameter < 0 ? -1 : parameter;
      } else {
        f.font = parameter;
      }
    } else if (word == "fs") {
      if (hasParameter && parameter > 0) f.halfPoints = parameter;
    } else if (word == "b") {
      f.bold = on;
    } else if (word == "i") {
      f.italic = on;
    } else if (word == "ul") {
      f.underline = on;
    } else if (word == "ulnone") {
      f.underline = false;
    } else if (word == "deff") {
      m_doc.defaultFont = parameter;
    } else if (word == "fonttbl") {
      s.destination = Destination::FontTable;
    } else if (word == "colortbl") {
      s.destination = Destination::Skip;
    } else {
      for (std::string_view known : kIgnoredWords)
        if (word == known) return;
      m_doc.unknownWords.push_back(word);
    }
  }

  void AddByte(char byte) {
    GroupState& s = State();
    if (s.destination == Destination::Skip) return;
    if (s.destination == Destination::FontTable) {
      if (byte == ';')
        EndFontName();
      else if (s.fontEntry >= 0 && m_fontName.size() < 256)
        m_fontName.push_back(byte);
      return;
    }
    if (!m_pending.empty() && !(m_pendingFormat == s.format)) Flush();
    m_pendingFormat = s.format;
    m_pending.push_back(byte);
  }

  void EndFontName() {
    GroupState& s = State();
    if (s.fontEntry >= 0 && s.fontEntry < 4096) {
      if (m_doc.fonts.size() <= static_cast<size_t>(s.fontEntry)) m_doc.fonts.resize(s.fontEntry + 1);
      std::string name = Cp1252ToUtf8(m_fontName);
      while (!name.empty() && name.front() == ' ') name.erase(name.begin());
      if (!name.empty() || m_doc.fonts[s.fontEntry].empty()) m_doc.fonts[s.fontEntry] = name;
    }
    m_fontName.clear();
    s.fontEntry = -1;
  }

  void Flush() {
    if (m_pending.empty()) return;
    RtfParagraph& p = m_doc.paragraphs.back();
    std::string utf8 = Cp1252ToUtf8(m_pending);
    if (!p.runs.empty() && p.runs.back().format == m_pendingFormat)
      p.runs.back().text += utf8;
    else
      p.runs.push_back({std::move(utf8), m_pendingFormat});
    m_pending.clear();
  }

  void NewParagraph() {
    Flush();
    m_doc.paragraphs.emplace_back();
  }

  std::string_view m_text;
  size_t m_pos = 0;
  RtfDocument m_doc;
  std::vector<GroupState> m_stack;
  std::string m_pending;
  RtfCharFormat m_pendingFormat;
  std::string m_fontName;
};

}  // namespace

std::string RtfParagraph::Text() const {
  std::string text;
  for (const RtfRun& r : runs) text += r.text;
  return text;
}

std::string RtfDocument::PlainText() const {
  std::string text;
  for (size_t i = 0; i < paragraphs.size(); ++i) {
    if (i) text += '\n';
    text += paragraphs[i].Text();
  }
  return text;
}

std::string RtfDocument::FontName(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= fonts.size()) return {};
  return fonts[index];
}

RtfDocument ReadRtf(std::string_view text) { return Reader(text).Run(); }

std::string EscapeRtfText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\' || c == '{' || c == '}') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}
