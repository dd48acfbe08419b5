#pragma once
// The small Windows-shaped value types the system's code is written with:
// integer aliases, colour references, points and rectangles. No GUI here.
#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using DWORD = uint32_t;
using WORD = uint16_t;
using BYTE = uint8_t;
using LONG = int32_t;
using UINT_PTR = uintptr_t;
using COLORREF = uint32_t;  // 0x00BBGGRR

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }

struct POINT {
  LONG x = 0;
  LONG y = 0;
};
struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

class CPoint : public POINT {
 public:
  CPoint() = default;
  CPoint(int px, int py) { x = px; y = py; }
  bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
};

class CRect : public RECT {
 public:
  CRect() = default;
  CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  CRect(const RECT& r) : RECT(r) {}
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool PtInRect(const POINT& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
};
