// libFuzzer target: arbitrary bytes as an LX200 mount's position and
// horizontal replies. Built in a fuzz build only.
#include <cmath>
#include <cstdint>

#include "Lx200.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  const Lx200PositionReply p = ParseLx200Position(text, static_cast<int>(size));
  if ((p.hasRightAscension && !std::isfinite(p.hours)) || (p.hasDeclination && !std::isfinite(p.degrees)))
    __builtin_trap();
  (void)ParseLx200Horizontal(text, static_cast<int>(size));
  return 0;
}
