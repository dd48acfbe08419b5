// Texture fonts and the glyph layer, checked on the pixels they draw.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "../shell/ShellTestSupport.h"
#include "GdiText.h"
#include "Geometry.h"
#include "RenderTestUtil.h"
#include "ScreenLabel.h"
#include "TextureFont.h"
#include "d3dx9.h"

namespace {

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
  bool Empty() const { return right < left; }
  void Add(int x, int y) {
    left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
  }
};

class TextureFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    SetAdapterLimitsForLayer({});
  }
  void TearDown() override { SetAdapterLimitsForLayer({}); }

  static std::unique_ptr<CTextureFont> MakeFont(IDirect3DDevice9* device, const char* face, int points,
                                                unsigned flags = 0) {
    auto font = std::make_unique<CTextureFont>(face, points, flags);
    EXPECT_EQ(font->CreateGlyphTexture(device), S_OK);
    EXPECT_EQ(font->CreateDrawResources(), S_OK);
    return font;
  }
  // Clears to black, draws, and reads the frame back.
  template <class F>
  static void DrawFrame(HeadlessDevice& h, F draw) {
    h.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    h.device->BeginScene();
    draw();
    h.device->EndScene();
    h.Frame();
  }
  static Box Ink(const HeadlessDevice& h, int fromY = 0, int toY = 1 << 30) {
    Box b;
    for (int y = fromY; y < std::min<int>(toY, h.params.BackBufferHeight); ++y)
      for (UINT x = 0; x < h.params.BackBufferWidth; ++x) {
        const Pixel p = h.At(static_cast<int>(x), y);
        if (p.r + p.g + p.b > 0) b.Add(static_cast<int>(x), y);
      }
    return b;
  }
  // Width and height of a glyph as drawn.
  static float GlyphWidth(const CTextureFont& f, unsigned char c) {
    const float* r = f.m_texCoords[c - 32];
    return (r[2] - r[0]) * static_cast<float>(f.m_textureWidth) / f.m_textScale;
  }
  static float GlyphHeight(const CTextureFont& f, unsigned char c) {
    const float* r = f.m_texCoords[c - 32];
    return (r[3] - r[1]) * static_cast<float>(f.m_textureHeight) / f.m_textScale;
  }
};

}  // namespace

TEST_F(TextureFontTest, ConstructorKeepsNameSizeAndFlags) {
  const std::string longName(120, 'F');
  CTextureFont font(longName.c_str(), 11, CTextureFont::kBold | CTextureFont::kItalic);
  EXPECT_EQ(std::string(font.m_faceName), std::string(79, 'F'));
  EXPECT_EQ(font.m_height, 11);
  EXPECT_EQ(font.m_flags, 3u);
  EXPECT_EQ(font.m_pTexture, nullptr);
  EXPECT_EQ(font.m_spacing, 0);
  // Without a device nothing is drawn.
  EXPECT_EQ(font.DrawString(0, 0, 0xffffffff, "x", 0), E_FAIL);
}

TEST_F(TextureFontTest, GlyphTexturesAreSquareAndJustLargeEnough) {
  HeadlessDevice h;
  ASSERT_NE(h.device, nullptr);
  auto small = MakeFont(h.device, "Arial", 9);
  auto large = MakeFont(h.device, "Arial", 18, CTextureFont::kBold);
  for (const CTextureFont* f : {small.get(), large.get()}) {
    EXPECT_EQ(f->m_textureWidth, f->m_textureHeight);
    EXPECT_EQ(f->m_textureWidth & (f->m_textureWidth - 1), 0u);
    EXPECT_FLOAT_EQ(f->m_textScale, 1.0f);
    D3DSURFACE_DESC desc{};
    f->m_pTexture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A4R4G4B4);
    EXPECT_EQ(desc.Width, f->m_textureWidth);
    // Every glyph lies inside; the last row reaches into the lower half
    // (a texture half as high would not hold it after the doubling).
    float lowest = 0;
    for (const auto& r : f->m_texCoords) {
      EXPECT_GE(r[0], 0.0f);
      EXPECT_LE(r[2], 1.0f);
      EXPECT_LE(r[3], 1.0f);
      lowest = std::max(lowest, r[3]);
    }
    EXPECT_GT(lowest, 0.25f);
  }
  EXPECT_TRUE(small->m_textureWidth == 128 || small->m_textureWidth == 256) << small->m_textureWidth;
  EXPECT_GT(large->m_textureWidth, small->m_textureWidth);
  // Spacing: a third of the height of "x", rounded up; 9 points are 12 pixels.
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT gdi = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY,
                          VARIABLE_PITCH, "Arial");
  SelectObject(dc, gdi);
  SIZE x{};
  ASSERT_TRUE(GetTextExtentPoint32A(dc, "x", 1, &x));
  EXPECT_EQ(small->m_spacing, static_cast<int>(std::ceil(x.cy * 0.3f)));
  EXPECT_FLOAT_EQ(GlyphHeight(*small, 'x'), static_cast<float>(x.cy));
  DeleteObject(gdi);
  DeleteDC(dc);
}

TEST_F(TextureFontTest, TextIsInkedOnlyInsideItsGlyphBoxesInItsColour) {
  HeadlessDevice h(128, 64);
  auto font = MakeFont(h.device, "Arial", 18, CTextureFont::kBold);
  const float x = 10.0f, y = 12.0f;
  DrawFrame(h, [&] { EXPECT_EQ(font->DrawString(x, y, D3DCOLOR_ARGB(255, 200, 60, 100), "Az", 0), S_OK); });
  const float wA = GlyphWidth(*font, 'A');
  const float xz = x + wA - 2.0f * static_cast<float>(font->m_spacing);
  const float wz = GlyphWidth(*font, 'z');
  const float gh = GlyphHeight(*font, 'A');
  int inked = 0, full = 0;
  for (int py = 0; py < 64; ++py)
    for (int px = 0; px < 128; ++px) {
      const Pixel p = h.At(px, py);
      if (p.r + p.g + p.b == 0) continue;
      ++inked;
      const float cx = px + 0.5f, cy = py + 0.5f;
      const bool inA = cx >= x - 0.5f && cx <= x + wA - 0.5f;
      const bool inZ = cx >= xz - 0.5f && cx <= xz + wz - 0.5f;
      EXPECT_TRUE((inA || inZ) && cy >= y - 0.5f && cy <= y + gh - 0.5f) << px << "," << py;
      // The colour scaled by the glyph's coverage.
      EXPECT_NEAR(p.r * 60.0, p.g * 200.0, 200.0 * 8);
      if (std::abs(p.r - 200) <= 2 && std::abs(p.g - 60) <= 2 && std::abs(p.b - 100) <= 2) ++full;
    }
  EXPECT_GT(inked, 60);
  EXPECT_GT(full, 20);
  // Both glyphs have ink: left of the z box and right of the A box.
  const Box left = Ink(h);
  EXPECT_LT(left.left, static_cast<int>(xz));
  EXPECT_GT(left.right, static_cast<int>(x + wA));
}

TEST_F(TextureFontTest, CentringFlagsPlaceTheFirstLineInTheViewport) {
  HeadlessDevice h(160, 80);
  auto font = MakeFont(h.device, "Arial", 12);
  struct Case {
    unsigned flags;
    bool centredX, centredY;
  };
  const Case cases[] = {{1, true, false}, {2, false, true}, {3, true, true}};
  const char* text = "HHHH\nHHHHHHHHHHHHHHHH";  // only the first line's width counts
  float width = 0;
  for (int i = 0; i < 4; ++i) width += GlyphWidth(*font, 'H') - 2.0f * static_cast<float>(font->m_spacing);
  const float line = GlyphHeight(*font, 'H');
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    DrawFrame(h, [&] { font->DrawString(3.0f, 5.0f, 0xffffffff, c.flags & 2 ? "HHHH" : text, c.flags); });
    const Box first = Ink(h, 0, c.flags & 2 ? 80 : static_cast<int>(5 + line));
    ASSERT_FALSE(first.Empty());
    if (c.centredX) {
      // The quads are centred; the ink sits one margin right of them.
      EXPECT_NEAR((first.left + first.right + 1) / 2.0, 80.0 + font->m_spacing, 2.5);
      EXPECT_NEAR(first.right + 1 - first.left, width, 3.0);
    } else {
      EXPECT_NEAR(first.left, 3 + font->m_spacing, 2);
    }
    if (c.centredY) {
      // The line's cell is centred; the ink lies inside it.
      EXPECT_GE(first.top, static_cast<int>((80 - line) / 2) - 1);
      EXPECT_LE(first.bottom, static_cast<int>((80 + line) / 2) + 1);
    } else {
      EXPECT_GE(first.top, 4);
    }
  }
}

TEST_F(TextureFontTest, LineFeedReturnsToTheStartOneDrawnLineLower) {
  for (DWORD limit : {0u, 128u}) {  // 128: the glyphs shrink to fit and are drawn larger than stored
    SCOPED_TRACE(limit);
    D3DAdapterLimitsForLayer limits;
    limits.maxTextureSize = limit;
    SetAdapterLimitsForLayer(limits);
    HeadlessDevice h(200, 160);
    auto font = MakeFont(h.device, "Arial", 20, CTextureFont::kBold);
    if (limit) {
      EXPECT_EQ(font->m_textureWidth, 128u);
      EXPECT_LT(font->m_textScale, 1.0f);
    }
    const float line = GlyphHeight(*font, ' ');
    DrawFrame(h, [&] { font->DrawString(20.0f, 10.0f, 0xffffffff, "W\nW", 0); });
    const int split = static_cast<int>(10 + line);
    const Box a = Ink(h, 0, split), b = Ink(h, split);
    ASSERT_FALSE(a.Empty());
    ASSERT_FALSE(b.Empty());
    EXPECT_EQ(a.left, b.left);
    EXPECT_NEAR(b.top - a.top, line, 1.0);
    EXPECT_NEAR(b.bottom - a.bottom, line, 1.0);
  }
}

TEST_F(TextureFontTest, Byte255AndControlBytesDrawNothingAndDoNotAdvance) {
  HeadlessDevice h(128, 48);
  auto font = MakeFont(h.device, "Arial", 14);
  DrawFrame(h, [&] { font->DrawString(4.0f, 4.0f, 0xffffffff, "Az", 0); });
  const std::vector<uint8_t> plain = h.frame;
  DrawFrame(h, [&] { font->DrawString(4.0f, 4.0f, 0xffffffff, "\x01" "A\x1f\xff\x09z\x7f", 0); });
  // 0x7f is a glyph of its own (a box or nothing); only compare up to the z.
  const float end = 4.0f + GlyphWidth(*font, 'A') + GlyphWidth(*font, 'z') - 4.0f * font->m_spacing;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < static_cast<int>(end) - 1; ++x) {
      const size_t i = (static_cast<size_t>(y) * 128 + x) * 4;
      ASSERT_EQ(plain[i + 2], h.frame[i + 2]) << x << "," << y;
    }
  // An empty string draws nothing.
  DrawFrame(h, [&] { EXPECT_EQ(font->DrawString(4.0f, 4.0f, 0xffffffff, "", 0), S_OK); });
  EXPECT_TRUE(Ink(h).Empty());
}

TEST_F(TextureFontTest, FiftyOneCharactersTakeTwoDraws) {
  HeadlessDevice h(64, 32);
  auto font = MakeFont(h.device, "Arial", 6);
  h.device->SetBatchingForLayer(false);  // count the font's own draws
  const std::string text(51, 'k');
  h.device->BeginScene();
  uint64_t before = h.device->GetDrawCallCountForLayer();
  font->DrawString(0, 0, 0xffffffff, text.c_str(), 0);
  EXPECT_EQ(h.device->GetDrawCallCountForLayer() - before, 2u);
  before = h.device->GetDrawCallCountForLayer();
  font->DrawString(0, 0, 0xffffffff, std::string(50, 'k').c_str(), 0);
  EXPECT_EQ(h.device->GetDrawCallCountForLayer() - before, 1u);
  // Spaces and skipped bytes are not drawn characters.
  before = h.device->GetDrawCallCountForLayer();
  font->DrawString(0, 0, 0xffffffff, (std::string(50, 'k') + "   \x01\xff").c_str(), 0);
  EXPECT_EQ(h.device->GetDrawCallCountForLayer() - before, 1u);
  h.device->EndScene();
}

TEST_F(TextureFontTest, DrawStringRestoresTheCallersStates) {
  HeadlessDevice h(32, 32);
  auto font = MakeFont(h.device, "Arial", 9);
  h.device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  h.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  h.device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC);
  font->DrawString(0, 0, 0xffffffff, "ab", 8);
  DWORD v = 0;
  h.device->GetRenderState(D3DRS_ALPHATESTENABLE, &v);
  EXPECT_EQ(v, FALSE);
  h.device->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_NONE));
  h.device->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_ANISOTROPIC));
  IDirect3DBaseTexture9* t = nullptr;
  h.device->GetTexture(0, &t);
  EXPECT_EQ(t, nullptr);
}

TEST_F(TextureFontTest, SymbolFacePaintsLettersAsGreek) {
  // The glyph layer paints 'a' of "Symbol" exactly as the substituted face paints alpha.
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT symbol = CreateFontA(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY,
                             VARIABLE_PITCH, "Symbol");
  ASSERT_NE(symbol, nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 40;
  info.bmiHeader.biHeight = -40;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bits, nullptr);
  SelectObject(dc, symbol);
  SelectObject(dc, bitmap);
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkColor(dc, 0);
  ASSERT_TRUE(ExtTextOutA(dc, 4, 2, ETO_OPAQUE, nullptr, "a", 1, nullptr));

  // Alpha in the substituted face, or in the Greek face that stands in when
  // the substitute keeps its Greek outside Unicode.
  QFont face("Symbol");
  face.setPixelSize(24);
  if (!QFontMetrics(face).inFont(QChar(0x3b1))) face.setFamily("DejaVu Sans");
  QImage alpha(40, 40, QImage::Format_RGB32);
  alpha.fill(Qt::black);
  {
    QPainter p(&alpha);
    p.setFont(face);
    p.setPen(Qt::white);
    p.drawText(QPoint(4, 2 + QFontMetrics(face).ascent()), QString::fromUtf8("α"));
  }
  QImage latin = alpha.copy();
  latin.fill(Qt::black);
  {
    QPainter p(&latin);
    p.setFont(face);
    p.setPen(Qt::white);
    p.drawText(QPoint(4, 2 + QFontMetrics(face).ascent()), QString("a"));
  }
  const auto* painted = static_cast<const uint32_t*>(bits);
  int differsFromAlpha = 0, differsFromLatin = 0, ink = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t mine = painted[y * 40 + x] & 0xffffff;
      ink += mine != 0;
      differsFromAlpha += mine != (alpha.pixel(x, y) & 0xffffff);
      differsFromLatin += mine != (latin.pixel(x, y) & 0xffffff);
    }
  EXPECT_GT(ink, 20);
  EXPECT_EQ(differsFromAlpha, 0);
  EXPECT_GT(differsFromLatin, 10);
  // Other faces keep the code page: 0xE9 is e acute, not a Greek letter.
  HFONT arial = CreateFontA(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY,
                            VARIABLE_PITCH, "Arial");
  SelectObject(dc, arial);
  SIZE e{}, accented{};
  GetTextExtentPoint32A(dc, "e", 1, &e);
  GetTextExtentPoint32A(dc, "\xe9", 1, &accented);
  EXPECT_EQ(e.cx, accented.cx);
  DeleteObject(arial);
  DeleteObject(symbol);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST_F(TextureFontTest, GdiHeightRuleAndFaceAliases) {
  // The designed face names resolve to the installed metric-compatible faces.
  struct Alias {
    const char* face;
    const char* family;
    const char* package;
  };
  const Alias aliases[] = {{"Arial", "Liberation Sans", "fonts-liberation2"},
                           {"Arial Narrow", "Nimbus Sans Narrow", "fonts-urw-base35"},
                           {"Palatino Linotype", "P052", "fonts-urw-base35"},
                           {"Symbol", "Standard Symbols PS", "fonts-urw-base35"},
                           {"Verdana", "DejaVu Sans", "fonts-dejavu-core"},
                           {"Georgia", "DejaVu Serif", "fonts-dejavu-core"},
                           {"Quartz", "DejaVu Sans", "fonts-dejavu-core"}};
  for (const Alias& a : aliases)
    ASSERT_TRUE(QFontInfo(QFont(a.face)).family().startsWith(a.family))
        << a.face << " resolves to " << QFontInfo(QFont(a.face)).family().toStdString() << "; install " << a.package;
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  EXPECT_EQ(MulDiv(9, 96, 72), 12);
  EXPECT_EQ(MulDiv(-7, 3, 2), -11);  // rounds half away from zero
  // Negative: the character height; positive: the cell height.
  for (const char* face : {"Arial", "Arial Narrow", "Palatino Linotype", "Symbol", "Verdana", "Georgia", "Quartz"}) {
    SCOPED_TRACE(face);
    HFONT cell = CreateFontA(30, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    HFONT em = CreateFontA(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    ASSERT_NE(cell, nullptr);
    SIZE s1{}, s2{};
    SelectObject(dc, cell);
    GetTextExtentPoint32A(dc, "M", 1, &s1);
    SelectObject(dc, em);
    GetTextExtentPoint32A(dc, "M", 1, &s2);
    EXPECT_NEAR(s1.cy, 30, 1);
    EXPECT_GE(s2.cy, s1.cy);  // the cell of a 30-pixel character is at least 30 high
    DeleteObject(cell);
    DeleteObject(em);
  }
  DeleteDC(dc);
}

TEST_F(TextureFontTest, QueuedLabelsAreDrawnInTheirFontAndColourUpToFiveHundred) {
  HeadlessDevice h(200, 100);
  auto star = MakeFont(h.device, "Arial", 12);
  auto bayer = MakeFont(h.device, "Symbol", 12);
  CTextureFont* fonts[4] = {nullptr, star.get(), star.get(), bayer.get()};
  const D3DCOLOR colours[4] = {0, 0xff00ff00, 0xffff0000, 0xff0000ff};
  ScreenLabelQueue queue;
  queue.Add(30.0f, 40.0f, "Vega", kLabelStarName);
  ASSERT_EQ(queue.Count(), 1);
  DrawFrame(h, [&] { queue.Draw(fonts, colours); });
  const Box box = Ink(h);
  ASSERT_FALSE(box.Empty());
  EXPECT_NEAR(box.left, 30 + star->m_spacing, 2);
  EXPECT_GE(box.top, 40);
  EXPECT_LE(box.bottom, 40 + static_cast<int>(GlyphHeight(*star, 'V')));
  for (int y = box.top; y <= box.bottom; ++y)
    for (int x = box.left; x <= box.right; ++x) {
      const Pixel p = h.At(x, y);
      ASSERT_EQ(p.g, 0);
      ASSERT_EQ(p.b, 0);
    }
  // The same label drawn directly is pixel-identical; a Bayer letter uses its own font.
  const std::vector<uint8_t> queued = h.frame;
  DrawFrame(h, [&] { star->DrawString(30.0f, 40.0f, 0xffff0000, "Vega", 0); });
  EXPECT_EQ(queued, h.frame);

  ScreenLabelQueue full;
  for (int i = 0; i < 500; ++i) full.Add(static_cast<float>(i % 10), 0.0f, "x", kLabelDeepSky);
  full.Add(100.0f, 60.0f, "beyond", kLabelStarName);
  EXPECT_EQ(full.Count(), 500);
  EXPECT_EQ(full[500].text, "beyond");  // written to the 501st slot
  DrawFrame(h, [&] { full.Draw(fonts, colours); });
  EXPECT_TRUE(Ink(h, 30).Empty());  // nothing where the 501st label would be
  EXPECT_FALSE(Ink(h, 0, 30).Empty());
}

// The sky pass binds its sprite program (with the last star's constants)
// before the stars and clears it only after its texts, and a line object's
// End puts that program back: labels and lines, whose vertices are already
// in pixels, come out exactly as with no program bound, merged or not.
TEST_F(TextureFontTest, LabelsAndLinesDrawnWhileTheSkyProgramIsBoundLandWhereAsked) {
  HeadlessDevice h(160, 80);
  ASSERT_NE(h.device, nullptr);
  IDirect3DDevice9* d = h.device;
  auto star = MakeFont(d, "Arial", 12);
  auto constellation = MakeFont(d, "Arial", 14, CTextureFont::kBold);
  CTextureFont* fonts[4] = {nullptr, star.get(), star.get(), star.get()};
  const D3DCOLOR colours[4] = {0, 0xff00ff00, 0xffff00ff, 0xffff00ff};
  ID3DXBuffer *code = nullptr, *errors = nullptr;
  ASSERT_EQ(D3DXAssembleShaderFromFileA(NUVARINE_VS_SOURCES "/plan.vs", nullptr, nullptr, 0, &code, &errors), D3D_OK);
  IDirect3DVertexShader9* sprite = nullptr;
  ASSERT_EQ(d->CreateVertexShader(static_cast<const DWORD*>(code->GetBufferPointer()), &sprite), D3D_OK);
  code->Release();
  const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                        {0, 12, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                        {0, 16, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                        D3DDECL_END()};
  IDirect3DVertexDeclaration9* declaration = nullptr;
  ASSERT_EQ(d->CreateVertexDeclaration(elements, &declaration), D3D_OK);
  ID3DXLine* line = nullptr;
  ASSERT_EQ(D3DXCreateLine(d, &line), D3D_OK);
  ScreenLabelQueue queue;
  queue.Add(90.0f, 50.0f, "Rigel", kLabelStarName);

  auto frame = [&](bool programBound, bool merging) {
    d->SetBatchingForLayer(merging);
    DrawFrame(h, [&] {
      if (programBound) {
        // As the last star leaves them: a tiny sprite far from the centre.
        const float size[4] = {0.004f, 1, 1, 1}, colour[4] = {0.2f, 0.3f, 0.4f, 1};
        const float matrix[16] = {1.2f, 0, 0, 0.7f, 0, 1.6f, 0, -0.3f, 0, 0, 1, 1.9f, 0, 0, 1, 2.0f};
        d->SetVertexDeclaration(declaration);
        d->SetVertexShader(sprite);
        d->SetFVF(kSpriteVertexFvf);
        d->SetVertexShaderConstantF(0, size, 1);
        d->SetVertexShaderConstantF(1, colour, 1);
        d->SetVertexShaderConstantF(2, matrix, 4);
      }
      line->Begin();
      const D3DXVECTOR2 grid[2] = {{5.0f, 40.0f}, {150.0f, 40.0f}};
      line->Draw(grid, 2, 0xff0000ff);
      line->End();  // the program comes back here
      constellation->DrawString(10.0f, 8.0f, 0xffffff00, "Orion", 0);
      queue.Draw(fonts, colours);
      d->SetVertexShader(nullptr);
    });
    return h.frame;
  };
  for (bool merging : {false, true}) {
    SCOPED_TRACE(merging ? "merging" : "one by one");
    const std::vector<uint8_t> unbound = frame(false, merging);
    const Box name = Ink(h, 0, 35), label = Ink(h, 45);
    ASSERT_FALSE(name.Empty());
    EXPECT_NEAR(name.left, 10 + constellation->m_spacing, 3);
    ASSERT_FALSE(label.Empty());
    EXPECT_NEAR(label.left, 90 + star->m_spacing, 3);
    ExpectPixel(h.At(60, 40), 0, 0, 255, 0);
    const std::vector<uint8_t> bound = frame(true, merging);
    ASSERT_EQ(bound.size(), unbound.size());
    size_t differing = 0;
    for (size_t i = 0; i < bound.size(); ++i) differing += bound[i] != unbound[i];
    EXPECT_EQ(differing, 0u) << "bytes that differ from the frame drawn with no program bound";
  }
  line->Release();
  declaration->Release();
  sprite->Release();
}

TEST_F(TextureFontTest, AHugeFontSizeShrinksItsGlyphsIntoABoundedTexture) {
  HeadlessDevice h(64, 64);
  auto font = MakeFont(h.device, "Arial", 600);
  EXPECT_LE(font->m_textureWidth, 4096u);
  EXPECT_EQ(font->m_textureWidth, font->m_textureHeight);
  EXPECT_LT(font->m_textScale, 1.0f);
  // Drawn at the requested size: 600 points are 800 pixels of character height.
  EXPECT_GT(GlyphHeight(*font, 'H'), 800.0f);
}
