// libFuzzer target: arbitrary text as a space-probe trajectory file, then
// the interpolations the view asks for. Built in a fuzz build only.
#include <cstdint>
#include <vector>

#include "Trajectory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<TrajectoryPoint> table(kTrajectoryCapacity);
  const int n = ParseTrajectoryText(reinterpret_cast<const char*>(data), size, table.data(), kTrajectoryCapacity);
  if (n < 0 || n > kTrajectoryCapacity) __builtin_trap();
  const int count = TrajectoryPointCount(table.data(), kTrajectoryCapacity);
  if (count < 0 || count > n) __builtin_trap();
  if (count == 0) return 0;
  const double first = table[0].julianDate, last = table[count - 1].julianDate;
  for (double jd : {first, last, (first + last) / 2, first + 0.25, last - 0.25, first - 1.0, last + 1.0}) {
    Vector3d out{};
    (void)IsDateInTrajectoryTable(table.data(), jd);
    (void)InterpolateTrajectoryCubic(table.data(), jd, out);
  }
  return 0;
}
