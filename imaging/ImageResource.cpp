// Pictures from the program's bitmap resources: the resource layer hands out
// a packed DIB, the image holds a copy of it.
#include "Image.h"
#include "Wnd.h"

bool CImage::LoadFromResource(const char* name, void* module, int colorType) {
  std::vector<uint8_t> dib;
  if (!AfxLoadBitmapResourceDib(static_cast<HINSTANCE>(module), name, dib)) return false;
  CImage loaded;
  if (!loaded.Attach(std::move(dib), kColor24Bit)) return false;
  if (colorType >= kColor24Bit && colorType < kColorNone && colorType != kColor24Bit &&
      !loaded.SetColorType(colorType, false))
    return false;
  Copy(loaded);
  return true;
}

bool CImage::LoadFromAppResource(const char* name, int colorType) {
  return LoadFromResource(name, AfxGetResourceHandle(), colorType);
}
