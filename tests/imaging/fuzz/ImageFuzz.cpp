// libFuzzer target of one image decoder (IMAGE_FUZZ_FORMAT, a format code)
// over a file in memory. A decoded image that is small enough also goes
// through a colour conversion chosen by the input's last byte.
#include <cstddef>
#include <cstdint>

#include "Image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CImage image;
  if (!image.LoadFromMemory(data, size, IMAGE_FUZZ_FORMAT)) return 0;
  (void)image.GetPixel(0, nullptr, 0);
  if (size && static_cast<long>(image.GetWidth()) * image.GetHeight() <= 4096)
    image.SetColorType(data[size - 1] % 6, (data[size - 1] & 0x80) != 0);
  return 0;
}
