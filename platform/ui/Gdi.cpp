// Drawing calls on QPainter, bitmap resources drawn by code, and image lists.
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <map>
#include <vector>

#include "UiPrivate.h"

struct CDC::State {
  QColor textColor = Qt::black;
  int bkMode = OPAQUE;
  QColor bkColor = Qt::white;
  QPoint current;
  QBrush brush = QBrush(Qt::white);
  QPen pen = QPen(Qt::black, 1);
  QFont font;
};

// The painter of one drawing call, with the device context's current objects.
class CDC::Paint {
 public:
  explicit Paint(CDC& dc) : m_dc(dc) {
    if (dc.m_painter) {
      m_p = dc.m_painter;
    } else if (dc.m_image && !dc.m_image->isNull()) {
      m_own = std::make_unique<QPainter>(dc.m_image);
      m_p = m_own.get();
    }
    if (m_p) {
      m_p->setBrush(dc.m_state->brush);
      m_p->setPen(dc.m_state->pen);
      m_p->setFont(dc.m_state->font);
    }
  }
  QPainter* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }

 private:
  CDC& m_dc;
  QPainter* m_p = nullptr;
  std::unique_ptr<QPainter> m_own;
};

CDC::CDC(QPainter* painter) : m_painter(painter), m_state(std::make_unique<State>()) {}
CDC::CDC(QImage* image) : m_image(image), m_state(std::make_unique<State>()) {}
CDC::CDC(CBitmap* bitmap) : m_image(bitmap ? bitmap->MutableImage() : nullptr), m_state(std::make_unique<State>()) {}
CDC::~CDC() = default;

void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF color) {
  if (Paint p{*this}) p->fillRect(x, y, width, height, ToQColor(color));
}

BOOL CDC::DrawImageFile(int x, int y, int width, int height, const char* path) {
  QImage picture;
  if (!path || !picture.load(QString::fromUtf8(path))) return FALSE;
  Paint p{*this};
  if (!p) return FALSE;
  p->setRenderHint(QPainter::SmoothPixmapTransform);
  p->drawImage(QRect(x, y, width, height), picture);
  return TRUE;
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
  if (rect) FillSolidRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, color);
}

COLORREF CDC::SetPixel(int x, int y, COLORREF color) {
  Paint p{*this};
  if (!p) return 0;
  p->setPen(ToQColor(color));
  p->drawPoint(x, y);
  return color;
}

void CDC::SetBrushColor(COLORREF color) { m_state->brush = QBrush(ToQColor(color)); }
void CDC::SetNullBrush() { m_state->brush = QBrush(Qt::NoBrush); }
void CDC::SetPenColor(COLORREF color, int width) { m_state->pen = QPen(ToQColor(color), width); }
void CDC::SetNullPen() { m_state->pen = QPen(Qt::NoPen); }

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
  Paint p{*this};
  if (!p) return FALSE;
  // GDI rectangles exclude the right and bottom edges.
  p->drawRect(left, top, right - left - 1, bottom - top - 1);
  return TRUE;
}

BOOL CDC::Ellipse(int left, int top, int right, int bottom) {
  Paint p{*this};
  if (!p) return FALSE;
  // Hard edges, as GDI draws them: a blended edge would keep a fringe of
  // the transparent colour around tool-bar pictures.
  p->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
  return TRUE;
}

void CDC::MoveTo(int x, int y) { m_state->current = QPoint(x, y); }

BOOL CDC::LineTo(int x, int y) {
  Paint p{*this};
  if (!p) return FALSE;
  p->drawLine(m_state->current, QPoint(x, y));
  m_state->current = QPoint(x, y);
  return TRUE;
}

COLORREF CDC::SetTextColor(COLORREF color) {
  COLORREF old = FromQColor(m_state->textColor);
  m_state->textColor = ToQColor(color);
  return old;
}

int CDC::SetBkMode(int mode) {
  int old = m_state->bkMode;
  m_state->bkMode = mode;
  return old;
}

void CDC::SelectFont(const char* face, int height, int weight, bool italic) {
  QFont font(ToQ(face));
  font.setPixelSize(height > 0 ? height : 12);
  font.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
  font.setItalic(italic);
  m_state->font = font;
}

BOOL CDC::TextOut(int x, int y, const char* text) {
  Paint p{*this};
  if (!p) return FALSE;
  QString q = ToQ(text);
  QFontMetrics fm(m_state->font);
  QRect box(x, y, fm.horizontalAdvance(q), fm.height());
  if (m_state->bkMode == OPAQUE) p->fillRect(box, m_state->bkColor);
  p->setPen(m_state->textColor);
  p->drawText(box, Qt::AlignLeft | Qt::AlignTop, q);
  return TRUE;
}

COLORREF CDC::SetBkColor(COLORREF color) {
  COLORREF old = FromQColor(m_state->bkColor);
  m_state->bkColor = ToQColor(color);
  return old;
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text) {
  Paint p{*this};
  if (!p) return FALSE;
  const QRect area = rect ? QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top) : QRect();
  if (rect && (options & ETO_OPAQUE)) p->fillRect(area, m_state->bkColor);
  p->save();
  if (rect && (options & ETO_CLIPPED)) p->setClipRect(area);
  const QString q = ToQ(text);
  QFontMetrics fm(m_state->font);
  const QRect box(x, y, fm.horizontalAdvance(q), fm.height());
  if (m_state->bkMode == OPAQUE) p->fillRect(box, m_state->bkColor);
  p->setPen(m_state->textColor);
  p->drawText(box, Qt::AlignLeft | Qt::AlignTop, q);
  p->restore();
  return TRUE;
}

void CDC::DrawBitmap(int x, int y, const CBitmap& bitmap) {
  Paint p{*this};
  if (p && bitmap.Image()) p->drawImage(x, y, *bitmap.Image());
}

void CDC::DrawTransparentBitmap(int x, int y, const CBitmap& bitmap, COLORREF transparent) {
  Paint p{*this};
  if (!p || !bitmap.Image()) return;
  QImage keyed = bitmap.Image()->convertToFormat(QImage::Format_ARGB32);
  const QRgb key = qRgb(GetRValue(transparent), GetGValue(transparent), GetBValue(transparent)) & 0xFFFFFF;
  for (int row = 0; row < keyed.height(); ++row) {
    auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(row));
    for (int i = 0; i < keyed.width(); ++i)
      if ((line[i] & 0xFFFFFF) == key) line[i] = 0;
  }
  p->drawImage(x, y, keyed);
}

void CDC::BitBlt(int x, int y, int width, int height, const CBitmap& source, int sx, int sy) {
  if (!source.Image() || width <= 0 || height <= 0) return;
  // A copy first: the source may be the picture being drawn on.
  const QImage part = source.Image()->copy(sx, sy, width, height);
  Paint p{*this};
  if (!p) return;
  p->setCompositionMode(QPainter::CompositionMode_Source);
  p->drawImage(x, y, part);
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void CDC::DrawCenteredText(const RECT* rect, const char* text) {
  Paint p{*this};
  if (!p || !rect) return;
  QRect box(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  p->setPen(m_state->textColor);
  p->drawText(box, Qt::AlignCenter | Qt::TextSingleLine, ToQ(text));
}

SIZE CDC::GetTextExtent(const char* text) {
  SIZE s;
  QFontMetrics fm(m_state->font);
  s.cx = fm.horizontalAdvance(ToQ(text));
  s.cy = fm.height();
  return s;
}

// ---- Bitmap resources ---------------------------------------------------------

namespace {

std::map<UINT, BitmapResource>& BitmapTable() {
  static std::map<UINT, BitmapResource> table;
  return table;
}

std::map<UINT, QImage>& BitmapCache() {
  static std::map<UINT, QImage> cache;
  return cache;
}

}  // namespace

void AfxRegisterBitmaps(const BitmapResource* table, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    BitmapTable()[table[i].id] = table[i];
    BitmapCache().erase(table[i].id);
  }
}

const QImage* BitmapResourceImage(UINT id) {
  auto cached = BitmapCache().find(id);
  if (cached != BitmapCache().end()) return &cached->second;
  auto it = BitmapTable().find(id);
  if (it == BitmapTable().end() || it->second.width <= 0 || it->second.height <= 0) return nullptr;
  QImage image(it->second.width, it->second.height, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    CDC dc(&painter);
    if (it->second.paint) it->second.paint(dc, it->second.width, it->second.height);
  }
  return &(BitmapCache()[id] = image);
}

HINSTANCE AfxGetResourceHandle() {
  static int applicationModule;
  return &applicationModule;
}

namespace {

// The id a resource name stands for: MAKEINTRESOURCE(id) or "#id"; 0 for none.
UINT ResourceId(const char* name) {
  const auto value = reinterpret_cast<uintptr_t>(name);
  if (value != 0 && value <= 0xFFFF) return static_cast<UINT>(value);
  if (!name || name[0] != '#' || name[1] == '\0') return 0;
  UINT id = 0;
  for (const char* p = name + 1; *p; ++p) {
    if (*p < '0' || *p > '9' || id > 0xFFFF) return 0;
    id = id * 10 + static_cast<UINT>(*p - '0');
  }
  return id <= 0xFFFF ? id : 0;
}

void PutLittleEndian(std::vector<uint8_t>& out, size_t offset, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

BOOL AfxLoadBitmapResourceDib(HINSTANCE module, const char* name, std::vector<uint8_t>& dib) {
  if (module != AfxGetResourceHandle()) return FALSE;
  const UINT id = ResourceId(name);
  const QImage* image = id ? BitmapResourceImage(id) : nullptr;
  if (!image) return FALSE;
  const int width = image->width(), height = image->height();
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> out(40 + stride * static_cast<size_t>(height), 0);
  PutLittleEndian(out, 0, 40, 4);
  PutLittleEndian(out, 4, static_cast<uint32_t>(width), 4);
  PutLittleEndian(out, 8, static_cast<uint32_t>(height), 4);
  PutLittleEndian(out, 12, 1, 2);   // planes
  PutLittleEndian(out, 14, 24, 2);  // bits per pixel
  PutLittleEndian(out, 20, static_cast<uint32_t>(stride * static_cast<size_t>(height)), 4);
  PutLittleEndian(out, 24, 2835, 4);  // 72 dots per inch
  PutLittleEndian(out, 28, 2835, 4);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = out.data() + 40 + stride * static_cast<size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const QRgb pixel = image->pixel(x, y);
      row[3 * x] = static_cast<uint8_t>(qBlue(pixel));
      row[3 * x + 1] = static_cast<uint8_t>(qGreen(pixel));
      row[3 * x + 2] = static_cast<uint8_t>(qRed(pixel));
    }
  }
  dib = std::move(out);
  return TRUE;
}

CBitmap::CBitmap() = default;
CBitmap::~CBitmap() = default;

BOOL CBitmap::LoadBitmap(UINT resourceId) {
  const QImage* image = BitmapResourceImage(resourceId);
  if (!image) return FALSE;
  m_image = std::make_unique<QImage>(*image);
  return TRUE;
}

BOOL CBitmap::GetBitmap(BITMAP* info) const {
  if (!m_image || !info) return FALSE;
  info->bmWidth = m_image->width();
  info->bmHeight = m_image->height();
  info->bmBitsPixel = 24;
  return TRUE;
}

COLORREF CBitmap::GetBitsPixel(int x, int rowFromBottom) const {
  if (!m_image || x < 0 || x >= m_image->width() || rowFromBottom < 0 || rowFromBottom >= m_image->height())
    return 0;
  return FromQColor(m_image->pixelColor(x, m_image->height() - 1 - rowFromBottom));
}

BOOL CBitmap::CreateBitmap(int width, int height) {
  if (width <= 0 || height <= 0) return FALSE;
  m_image = std::make_unique<QImage>(width, height, QImage::Format_RGB32);
  m_image->fill(Qt::black);
  return TRUE;
}

void CBitmap::DeleteObject() { m_image.reset(); }
const QImage* CBitmap::Image() const { return m_image.get(); }
QImage* CBitmap::MutableImage() { return m_image.get(); }

// ---- Image lists ----------------------------------------------------------------

struct CImageList::Data {
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
  std::vector<QImage> images;
};

CImageList::CImageList() : m_data(std::make_unique<Data>()) {}
CImageList::~CImageList() = default;

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int) {
  if (cx <= 0 || cy <= 0) return FALSE;
  m_data->cx = cx;
  m_data->cy = cy;
  m_data->flags = flags;
  m_data->images.clear();
  m_data->images.reserve(initial > 0 ? static_cast<size_t>(initial) : 0);
  return TRUE;
}

int CImageList::Add(CBitmap* bitmap, COLORREF mask) {
  if (!bitmap || !bitmap->Image() || m_data->cx <= 0) return -1;
  const QImage& source = *bitmap->Image();
  int first = static_cast<int>(m_data->images.size());
  QRgb key = qRgb(GetRValue(mask), GetGValue(mask), GetBValue(mask));
  for (int x = 0; x + m_data->cx <= source.width(); x += m_data->cx) {
    QImage piece = source.copy(x, 0, m_data->cx, std::min(m_data->cy, source.height()))
                       .convertToFormat(QImage::Format_ARGB32);
    if (m_data->flags & ILC_MASK) {
      for (int y = 0; y < piece.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
        for (int i = 0; i < piece.width(); ++i)
          if ((line[i] & 0xFFFFFF) == (key & 0xFFFFFF)) line[i] = 0;
      }
    }
    m_data->images.push_back(piece);
  }
  return first;
}

int CImageList::GetImageCount() const { return static_cast<int>(m_data->images.size()); }

const QImage* CImageList::GetImage(int index) const {
  if (index < 0 || index >= GetImageCount()) return nullptr;
  return &m_data->images[static_cast<size_t>(index)];
}
