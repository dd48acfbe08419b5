#pragma once
// Screen text drawn with the device: every character 32-254 of one font is
// painted once into a texture, and each string is drawn as textured quads in
// back-buffer pixels.
#include <cstdint>

#include "GdiText.h"
#include "d3d9.h"

class CTextureFont {
 public:
  // Flags of the constructor.
  static constexpr unsigned kBold = 1, kItalic = 2, kDepthTest = 4;
  // Flags of DrawString.
  static constexpr unsigned kCentreHorizontally = 1, kCentreVertically = 2, kLinearFiltering = 8;

  // Keeps at most 79 characters of the face name; nothing is created yet.
  CTextureFont(const char* faceName, int points, unsigned flags);
  ~CTextureFont();
  CTextureFont(const CTextureFont&) = delete;
  CTextureFont& operator=(const CTextureFont&) = delete;

  // Paints the glyph texture (A4R4G4B4, square, doubled until the glyphs fit;
  // shrunk glyphs beyond the device's largest texture).
  HRESULT CreateGlyphTexture(IDirect3DDevice9* device);
  // The dynamic vertex buffer and the saved and drawing state blocks.
  HRESULT CreateDrawResources();
  // Draws text with its top-left corner at (x, y) in pixels; bytes below 32
  // (except line feeds) and 255 are skipped. E_FAIL without a device.
  HRESULT DrawString(float x, float y, D3DCOLOR colour, const char* text, unsigned flags);
  void ReleaseDrawResources();
  void ReleaseGlyphTexture();
  void ReleaseAll();
  // The GDI font of the face, size (at the current text scale) and style.
  HRESULT CreateGdiFont(HDC dc, HFONT* out);

  // ---- Members ---------------------------------------------------------------
  char m_faceName[80] = {};
  int32_t m_height = 0;  // points
  uint32_t m_flags = 0;
  IDirect3DDevice9* m_pd3dDevice = nullptr;  // not owned
  IDirect3DTexture9* m_pTexture = nullptr;
  IDirect3DVertexBuffer9* m_pVB = nullptr;
  uint32_t m_textureWidth = 0;
  uint32_t m_textureHeight = 0;
  float m_textScale = 1.0f;
  float m_texCoords[223][4] = {};  // characters 32-254: left, top, right, bottom
  int32_t m_spacing = 0;           // texels on each side of a glyph
  IDirect3DStateBlock9* m_pStateBlockSaved = nullptr;
  IDirect3DStateBlock9* m_pStateBlockDrawText = nullptr;

  // Vertices of the buffer: 9600 bytes.
  static constexpr unsigned kVertexBufferBytes = 9600;

 private:
  // Lays the glyphs out into the current texture size; paints and records
  // their rectangles unless only measuring. D3DERR_MOREDATA when they do not fit.
  HRESULT PaintGlyphs(HDC dc, bool measureOnly);
};
