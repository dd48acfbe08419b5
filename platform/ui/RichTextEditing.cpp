// The rich-text control's editing operations: selection, character and
// paragraph formats in the rich-edit shapes, and the RTF read-back. The
// formats live in the control's text document; indents and the bullet's
// offset are kept as block properties in twips, as the formats give them.
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "RichTextCtrl.h"
#include "UiPrivate.h"

namespace {

constexpr int kStartIndentProperty = QTextFormat::UserProperty + 1;  // twips
constexpr int kOffsetProperty = QTextFormat::UserProperty + 2;       // twips

QTextEdit* EditOf(const CRichTextCtrl* control) { return dynamic_cast<QTextEdit*>(control->GetWidget()); }

// Twips to the widget's pixels (a twip is 1/1440 inch).
qreal TwipsToPixels(const QTextEdit* edit, LONG twips) { return twips * edit->logicalDpiX() / 1440.0; }

// The selection as a document range [start, end).
void SelectionRange(const QTextEdit* edit, int& start, int& end) {
  const QTextCursor cursor = edit->textCursor();
  start = cursor.selectionStart();
  end = cursor.selectionEnd();
}

// ---- Character formats --------------------------------------------------------------

bool IsBold(const QTextCharFormat& f) { return f.fontWeight() > QFont::Medium; }

// The format of one character (or the insertion format) as a CHARFORMAT
// with every field filled.
CHARFORMAT ToCharFormat(const QTextDocument* document, const QTextCharFormat& f) {
  CHARFORMAT cf;
  cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE;
  if (IsBold(f)) cf.dwEffects |= CFE_BOLD;
  if (f.fontItalic()) cf.dwEffects |= CFE_ITALIC;
  if (f.fontUnderline()) cf.dwEffects |= CFE_UNDERLINE;
  const QFont fallback = document->defaultFont();
  const qreal points = f.fontPointSize() > 0 ? f.fontPointSize() : fallback.pointSizeF();
  cf.yHeight = static_cast<LONG>(std::lround(points * 20.0));
  const QBrush brush = f.foreground();
  if (f.hasProperty(QTextFormat::ForegroundBrush) && brush.style() != Qt::NoBrush) {
    const QColor c = brush.color();
    cf.crTextColor = RGB(c.red(), c.green(), c.blue());
  } else {
    cf.dwEffects |= CFE_AUTOCOLOR;
    cf.crTextColor = RGB(0, 0, 0);  // the text colour of the control
  }
  const QStringList families = f.fontFamilies().toStringList();
  const QString face = !families.isEmpty() ? families.front() : fallback.family();
  const CString bytes = FromQ(face);
  std::snprintf(cf.szFaceName, sizeof cf.szFaceName, "%s", bytes.c_str());
  return cf;
}

// The formats of the characters of [start, end), paragraph ends left out;
// an empty range gives the insertion format at the caret.
std::vector<QTextCharFormat> FormatsOf(const QTextEdit* edit, int start, int end) {
  std::vector<QTextCharFormat> formats;
  const QTextDocument* document = edit->document();
  for (int pos = start; pos < end; ++pos) {
    if (document->characterAt(pos) == QChar::ParagraphSeparator) continue;
    QTextCursor cursor(const_cast<QTextDocument*>(document));
    cursor.setPosition(pos + 1);
    formats.push_back(cursor.charFormat());
  }
  if (formats.empty()) formats.push_back(edit->textCursor().charFormat());
  return formats;
}

QTextCharFormat ToQCharFormat(const CHARFORMAT& cf) {
  QTextCharFormat f;
  if (cf.dwMask & CFM_BOLD) f.setFontWeight(cf.dwEffects & CFE_BOLD ? QFont::Bold : QFont::Normal);
  if (cf.dwMask & CFM_ITALIC) f.setFontItalic(cf.dwEffects & CFE_ITALIC);
  if (cf.dwMask & CFM_UNDERLINE) f.setFontUnderline(cf.dwEffects & CFE_UNDERLINE);
  if ((cf.dwMask & CFM_SIZE) && cf.yHeight > 0) f.setFontPointSize(cf.yHeight / 20.0);
  // The automatic colour is the absence of one (SetSelectionCharFormat).
  if ((cf.dwMask & CFM_COLOR) && !(cf.dwEffects & CFE_AUTOCOLOR))
    f.setForeground(QColor(GetRValue(cf.crTextColor), GetGValue(cf.crTextColor), GetBValue(cf.crTextColor)));
  if (cf.dwMask & CFM_FACE) {
    char face[32];
    std::memcpy(face, cf.szFaceName, sizeof face);
    face[31] = '\0';
    if (face[0]) f.setFontFamilies({ToQ(face)});
  }
  return f;
}

// ---- Paragraph formats --------------------------------------------------------------

PARAFORMAT ToParaFormat(const QTextBlock& block) {
  PARAFORMAT pf;
  pf.dwMask = PFM_ALIGNMENT | PFM_NUMBERING | PFM_STARTINDENT | PFM_OFFSET;
  const QTextBlockFormat f = block.blockFormat();
  const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
  pf.wAlignment = (a & Qt::AlignHCenter) ? PFA_CENTER : (a & (Qt::AlignRight | Qt::AlignTrailing)) ? PFA_RIGHT : PFA_LEFT;
  const QTextList* list = block.textList();
  pf.wNumbering = list && list->format().style() == QTextListFormat::ListDisc ? PFN_BULLET : 0;
  pf.dxStartIndent = static_cast<LONG>(f.intProperty(kStartIndentProperty));
  pf.dxOffset = static_cast<LONG>(f.intProperty(kOffsetProperty));
  return pf;
}

// Calls fn for each paragraph of the selection.
template <class Fn>
void ForEachSelectedBlock(const QTextEdit* edit, Fn fn) {
  int start, end;
  SelectionRange(edit, start, end);
  const QTextDocument* document = edit->document();
  QTextBlock block = document->findBlock(start);
  const QTextBlock last = document->findBlock(end);
  while (block.isValid()) {
    fn(block);
    if (block == last) break;
    block = block.next();
  }
}

// ---- RTF read-back ------------------------------------------------------------------

void AppendRtfText(std::string& out, const std::string& cp1252) {
  for (unsigned char c : cp1252) {
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\t') {
      out += "\\tab ";
    } else if (c == '\v') {
      out += "\\line ";
    } else if (c >= 0x80 || c < 0x20) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\'%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
}

}  // namespace

void CRichTextCtrl::SetSel(long start, long end) {
  QTextEdit* edit = EditOf(this);
  if (!edit) return;
  const int length = edit->document()->characterCount() - 1;
  const int from = static_cast<int>(std::clamp<long>(start, 0, length));
  const int to = end < 0 ? length : static_cast<int>(std::clamp<long>(end, 0, length));
  QTextCursor cursor(edit->document());
  cursor.setPosition(from);
  cursor.setPosition(to, QTextCursor::KeepAnchor);
  edit->setTextCursor(cursor);
}

void CRichTextCtrl::GetSel(long& start, long& end) const {
  start = end = 0;
  const QTextEdit* edit = EditOf(this);
  if (!edit) return;
  int from, to;
  SelectionRange(edit, from, to);
  start = from, end = to;
}

void CRichTextCtrl::GetCharFormat(CHARFORMAT& format, DWORD mask) const {
  format = CHARFORMAT{};
  const QTextEdit* edit = EditOf(this);
  if (!edit) return;
  int start, end;
  SelectionRange(edit, start, end);
  const std::vector<QTextCharFormat> formats = FormatsOf(edit, start, end);
  format = ToCharFormat(edit->document(), formats.front());
  format.dwMask &= mask;
  for (size_t i = 1; i < formats.size(); ++i) {
    const CHARFORMAT other = ToCharFormat(edit->document(), formats[i]);
    const DWORD differentEffects = format.dwEffects ^ other.dwEffects;
    if (differentEffects & CFE_BOLD) format.dwMask &= ~CFM_BOLD;
    if (differentEffects & CFE_ITALIC) format.dwMask &= ~CFM_ITALIC;
    if (differentEffects & CFE_UNDERLINE) format.dwMask &= ~CFM_UNDERLINE;
    if (other.yHeight != format.yHeight) format.dwMask &= ~CFM_SIZE;
    if ((differentEffects & CFE_AUTOCOLOR) || other.crTextColor != format.crTextColor) format.dwMask &= ~CFM_COLOR;
    if (std::strcmp(other.szFaceName, format.szFaceName) != 0) format.dwMask &= ~CFM_FACE;
  }
}

void CRichTextCtrl::SetSelectionCharFormat(const CHARFORMAT& format) {
  QTextEdit* edit = EditOf(this);
  if (!edit) return;
  QTextCursor cursor = edit->textCursor();
  const QTextCharFormat f = ToQCharFormat(format);
  cursor.mergeCharFormat(f);
  // The automatic colour is the absence of one.
  if ((format.dwMask & CFM_COLOR) && (format.dwEffects & CFE_AUTOCOLOR) && !cursor.hasSelection()) {
    QTextCharFormat current = cursor.charFormat();
    current.clearForeground();
    cursor.setCharFormat(current);
  } else if ((format.dwMask & CFM_COLOR) && (format.dwEffects & CFE_AUTOCOLOR)) {
    const int start = cursor.selectionStart(), end = cursor.selectionEnd();
    for (int pos = start; pos < end; ++pos) {
      QTextCursor one(edit->document());
      one.setPosition(pos);
      one.setPosition(pos + 1, QTextCursor::KeepAnchor);
      QTextCharFormat current = one.charFormat();
      current.clearForeground();
      one.setCharFormat(current);
    }
  }
  edit->setTextCursor(cursor);
}

bool CRichTextCtrl::IsSelectionBold() const {
  CHARFORMAT cf;
  GetCharFormat(cf);
  return (cf.dwEffects & CFE_BOLD) != 0;
}

bool CRichTextCtrl::IsSelectionItalic() const {
  CHARFORMAT cf;
  GetCharFormat(cf);
  return (cf.dwEffects & CFE_ITALIC) != 0;
}

bool CRichTextCtrl::IsSelectionUnderlined() const {
  CHARFORMAT cf;
  GetCharFormat(cf);
  return (cf.dwEffects & CFE_UNDERLINE) != 0;
}

void CRichTextCtrl::ToggleCharEffect(DWORD mask, DWORD effect) {
  CHARFORMAT cf;
  GetCharFormat(cf);
  if ((cf.dwMask & mask) && (cf.dwEffects & effect))
    cf.dwEffects &= ~effect;
  else
    cf.dwEffects |= effect;
  cf.dwMask = mask;
  SetSelectionCharFormat(cf);
}

int CRichTextCtrl::GetSelectionFontSize() const {
  CHARFORMAT cf;
  GetCharFormat(cf);
  return static_cast<int>(cf.yHeight / 20);
}

void CRichTextCtrl::SetSelectionFontSize(int points) {
  CHARFORMAT cf;
  cf.dwMask = CFM_SIZE;
  cf.yHeight = points * 20;
  SetSelectionCharFormat(cf);
}

void CRichTextCtrl::ChooseSelectionColor() {
  CHARFORMAT cf;
  GetCharFormat(cf);
  cf.dwEffects &= ~CFE_AUTOCOLOR;
  COLORREF color = cf.crTextColor;
  COLORREF custom[16] = {};
  if (AfxChooseColor(color, custom, this)) cf.crTextColor = color;
  cf.dwMask = CFM_COLOR;
  SetSelectionCharFormat(cf);
}

CString CRichTextCtrl::GetSelectionFontName() const {
  CHARFORMAT cf;
  GetCharFormat(cf);
  return CString(cf.szFaceName);
}

void CRichTextCtrl::SetSelectionFontName(const CString& name) {
  CHARFORMAT cf;
  cf.dwMask = CFM_FACE;
  std::snprintf(cf.szFaceName, sizeof cf.szFaceName, "%s", name.c_str());
  SetSelectionCharFormat(cf);
}

void CRichTextCtrl::GetParaFormat(PARAFORMAT& format) const {
  format = PARAFORMAT{};
  const QTextEdit* edit = EditOf(this);
  if (!edit) return;
  bool first = true;
  ForEachSelectedBlock(edit, [&](const QTextBlock& block) {
    const PARAFORMAT pf = ToParaFormat(block);
    if (first) {
      format = pf;
      format.dwMask = PFM_ALIGNMENT | PFM_NUMBERING;
      first = false;
      return;
    }
    if (pf.wAlignment != format.wAlignment) format.dwMask &= ~PFM_ALIGNMENT;
    if (pf.wNumbering != format.wNumbering) format.dwMask &= ~PFM_NUMBERING;
  });
}

void CRichTextCtrl::SetParaFormat(const PARAFORMAT& format) {
  QTextEdit* edit = EditOf(this);
  if (!edit) return;
  std::vector<QTextBlock> blocks;
  ForEachSelectedBlock(edit, [&](const QTextBlock& block) { blocks.push_back(block); });
  QTextList* bulletList = nullptr;
  for (const QTextBlock& block : blocks) {
    QTextCursor cursor(block);
    QTextBlockFormat f = block.blockFormat();
    if (format.dwMask & PFM_ALIGNMENT) {
      const Qt::Alignment a = format.wAlignment == PFA_CENTER  ? Qt::AlignHCenter
                              : format.wAlignment == PFA_RIGHT ? Qt::AlignRight
                                                               : Qt::AlignLeft;
      f.setAlignment(a | Qt::AlignAbsolute);
    }
    if (format.dwMask & PFM_STARTINDENT) f.setProperty(kStartIndentProperty, static_cast<int>(format.dxStartIndent));
    if (format.dwMask & PFM_OFFSET) f.setProperty(kOffsetProperty, static_cast<int>(format.dxOffset));
    // The first line starts at the start indent, the others at start + offset.
    const LONG startIndent = f.intProperty(kStartIndentProperty), offset = f.intProperty(kOffsetProperty);
    f.setLeftMargin(TwipsToPixels(edit, startIndent + offset));
    f.setTextIndent(-TwipsToPixels(edit, offset));
    cursor.setBlockFormat(f);
    if (format.dwMask & PFM_NUMBERING) {
      QTextList* list = block.textList();
      if (format.wNumbering == PFN_BULLET) {
        if (list && list->format().style() == QTextListFormat::ListDisc) continue;
        if (list) list->remove(block);
        if (bulletList) {
          bulletList->add(block);
        } else {
          QTextListFormat listFormat;
          listFormat.setStyle(QTextListFormat::ListDisc);
          bulletList = cursor.createList(listFormat);
        }
      } else if (list) {
        list->remove(block);
        QTextBlockFormat plain = block.blockFormat();
        plain.setIndent(0);
        cursor.setBlockFormat(plain);
      }
    }
  }
}

bool CRichTextCtrl::IsParagraphLeft() const {
  PARAFORMAT pf;
  GetParaFormat(pf);
  return pf.wAlignment == PFA_LEFT;
}

bool CRichTextCtrl::IsParagraphRight() const {
  PARAFORMAT pf;
  GetParaFormat(pf);
  return pf.wAlignment == PFA_RIGHT;
}

bool CRichTextCtrl::IsParagraphCenter() const {
  PARAFORMAT pf;
  GetParaFormat(pf);
  return pf.wAlignment == PFA_CENTER;
}

void CRichTextCtrl::SetParagraphLeft() {
  PARAFORMAT pf;
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = PFA_LEFT;
  SetParaFormat(pf);
}

void CRichTextCtrl::SetParagraphRight() {
  PARAFORMAT pf;
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = PFA_RIGHT;
  SetParaFormat(pf);
}

void CRichTextCtrl::SetParagraphCenter() {
  PARAFORMAT pf;
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = PFA_CENTER;
  SetParaFormat(pf);
}

bool CRichTextCtrl::IsParagraphBulleted() const {
  PARAFORMAT pf;
  GetParaFormat(pf);
  return pf.wNumbering == PFN_BULLET;
}

void CRichTextCtrl::ToggleParagraphBullet() {
  PARAFORMAT pf;
  GetParaFormat(pf);
  if ((pf.dwMask & PFM_NUMBERING) && pf.wNumbering == PFN_BULLET) {
    pf.wNumbering = 0;
    pf.dxOffset = 0;
    pf.dxStartIndent = 0;
    pf.dwMask = PFM_NUMBERING | PFM_STARTINDENT | PFM_OFFSET;
  } else {
    pf.wNumbering = PFN_BULLET;
    pf.dwMask = PFM_NUMBERING;
    if (pf.dxOffset == 0) {
      pf.dxOffset = 4;
      pf.dwMask = PFM_NUMBERING | PFM_STARTINDENT | PFM_OFFSET;
    }
  }
  SetParaFormat(pf);
}

CString CRichTextCtrl::GetRtf() const {
  const QTextEdit* edit = EditOf(this);
  if (!edit) return CString();
  const QTextDocument* document = edit->document();

  // Tables of the faces and colours in use, in order of first use.
  std::vector<std::string> faces{FromQ(document->defaultFont().family()).c_str()};
  std::vector<COLORREF> colours;
  auto faceIndex = [&](const std::string& face) {
    auto it = std::find(faces.begin(), faces.end(), face);
    if (it != faces.end()) return static_cast<int>(it - faces.begin());
    faces.push_back(face);
    return static_cast<int>(faces.size() - 1);
  };
  auto colourIndex = [&](COLORREF c) {
    auto it = std::find(colours.begin(), colours.end(), c);
    if (it != colours.end()) return static_cast<int>(it - colours.begin()) + 1;
    colours.push_back(c);
    return static_cast<int>(colours.size());
  };

  std::string body;
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    const PARAFORMAT pf = ToParaFormat(block);
    body += "\\pard";
    if (pf.wAlignment == PFA_CENTER) body += "\\qc";
    if (pf.wAlignment == PFA_RIGHT) body += "\\qr";
    if (pf.dxOffset != 0 || pf.dxStartIndent != 0)
      body += "\\fi" + std::to_string(-pf.dxOffset) + "\\li" + std::to_string(pf.dxStartIndent + pf.dxOffset);
    if (pf.wNumbering == PFN_BULLET) body += "{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\'b7}}";
    std::string last;  // the format words of the previous run
    bool any = false;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      const CHARFORMAT cf = ToCharFormat(document, fragment.charFormat());
      std::string words = "\\plain\\f" + std::to_string(faceIndex(cf.szFaceName)) + "\\fs" +
                          std::to_string((cf.yHeight + 5) / 10);
      if (cf.dwEffects & CFE_BOLD) words += "\\b";
      if (cf.dwEffects & CFE_ITALIC) words += "\\i";
      if (cf.dwEffects & CFE_UNDERLINE) words += "\\ul";
      if (!(cf.dwEffects & CFE_AUTOCOLOR)) words += "\\cf" + std::to_string(colourIndex(cf.crTextColor));
      if (words != last) body += words + " ";
      last = words;
      any = true;
      AppendRtfText(body, FromQ(fragment.text().replace(QChar::LineSeparator, QChar('\v'))).c_str());
    }
    // An empty paragraph keeps its height: the format of its line.
    if (!any) {
      const CHARFORMAT cf = ToCharFormat(document, block.charFormat());
      body += "\\plain\\f" + std::to_string(faceIndex(cf.szFaceName)) + "\\fs" + std::to_string((cf.yHeight + 5) / 10) + " ";
    }
    if (block.next().isValid()) body += "\\par\r\n";
  }

  std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl";
  for (size_t i = 0; i < faces.size(); ++i) {
    rtf += "{\\f" + std::to_string(i) + "\\fnil ";
    AppendRtfText(rtf, faces[i]);
    rtf += ";}";
  }
  rtf += "}\r\n{\\colortbl ;";
  for (COLORREF c : colours)
    rtf += "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) + "\\blue" +
           std::to_string(GetBValue(c)) + ";";
  rtf += "}\r\n" + body + "\r\n}\r\n";
  return CString(rtf);
}
