// Glyph painting over Qt: fonts from QFont (fontconfig resolves the face
// names), bitmaps as QImage views of the DIB bits, text by QPainter.
#include "GdiText.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Cp1252.h"

struct GdiObject {
  enum Kind { kFont, kBitmap } kind;
  // Font.
  QFont font;
  std::unique_ptr<QFontMetrics> metrics;  // made once the font is complete
  bool symbolEncoding = false;
  bool antialiased = true;
  // Bitmap: 32-bit pixels, top row first.
  std::vector<uint32_t> bits;
  int width = 0, height = 0;
  explicit GdiObject(Kind k) : kind(k) {}
};

struct GdiDeviceContext {
  GdiObject* font = nullptr;
  GdiObject* bitmap = nullptr;
  COLORREF textColour = 0x000000;
  COLORREF backColour = 0xffffff;
  UINT align = TA_TOP | TA_LEFT;
  int mapMode = MM_TEXT;
};

namespace {

constexpr int kDotsPerInch = 96;
const char* const kGreekFallbackFace = "DejaVu Sans";

// The Symbol encoding's Greek letters for the Latin letters.
char32_t SymbolCodePoint(unsigned char byte) {
  static const char32_t kLower[26] = {U'α', U'β', U'χ', U'δ', U'ε', U'φ', U'γ', U'η', U'ι', U'ϕ', U'κ', U'λ', U'μ',
                                      U'ν', U'ο', U'π', U'θ', U'ρ', U'σ', U'τ', U'υ', U'ϖ', U'ω', U'ξ', U'ψ', U'ζ'};
  static const char32_t kUpper[26] = {U'Α', U'Β', U'Χ', U'Δ', U'Ε', U'Φ', U'Γ', U'Η', U'Ι', U'ϑ', U'Κ', U'Λ', U'Μ',
                                      U'Ν', U'Ο', U'Π', U'Θ', U'Ρ', U'Σ', U'Τ', U'Υ', U'ς', U'Ω', U'Ξ', U'Ψ', U'Ζ'};
  if (byte >= 'a' && byte <= 'z') return kLower[byte - 'a'];
  if (byte >= 'A' && byte <= 'Z') return kUpper[byte - 'A'];
  return Cp1252ToCodePoint(byte);
}

QString TextOf(const GdiObject* font, const char* text, int count) {
  QString out;
  out.reserve(count);
  for (int i = 0; i < count; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const char32_t c = font && font->symbolEncoding ? SymbolCodePoint(byte) : Cp1252ToCodePoint(byte);
    out.append(QString::fromUcs4(&c, 1));
  }
  return out;
}

QColor ColourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

bool SameFace(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

}  // namespace

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long p = static_cast<long long>(a) * b;
  const long long half = (c < 0 ? -c : c) / 2;
  const long long q = ((p < 0) != (c < 0)) ? -((std::llabs(p) + half) / std::llabs(c)) : (std::llabs(p) + half) / std::llabs(c);
  return static_cast<int>(q);
}

HDC CreateCompatibleDC(HDC) { return new GdiDeviceContext; }

BOOL DeleteDC(HDC dc) {
  if (!dc) return FALSE;
  delete dc;
  return TRUE;
}

int GetDeviceCaps(HDC, int index) { return index == LOGPIXELSX || index == LOGPIXELSY ? kDotsPerInch : 0; }

int SetMapMode(HDC dc, int mode) {
  if (!dc) return 0;
  const int old = dc->mapMode;
  dc->mapMode = mode;
  return old;
}

HFONT CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD underline, DWORD strikeOut, DWORD,
                  DWORD, DWORD, DWORD quality, DWORD, const char* faceName) {
  if (!QGuiApplication::instance() || !faceName || !*faceName) return nullptr;
  auto* f = new GdiObject(GdiObject::kFont);
  f->font = QFont(QString::fromUtf8(Cp1252ToUtf8(faceName).c_str()));
  f->font.setWeight(weight >= FW_BOLD ? QFont::Bold : (weight > 0 && weight < FW_NORMAL ? QFont::Light : QFont::Normal));
  f->font.setItalic(italic != 0);
  f->font.setUnderline(underline != 0);
  f->font.setStrikeOut(strikeOut != 0);
  f->antialiased = quality != NONANTIALIASED_QUALITY;
  f->font.setStyleStrategy(f->antialiased ? QFont::PreferAntialias : QFont::NoAntialias);
  f->symbolEncoding = SameFace(faceName, "Symbol");
  // Symbol faces often keep their Greek glyphs outside Unicode; draw the
  // Greek letters from a face that has them.
  if (f->symbolEncoding && !QFontMetrics(f->font).inFont(QChar(0x3b1))) f->font.setFamily(kGreekFallbackFace);
  if (height == 0) height = -12;
  if (height < 0) {
    f->font.setPixelSize(-height);
  } else {
    // A cell height: the em size that gives this ascent plus descent.
    QFont probe = f->font;
    probe.setPixelSize(1000);
    const QFontMetricsF m(probe);
    const double cell = m.ascent() + m.descent();
    const int em = cell > 0 ? static_cast<int>(height * 1000.0 / cell + 0.5) : height;
    f->font.setPixelSize(em > 0 ? em : 1);
  }
  f->metrics = std::make_unique<QFontMetrics>(f->font);
  return f;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE, DWORD) {
  if (bits) *bits = nullptr;
  if (!info || info->bmiHeader.biBitCount != 32 || info->bmiHeader.biCompression != BI_RGB) return nullptr;
  const long long w = info->bmiHeader.biWidth, h = std::llabs(info->bmiHeader.biHeight);
  if (w <= 0 || h <= 0 || w * h > (1ll << 28)) return nullptr;
  auto* b = new GdiObject(GdiObject::kBitmap);
  b->width = static_cast<int>(w);
  b->height = static_cast<int>(h);
  b->bits.assign(static_cast<size_t>(w * h), 0u);
  if (bits) *bits = b->bits.data();
  return b;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!dc || !object) return nullptr;
  GdiObject*& slot = object->kind == GdiObject::kFont ? dc->font : dc->bitmap;
  GdiObject* old = slot;
  slot = object;
  return old;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (!object) return FALSE;
  delete object;
  return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  if (!dc) return 0;
  const COLORREF old = dc->textColour;
  dc->textColour = colour;
  return old;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
  if (!dc) return 0;
  const COLORREF old = dc->backColour;
  dc->backColour = colour;
  return old;
}

UINT SetTextAlign(HDC dc, UINT align) {
  if (!dc) return 0;
  const UINT old = dc->align;
  dc->align = align;
  return old;
}

BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size) {
  if (!dc || !dc->font || !size || (!text && count > 0) || count < 0) return FALSE;
  const QFontMetrics& m = *dc->font->metrics;
  size->cx = count > 0 ? m.horizontalAdvance(TextOf(dc->font, text, count)) : 0;
  size->cy = m.height();
  return TRUE;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count, const int*) {
  if (!dc || !dc->font || !dc->bitmap || (!text && count > 0)) return FALSE;
  GdiObject* b = dc->bitmap;
  QImage image(reinterpret_cast<uchar*>(b->bits.data()), b->width, b->height, b->width * 4, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::TextAntialiasing, dc->font->antialiased);
  const QString s = TextOf(dc->font, text, static_cast<int>(count));
  const QFontMetrics& m = *dc->font->metrics;
  QRect box(x, y, m.horizontalAdvance(s), m.height());
  if (rect) box = QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1));
  if (options & ETO_CLIPPED) painter.setClipRect(box);
  if (options & ETO_OPAQUE) painter.fillRect(box, ColourOf(dc->backColour));
  painter.setFont(dc->font->font);
  painter.setPen(ColourOf(dc->textColour));
  painter.drawText(QPoint(x, y + m.ascent()), s);
  return TRUE;
}
