#pragma once
// Glyph painting in the GDI shape, for the texture fonts: a memory device
// context with a font and a top-down 32-bit DIB section selected, text
// extents and opaque text output. 96 dots per inch; a negative font height is
// the character (em) height, a positive one the cell height; face names
// resolve through fontconfig's aliases of the installed fonts; bytes are code
// page 1252, except that the face "Symbol" shows letters as the Greek letters
// of the Symbol encoding whatever face stands in for it. Needs a running
// toolkit application; without one no font can be made.
#include "WinTypes.h"

using HANDLE = void*;
struct GdiObject;
struct GdiDeviceContext;
using HGDIOBJ = GdiObject*;
using HFONT = GdiObject*;
using HBITMAP = GdiObject*;
using HDC = GdiDeviceContext*;

constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int MM_TEXT = 1;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD DEFAULT_QUALITY = 0;
constexpr DWORD NONANTIALIASED_QUALITY = 3;
constexpr DWORD ANTIALIASED_QUALITY = 4;
constexpr DWORD VARIABLE_PITCH = 2;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_LEFT = 0;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr DWORD BI_RGB = 0;

struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;  // negative: rows top-down
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
struct RGBQUAD {
  BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

// a * b / c rounded to the nearest integer; -1 when c is 0.
int MulDiv(int a, int b, int c);

// A memory device context (the argument is ignored); DeleteDC frees it.
HDC CreateCompatibleDC(HDC);
BOOL DeleteDC(HDC dc);
int GetDeviceCaps(HDC dc, int index);
int SetMapMode(HDC dc, int mode);
// Null when no font results (no toolkit application, empty face name).
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, const char* faceName);
// Only 32-bit uncompressed bitmaps; the bits stay valid until DeleteObject.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
// Returns the object of the same kind selected before.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF SetBkColor(HDC dc, COLORREF colour);
UINT SetTextAlign(HDC dc, UINT align);
// Advance width and cell height of the text in the selected font.
BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size);
// Draws the text with its cell's top-left corner at (x, y) into the selected
// bitmap; ETO_OPAQUE first fills the rectangle (or the text's cell) with the
// background colour.
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count, const int* dx);
