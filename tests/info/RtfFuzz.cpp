// libFuzzer target of the rich-text reader.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "RtfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const RtfDocument doc = ReadRtf(std::string_view(reinterpret_cast<const char*>(data), size));
  (void)doc.PlainText();
  (void)EscapeRtfText(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
