// libFuzzer target: arbitrary bytes as what a GPS receiver sends (NMEA
// sentences), read as one poll each. Built in a fuzz build only.
#include <cmath>
#include <cstdint>

#include "Gps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > static_cast<size_t>(GpsReceiverReader::kMaxRead)) return 0;
  static GpsReceiverReader reader;
  GpsPlace place;
  const GpsPollResult r = reader.Parse(reinterpret_cast<const char*>(data), static_cast<int>(size), place);
  if (r == GpsPollResult::Fix &&
      (!std::isfinite(place.latitude) || !std::isfinite(place.westLongitude) || std::fabs(place.latitude) > 1.5708))
    __builtin_trap();
  (void)reader.CheckGiveUp();
  (void)NmeaChecksumValid(reinterpret_cast<const char*>(data), static_cast<int>(size));
  return 0;
}
