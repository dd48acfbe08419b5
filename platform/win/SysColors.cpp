#include "SysColors.h"

#include <array>
#include <cstddef>

namespace {

// Classic desktop colours.
std::array<COLORREF, kSysColorCount> g_colors = {
    RGB(192, 192, 192), RGB(58, 110, 165), RGB(0, 0, 128),     RGB(128, 128, 128), RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),      RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),      RGB(224, 224, 224), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(192, 192, 192), RGB(0, 0, 255),    RGB(16, 132, 208),  RGB(181, 181, 181), RGB(0, 0, 128),
    RGB(192, 192, 192)};
void (*g_listener)() = nullptr;

}  // namespace

COLORREF GetSysColor(int element) {
  if (element < 0 || element >= kSysColorCount) return 0;
  return g_colors[static_cast<size_t>(element)];
}

BOOL SetSysColors(int count, const int* elements, const COLORREF* colors) {
  if (count < 0 || (count > 0 && (!elements || !colors))) return FALSE;
  for (int i = 0; i < count; ++i)
    if (elements[i] < 0 || elements[i] >= kSysColorCount) return FALSE;
  for (int i = 0; i < count; ++i) g_colors[static_cast<size_t>(elements[i])] = colors[i];
  if (g_listener) g_listener();
  return TRUE;
}

void SetSysColorsListener(void (*listener)()) { g_listener = listener; }
